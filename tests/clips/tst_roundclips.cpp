// Which files of a round's folder are the clips of which question.

#include "clips/roundclips.h"
#include "support/testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace clips;
using namespace Qt::StringLiterals;

class TestRoundClips : public QObject
{
    Q_OBJECT

private slots:
    void matchesNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number"); // 0: no match
        QTest::addColumn<bool>("answer");
        // The numbering itself is the pictures' (tst_roundpictures).
        QTest::newRow("question") << "3.mp3" << 3 << false;
        QTest::newRow("answer") << "3o.mp3" << 3 << true;
        QTest::newRow("twelve, any case") << "12O.OgG" << 12 << true;
        QTest::newRow("opus") << "1.opus" << 1 << false;
        QTest::newRow("flac") << "10o.FLAC" << 10 << true;
        QTest::newRow("wav") << "7.Wav" << 7 << false;
        QTest::newRow("thirteen") << "13.mp3" << 0 << false;
        QTest::newRow("letter") << "3x.ogg" << 0 << false;
        QTest::newRow("double extension") << "3.mp3.ogg" << 0 << false;
        QTest::newRow("picture") << "3.jpg" << 0 << false;
        QTest::newRow("other sound") << "3.m4a" << 0 << false;
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
        }
        // One naming for both: a picture name is never a clip's, and the
        // other way round.
        QVERIFY(!(key && pictures::matchFileName(name)));
    }

    void listsFolder()
    {
        QTemporaryDir dir;
        const QString round = dir.filePath(QStringLiteral("туры/финал"));
        QVERIFY(QDir().mkpath(round));
        for (const char *name : {"3.mp3", "3o.OGG", "12.Opus", "13.mp3", "3x.ogg", "З.mp3", "5.mp3", "5.flac",
                                 "1.jpg", "1o.png", "notes.txt", "7.wav.txt"})
            mustWriteFile(round + u'/' + QString::fromUtf8(name), "x");
        mustWriteFile(dir.filePath(QStringLiteral("outside.wav")), "x");
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("outside.wav")), round + u"/9.wav"_s));

        const Listing listing = findClips(round);
        QCOMPARE(listing.folder, round);
        QCOMPARE(listing.at({3, Side::Question}).path, round + u"/3.mp3"_s);
        QCOMPARE(listing.at({3, Side::Answer}).fileName, u"3o.OGG");
        QCOMPARE(listing.at({12, Side::Question}).fileName, u"12.Opus");
        QCOMPARE(listing.at({5, Side::Question}).fileName, u"5.flac"); // lossless first, whatever the order
        QVERIFY(listing.at({3, Side::Question}).problem.isEmpty());
        QVERIFY(listing.at({9, Side::Question}).problem.contains(u"за пределы папки"));
        QVERIFY(listing.at({1, Side::Question}).fileName.isEmpty()); // a picture is no clip
        QVERIFY(listing.at({7, Side::Question}).fileName.isEmpty());

        QMap<QString, QString> strays;
        for (const Stray &stray : listing.strays)
            strays[stray.fileName] = stray.why;
        // Pictures and other files are no business of the clips' listing.
        QCOMPARE(strays.keys(), QStringList({u"13.mp3"_s, u"3x.ogg"_s, u"5.mp3"_s, u"З.mp3"_s}));
        QVERIFY(strays[u"З.mp3"_s].contains(u"русская буква"));
        QVERIFY(strays[u"5.mp3"_s].contains(u"5.flac"));
        QVERIFY(strays[u"13.mp3"_s].contains(u"не подходит"));
    }

    void noFolderNoClips_data()
    {
        QTest::addColumn<QString>("round");
        QTest::newRow("missing") << "7";
        QTest::newRow("a file") << "plain";
        QTest::newRow("pictures only") << "pictures";
    }
    void noFolderNoClips()
    {
        QFETCH(QString, round);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("clips")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("pictures")));
        mustWriteFile(dir.filePath(QStringLiteral("clips/3.mp3")), "x");
        mustWriteFile(dir.filePath(QStringLiteral("pictures/3.jpg")), "x");
        mustWriteFile(dir.filePath(QStringLiteral("plain")), "x");
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const Listing listing = findClips(round);
        QDir::setCurrent(cwd);
        QVERIFY(!listing.any());
        QVERIFY(listing.strays.empty());
    }
};

QTEST_GUILESS_MAIN(TestRoundClips)
#include "tst_roundclips.moc"
