// The checker's look at a round's pictures: the listing, and a warning for
// every picture the board will not show.

#include "check/picturecheck.h"
#include "support/testpictures.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestPictureCheck : public QObject
{
    Q_OBJECT

private slots:
    void listsAndWarns()
    {
        QTemporaryDir dir;
        const QString round = dir.filePath(u"7"_s);
        mustWriteRound(round, numberedLines(kQuestionCp1251), numberedLines(kAnswerCp1251));
        QVERIFY(QDir().mkpath(round));
        mustWritePicture(round + u"/3.png"_s, QSize(800, 600), Qt::red);
        mustWritePicture(round + u"/3o.jpg"_s, QSize(300, 200), Qt::blue);
        mustWriteFile(round + u"/5.jpg"_s, "не картинка");
        mustWriteFile(round + u"/6.png"_s, pngHeaderClaiming(QSize(20000, 20000)));
        for (const QString &stray : {u"13.jpg"_s, u"3.jpeg.txt"_s, u"З.jpg"_s})
            mustWriteFile(round + u'/' + stray, "x");

        const check::PictureReport report = check::checkPictures(round);
        const QString listing = report.lines.join(u'\n');
        QVERIFY2(listing.contains(u" 3. вопрос: 3.png — PNG, 800 × 600"_s), qPrintable(listing));
        QVERIFY2(listing.contains(u" 3. ответ : 3o.jpg — JPEG, 300 × 200"_s), qPrintable(listing));
        QVERIFY(listing.contains(u" 5. вопрос: 5.jpg — не будет показана"_s));

        QStringList warnings;
        for (const check::Warning &warning : report.warnings) {
            QCOMPARE(warning.kind, check::Warning::Kind::Picture);
            warnings << warning.message;
        }
        QCOMPARE(warnings.size(), 5);
        const QString all = warnings.join(u'\n');
        QVERIFY2(all.contains(round + u"/5.jpg — не картинка"_s), qPrintable(all));
        QVERIFY(all.contains(u"20000 × 20000 точек — слишком большая"_s));
        QVERIFY(all.contains(round + u"/13.jpg: не подходит"_s));
        QVERIFY(all.contains(round + u"/3.jpeg.txt: не подходит"_s));
        QVERIFY(all.contains(round + u"/З.jpg: в имени русская буква"_s));

        // The program says so too, and a warning is a warning for its exit code.
        QProcess process;
        process.start(QStringLiteral(KVIZOR_CHECK_BIN), {round});
        QVERIFY(process.waitForFinished(30000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(out.contains(u"Картинки из папки "_s + round), qPrintable(out));
        QVERIFY(out.contains(u"Предупреждения (5):"_s));
    }

    void noFolderNoListing()
    {
        QTemporaryDir dir;
        const check::PictureReport report = check::checkPictures(dir.filePath(u"7"_s));
        QVERIFY(report.lines.isEmpty());
        QVERIFY(report.warnings.empty());
    }
};

QTEST_GUILESS_MAIN(TestPictureCheck)
#include "tst_picturecheck.moc"
