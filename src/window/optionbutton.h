#pragma once

#include <QColor>
#include <QRadioButton>

// An option button of Form1's single option group. The number buttons use
// the push-button look: a coloured face with the caption centred on it,
// pressed while selected, no circular mark.
//
// Only a deliberate press selects it: a mouse click, or Space or Enter while
// it has the focus. Arrow keys only move the focus; they never select a
// neighbour, as Qt's exclusive buttons otherwise do. Every option button
// keeps its own stop in the Tab order.
class OptionButton : public QRadioButton
{
    Q_OBJECT

public:
    OptionButton(const QString &caption, int index, QWidget *parent = nullptr);

    // The member index within its one-member control array.
    int Index() const { return m_index; }

    void setPushButtonLook(const QColor &face, const QColor &text);
    bool hasPushButtonLook() const { return m_pushLook; }
    QColor faceColour() const { return m_face; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    int m_index;
    bool m_pushLook = false;
    QColor m_face;
    QColor m_text;
};
