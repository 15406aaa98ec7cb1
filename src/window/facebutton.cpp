#include "window/facebutton.h"

#include "window/hostkeys.h"

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
    const QColor text =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    drawFlatFace(p, *this, m_face, text, isDown(), Qt::AlignCenter | Qt::TextShowMnemonic);
}

void drawFlatFace(QPainter &p, const QAbstractButton &button, const QColor &face, const QColor &text,
                  bool sunken, int textFlags)
{
    const QRect rect = button.rect();
    p.fillRect(rect, face);
    QPalette bevel = button.palette();
    bevel.setColor(QPalette::Button, face);
    qDrawWinButton(&p, rect, bevel, sunken, nullptr);

    QRect textRect = rect.adjusted(2, 2, -2, -2);
    if (sunken)
        textRect.translate(1, 1);
    p.setFont(button.font());
    p.setPen(text);
    p.drawText(textRect, textFlags, button.text());

    if (hostkeys::KeyRouter::hasTabFocus(&button)) {
        // A dotted frame inside the edge, in the caption's colour.
        p.save();
        p.setPen(QPen(text, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        const int inset = std::max(3, std::min(rect.width(), rect.height()) / 12);
        p.drawRect(rect.adjusted(inset, inset, -inset - 1, -inset - 1));
        p.restore();
    }
}
