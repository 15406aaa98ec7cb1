#include "window/appicon.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSize>
#include <QString>

QIcon appIcon()
{
    // The pixmap engine (chosen by the first file, a PNG) keeps one picture
    // per size and hands out the closest one. Qt's SVG icon engine would keep
    // only one added picture in all, so the SVG is not given to the icon as a
    // file but drawn here at the larger sizes.
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/kvizor-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/kvizor-32.png"), QSize(32, 32));

    // Only where Qt's SVG image plugin is installed (it comes with the Qt SVG
    // library); without it the 32 x 32 picture stands in for these sizes.
    for (const int size : {48, 64, 128, 256}) {
        QImageReader reader(QStringLiteral(":/icons/kvizor.svg"));
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull())
            break;
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
