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

// A flat-faced button as the design draws it: the face in one colour, a
// raised (or, pressed, sunken) edge, the caption centred, and the focus as a
// dotted frame inside the edge, leaving the face alone.
class QAbstractButton;
class QPainter;
void drawFlatFace(QPainter &p, const QAbstractButton &button, const QColor &face, const QColor &text,
                  bool sunken, int textFlags);
