#include "window/facebutton.h"

#include <QPainter>

#include <algorithm>
#include <qdrawutil.h>

FaceButton::FaceButton(const QString &caption, const QColor &face, QWidget *parent)
    : QPushButton(caption, parent), m_face(face)
{
}

void FaceButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const bool sunken = isDown();
    p.fillRect(rect(), m_face);
    QPalette bevel = palette();
    bevel.setColor(QPalette::Button, m_face);
    qDrawWinButton(&p, rect(), bevel, sunken, nullptr);

    QRect textRect = rect().adjusted(2, 2, -2, -2);
    if (sunken)
        textRect.translate(1, 1);
    const QColor text =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    p.setFont(font());
    p.setPen(text);
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, this->text());
    if (hasFocus())
        drawDottedFocus(p, rect(), text);
}

void drawDottedFocus(QPainter &painter, const QRect &face, const QColor &colour)
{
    painter.save();
    QPen pen(colour, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int inset = std::max(3, std::min(face.width(), face.height()) / 12);
    painter.drawRect(face.adjusted(inset, inset, -inset - 1, -inset - 1));
    painter.restore();
}
