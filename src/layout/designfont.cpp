#include "layout/designfont.h"

#include <QFontDatabase>
#include <QGuiApplication>

QFont designFont(const design::Font &f, double scale)
{
    if (!f.family) {
        QFont font = QGuiApplication::font();
        if (f.pointSize > 0) {
            font.setPointSizeF(design::pointSize(f, scale));
        } else if (scale != 1.0 && font.pointSizeF() > 0) {
            font.setPointSizeF(font.pointSizeF() * scale);
        }
        if (f.bold)
            font.setBold(true);
        return font;
    }

    // "Arial Black" is heavy by design, so its stand-in is a bold face even
    // at the designed regular weight.
    QString family = QString::fromUtf8(f.family);
    bool heavy = false;
    if (!QFontDatabase::hasFamily(family)) {
        if (family == u"Arial Black") {
            family = QStringLiteral("DejaVu Sans");
            heavy = true;
        } else {
            family = QStringLiteral("Liberation Sans");
        }
    }
    QFont font(family);
    font.setPointSizeF(design::pointSize(f, scale));
    font.setWeight(f.bold || heavy ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}
