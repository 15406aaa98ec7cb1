// Which files of a round's picture folder belong to which question.

#include "rounds/roundpictures.h"
#include "support/testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace pictures;
using namespace Qt::StringLiterals;

class TestRoundPictures : public QObject
{
    Q_OBJECT

private slots:
    void matchesNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number"); // 0: no match
        QTest::addColumn<bool>("answer");
        QTest::newRow("question") << "3.jpg" << 3 << false;
        QTest::newRow("answer") << "3o.jpg" << 3 << true;
        QTest::newRow("twelve, any case") << "12O.PnG" << 12 << true;
        QTest::newRow("jpeg") << "1.JPEG" << 1 << false;
        QTest::newRow("webp gif bmp") << "10o.webp" << 10 << true;
        QTest::newRow("bmp") << "7.bmp" << 7 << false;
        QTest::newRow("gif") << "11.gif" << 11 << false;
        QTest::newRow("thirteen") << "13.jpg" << 0 << false;
        QTest::newRow("zero") << "0.jpg" << 0 << false;
        QTest::newRow("leading zero") << "03.jpg" << 0 << false;
        QTest::newRow("double extension") << "3.jpeg.txt" << 0 << false;
        QTest::newRow("cyrillic З") << "З.jpg" << 0 << false;
        QTest::newRow("cyrillic о") << "3о.jpg" << 0 << false;
        QTest::newRow("no extension") << "3" << 0 << false;
        QTest::newRow("other format") << "3.tiff" << 0 << false;
        QTest::newRow("path") << "../3.jpg" << 0 << false;
    }
    void matchesNames()
    {
        QFETCH(QString, name);
        QFETCH(int, number);
        QFETCH(bool, answer);
        const std::optional<Key> key = matchFileName(name);
        QCOMPARE(key.has_value(), number != 0);
        if (key) {
            QCOMPARE(key->number, number);
            QCOMPARE(key->side == Side::Answer, answer);
            QCOMPARE(Key::fromIndex(key->index()), *key);
        }
    }

    void listsFolder()
    {
        QTemporaryDir dir;
        const QString round = dir.filePath(QStringLiteral("туры/финал"));
        QVERIFY(QDir().mkpath(round));
        for (const char *name :
             {"3.jpg", "3o.PNG", "12.gif", "13.jpg", "3.jpeg.txt", "З.jpg", "5.jpg", "5.png"})
            mustWriteFile(round + u'/' + QString::fromUtf8(name), "x");
        QVERIFY(QDir(round).mkdir(QStringLiteral("7.jpg"))); // a folder: found, and fails when opened

        const Listing listing = findPictures(round);
        QCOMPARE(listing.folder, round);
        QCOMPARE(listing.at({3, Side::Question}).path, round + u"/3.jpg"_s);
        QCOMPARE(listing.at({3, Side::Answer}).fileName, u"3o.PNG");
        QCOMPARE(listing.at({12, Side::Question}).fileName, u"12.gif");
        QCOMPARE(listing.at({5, Side::Question}).fileName, u"5.png"); // PNG first, whatever the order
        QCOMPARE(listing.at({7, Side::Question}).fileName, u"7.jpg");
        QVERIFY(listing.at({1, Side::Question}).fileName.isEmpty());
        QVERIFY(listing.at({12, Side::Answer}).fileName.isEmpty());

        QMap<QString, QString> strays;
        for (const Stray &stray : listing.strays)
            strays[stray.fileName] = stray.why;
        QCOMPARE(strays.keys(), QStringList({u"13.jpg"_s, u"3.jpeg.txt"_s, u"5.jpg"_s, u"З.jpg"_s}));
        QVERIFY(strays[u"З.jpg"_s].contains(u"русская буква"));
        QVERIFY(strays[u"5.jpg"_s].contains(u"5.png"));
    }

    void noFolderNoPictures_data()
    {
        QTest::addColumn<QString>("round");
        QTest::newRow("missing") << "7";
        QTest::newRow("empty name") << "";
        QTest::newRow("trailing slash") << "pictures/";
        QTest::newRow("a file") << "plain";
    }
    void noFolderNoPictures()
    {
        QFETCH(QString, round);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("pictures")));
        mustWriteFile(dir.filePath(QStringLiteral("pictures/3.jpg")), "x");
        mustWriteFile(dir.filePath(QStringLiteral("plain")), "x");
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const Listing listing = findPictures(round);
        QDir::setCurrent(cwd);
        QVERIFY(listing.folder.isEmpty());
        QVERIFY(!listing.any());
    }

    void linksStayInside()
    {
        QTemporaryDir dir;
        const QString round = dir.filePath(QStringLiteral("7"));
        QVERIFY(QDir().mkpath(round));
        mustWriteFile(dir.filePath(QStringLiteral("outside.png")), "x");
        mustWriteFile(round + u"/inside.png"_s, "x");
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("outside.png")), round + u"/1.png"_s));
        QVERIFY(QFile::link(QStringLiteral("inside.png"), round + u"/2.png"_s));
        QCOMPARE(::symlink("3.png", qPrintable(round + u"/3.png"_s)), 0); // a loop

        const Listing listing = findPictures(round);
        QVERIFY(listing.at({1, Side::Question}).problem.contains(u"за пределы папки"));
        QVERIFY(listing.at({2, Side::Question}).problem.isEmpty());
        // Listed: opening it says what is wrong.
        QCOMPARE(listing.at({3, Side::Question}).fileName, u"3.png");
    }
};

QTEST_GUILESS_MAIN(TestRoundPictures)
#include "tst_roundpictures.moc"
