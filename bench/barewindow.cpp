// The least a Qt Widgets program can show: one top-level widget of kvizor's
// size and place, filled with the face colour of kvizor's number 1, so the
// same probe that waits for kvizor's first frame can wait for this one.

#include "design/designtable.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setGeometry(design::toPixels(design::kClientLeft), design::toPixels(design::kClientTop),
                       design::toPixels(design::kClientWidth), design::toPixels(design::kClientHeight));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0xFF, 0xC0, 0xFF));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.show();
    return app.exec();
}
