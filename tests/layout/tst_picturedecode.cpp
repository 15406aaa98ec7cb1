// Reading a picture file at the size it is shown, and every way a file can
// fail to be a picture: each one a message, never a crash or a hang.

#include "layout/picturedecode.h"
#include "support/testpictures.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace pictures;

class TestPictureDecode : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }

private slots:
    void fitsTheBox_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("png wide") << "wide.png" << QSize(400, 100) << QSize(200, 200) << QSize(200, 50);
        QTest::newRow("jpeg tall") << "tall.jpg" << QSize(300, 600) << QSize(609, 407) << QSize(203, 407);
        QTest::newRow("small bmp grows")
            << "small.bmp" << QSize(60, 40) << QSize(609, 407) << QSize(609, 406);
        QTest::newRow("gif, first frame") << "two.gif" << QSize(4, 4) << QSize(50, 80) << QSize(50, 50);
        QTest::newRow("no box") << "whole.png" << QSize(123, 45) << QSize() << QSize(123, 45);
        QTest::newRow("webp") << "photo.webp" << QSize(800, 600) << QSize(400, 400) << QSize(400, 300);
    }
    void fitsTheBox()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        const QByteArray suffix = QFileInfo(name).suffix().toLatin1();
        if (!QImageReader::supportedImageFormats().contains(suffix == "jpg" ? "jpeg" : suffix))
            QSKIP("no image plugin for this format");
        if (suffix == "gif")
            mustWriteFile(dir.filePath(name), twoFrameGif());
        else
            mustWritePicture(dir.filePath(name), size, QColor(0x20, 0x80, 0xE0));
        const Decoded decoded = decodePicture(dir.filePath(name), box);
        QVERIFY2(decoded.error.isEmpty(), qPrintable(decoded.error));
        QCOMPARE(decoded.fullSize, size);
        QCOMPARE(decoded.image.size(), expected);
        const QColor middle = decoded.image.pixelColor(expected.width() / 2, expected.height() / 2);
        QVERIFY(qAbs(middle.blue() - 0xE0) < 8 && qAbs(middle.red() - 0x20) < 8);
    }

    // A 24-megapixel JPEG is decoded at the size it is shown, not whole.
    void largeJpegScaledWhileDecoded()
    {
        mustWritePicture(path("photo.jpg"), QSize(6000, 4000), Qt::darkGreen);
        const Decoded decoded = decodePicture(path("photo.jpg"), QSize(609, 407));
        QVERIFY2(decoded.error.isEmpty(), qPrintable(decoded.error));
        QCOMPARE(decoded.image.size(), QSize(609, 406));
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("cause");
        QTest::newRow("missing") << "missing.png"
                                 << "Нет файла";
        QTest::newRow("not a picture") << "text.jpg"
                                       << "не картинка";
        QTest::newRow("empty") << "empty.png"
                               << "не картинка";
        QTest::newRow("truncated jpeg") << "cut.jpg"
                                        << "оборвана";
        QTest::newRow("truncated png") << "cut.png"
                                       << "повреждена";
        QTest::newRow("20000 x 20000 png") << "huge.png"
                                           << "20000 × 20000 точек — слишком большая";
        QTest::newRow("folder") << "3.jpg"
                                << "это папка";
        QTest::newRow("symbolic link loop") << "loop.png"
                                            << "символьных ссылок";
        QTest::newRow("fifo") << "fifo.png"
                              << "не обычный файл";
        QTest::newRow("unreadable") << "locked.png"
                                    << "Нет доступа";
    }
    void badFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, cause);
        const QString file = dir.filePath(name);
        QFile::remove(file);
        if (name == u"text.jpg") {
            mustWriteFile(file, "Столица Франции\n");
        } else if (name == u"empty.png") {
            mustWriteFile(file, {});
        } else if (name == u"cut.jpg" || name == u"cut.png") {
            const QString whole = dir.filePath(QStringLiteral("whole-") + name);
            mustWritePicture(whole, QSize(640, 480), Qt::red);
            QFile in(whole);
            QVERIFY(in.open(QIODevice::ReadOnly));
            mustWriteFile(file, in.readAll().left(in.size() / 2));
        } else if (name == u"huge.png") {
            mustWriteFile(file, pngHeaderClaiming(QSize(20000, 20000)));
        } else if (name == u"3.jpg") {
            QVERIFY(QDir(dir.path()).mkpath(name));
        } else if (name == u"loop.png") {
            QCOMPARE(::symlink("loop.png", qPrintable(file)), 0);
        } else if (name == u"fifo.png") {
            QCOMPARE(::mkfifo(qPrintable(file), 0600), 0);
        } else if (name == u"locked.png") {
            if (::geteuid() == 0)
                QSKIP("root reads any file");
            mustWritePicture(file, QSize(8, 8), Qt::red);
            QCOMPARE(::chmod(qPrintable(file), 0), 0);
        }
        const Decoded decoded = decodePicture(file, QSize(609, 407));
        QVERIFY(decoded.image.isNull());
        QVERIFY2(decoded.error.contains(cause), qPrintable(decoded.error));
        QVERIFY2(decoded.error.contains(file), qPrintable(decoded.error));
    }
};

QTEST_GUILESS_MAIN(TestPictureDecode)
#include "tst_picturedecode.moc"
