#include "window/appicon.h"

#include <QtTest>

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSet>

namespace {

QImage argb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The 16 colours of the VGA palette.
const QSet<QRgb> &vga()
{
    static const QSet<QRgb> colours = {
        qRgb(0x00, 0x00, 0x00), qRgb(0x00, 0x00, 0xAA), qRgb(0x00, 0xAA, 0x00), qRgb(0x00, 0xAA, 0xAA),
        qRgb(0xAA, 0x00, 0x00), qRgb(0xAA, 0x00, 0xAA), qRgb(0xAA, 0x55, 0x00), qRgb(0xAA, 0xAA, 0xAA),
        qRgb(0x55, 0x55, 0x55), qRgb(0x55, 0x55, 0xFF), qRgb(0x55, 0xFF, 0x55), qRgb(0x55, 0xFF, 0xFF),
        qRgb(0xFF, 0x55, 0x55), qRgb(0xFF, 0x55, 0xFF), qRgb(0xFF, 0xFF, 0x55), qRgb(0xFF, 0xFF, 0xFF),
    };
    return colours;
}

// How many pixels of each colour an image has; fully transparent pixels are
// counted under 0, whatever colour they carry.
QHash<QRgb, int> census(const QImage &image)
{
    QHash<QRgb, int> counts;
    const QImage img = argb(image);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            ++counts[qAlpha(p) == 0 ? 0 : p];
        }
    return counts;
}

} // namespace

class TestAppIcon : public QObject
{
    Q_OBJECT

private slots:
    // The hand-drawn pictures are what the icon shows at their own sizes,
    // whichever icon engine Qt picks.
    void drawnSizesShowTheirPictures_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("16") << 16;
        QTest::newRow("32") << 32;
    }
    void drawnSizesShowTheirPictures()
    {
        QFETCH(int, size);
        const QImage picture(QStringLiteral(":/icons/kvizor-%1.png").arg(size));
        QVERIFY2(!picture.isNull(), "the picture is not in the resources");
        QCOMPARE(picture.size(), QSize(size, size));

        const QIcon icon = appIcon();
        QVERIFY(!icon.isNull());
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        QCOMPARE(pixmap.size(), QSize(size, size));
        QCOMPARE(argb(pixmap.toImage()), argb(picture));
    }

    // Larger sizes come from the SVG where Qt can read it; otherwise the
    // largest picture stands in, never scaled up.
    void largerSizes()
    {
        const QIcon icon = appIcon();
        const bool svg = QImageReader::supportedImageFormats().contains("svg");
        for (const int size : {48, 256}) {
            const QPixmap pixmap = icon.pixmap(QSize(size, size));
            QCOMPARE(pixmap.size(), svg ? QSize(size, size) : QSize(32, 32));
        }
        if (!svg)
            QSKIP("Qt's SVG image plugin is not installed; the drawn sizes are not checked");
        // The drawing is the same window: mostly white, with a cyan title bar.
        const auto counts = census(icon.pixmap(QSize(256, 256)).toImage());
        QVERIFY(counts.value(qRgb(0xFF, 0xFF, 0xFF)) > 256 * 256 / 4);
        QVERIFY(counts.value(qRgb(0x00, 0xAA, 0xAA)) > 256 * 256 / 20);
    }

    void scalableDrawingIsBuiltIn()
    {
        QFile svg(QStringLiteral(":/icons/kvizor.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        QVERIFY(text.contains("<svg"));
        QVERIFY(text.contains("viewBox=\"0 0 32 32\""));
    }

    // The colour pictures keep to the VGA palette and show a white window
    // under a cyan title bar, on a transparent background.
    void colourPicturesUseTheVgaPalette_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("16") << 16;
        QTest::newRow("32") << 32;
    }
    void colourPicturesUseTheVgaPalette()
    {
        QFETCH(int, size);
        const auto counts = census(QImage(QStringLiteral(":/icons/kvizor-%1.png").arg(size)));
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.key() != 0)
                QVERIFY2(
                    vga().contains(it.key()),
                    qPrintable(QStringLiteral("#%1 is not a VGA colour").arg(it.key() & 0xFFFFFF, 6, 16)));
        QVERIFY(counts.value(0) > 0);                      // transparent background
        QVERIFY(counts.value(qRgb(0xFF, 0xFF, 0xFF)) > 0); // the window
        QVERIFY(counts.value(qRgb(0x00, 0xAA, 0xAA)) > 0); // the title bar
        QVERIFY(counts.value(qRgb(0x55, 0x55, 0x55)) > 0); // the shadow
        QVERIFY(counts.value(qRgb(0xFF, 0xFF, 0xFF)) > counts.value(qRgb(0x00, 0xAA, 0xAA)));
    }

    void monoPictureIsBlackAndWhite()
    {
        const QImage picture(QStringLiteral(":/icons/kvizor-32-mono.png"));
        QCOMPARE(picture.size(), QSize(32, 32));
        const auto counts = census(picture);
        QCOMPARE(QSet<QRgb>(counts.keyBegin(), counts.keyEnd()),
                 (QSet<QRgb>{0, qRgb(0, 0, 0), qRgb(0xFF, 0xFF, 0xFF)}));
    }
};

QTEST_MAIN(TestAppIcon)
#include "tst_appicon.moc"
