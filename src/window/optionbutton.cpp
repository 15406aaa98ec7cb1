#include "window/optionbutton.h"

#include "window/facebutton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

OptionButton::OptionButton(const QString &caption, int index, QWidget *parent)
    : QRadioButton(caption, parent), m_index(index)
{
}

void OptionButton::setPushButtonLook(const QColor &face, const QColor &text)
{
    m_pushLook = true;
    m_face = face;
    m_text = text;
    update();
}

void OptionButton::paintEvent(QPaintEvent *event)
{
    if (!m_pushLook) {
        // The mark alone: the neutral option's caption never shows, even
        // when full screen makes its box wide enough for a letter or two.
        Q_UNUSED(event);
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_RadioButton, option);
        return;
    }

    QPainter p(this);
    const QColor text = isEnabled() ? m_text : palette().color(QPalette::Disabled, QPalette::ButtonText);
    drawFlatFace(p, *this, m_face, text, isChecked() || isDown(), Qt::AlignCenter);
}

bool OptionButton::hitButton(const QPoint &pos) const
{
    // A radio button only answers on its mark and label; the whole face is
    // the button here.
    return m_pushLook ? rect().contains(pos) : QRadioButton::hitButton(pos);
}

void OptionButton::focusInEvent(QFocusEvent *event)
{
    // Qt's exclusive buttons drop every member but the focused one from the
    // Tab chain, which would leave the host no way to reach a number from
    // the keyboard once one had the focus.
    QWidget::focusInEvent(event);
}

void OptionButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusNextPrevChild(false);
        event->accept();
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextPrevChild(true);
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            if (!event->isAutoRepeat())
                click();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QRadioButton::keyPressEvent(event);
}
