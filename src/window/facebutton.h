#pragma once

#include <QColor>
#include <QPushButton>

// A push button whose face is one flat design colour. The desktop style
// would shade it with a gradient and tint it when it has the focus; this one
// draws the face as designed, a raised edge, and the focus as a dotted frame.
class FaceButton : public QPushButton
{
    Q_OBJECT

public:
    FaceButton(const QString &caption, const QColor &face, QWidget *parent = nullptr);

    QColor faceColour() const { return m_face; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_face;
};

// The focus of a flat-faced button: a dotted frame inside its edge, in the
// caption's colour, leaving the face alone.
class QPainter;
void drawDottedFocus(QPainter &painter, const QRect &face, const QColor &colour);
