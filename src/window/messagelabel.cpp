#include "window/messagelabel.h"

#include <QPainter>
#include <QTextLayout>

namespace {

QTextOption wrapping(Qt::Alignment alignment)
{
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

} // namespace

double MessageLabel::textHeight(const QFont &font) const
{
    QTextLayout layout(text(), font);
    layout.setTextOption(wrapping(alignment()));
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width());
        height += line.height();
    }
    layout.endLayout();
    return height;
}

QFont MessageLabel::fittingFont() const
{
    QFont shown = font();
    for (double size = shown.pointSizeF(); size > smallestPointSize; size -= 0.5) {
        shown.setPointSizeF(size);
        if (textHeight(shown) <= height())
            return shown;
    }
    shown.setPointSizeF(smallestPointSize);
    return shown;
}

double MessageLabel::shownPointSize() const
{
    return fittingFont().pointSizeF();
}

void MessageLabel::paintEvent(QPaintEvent *)
{
    if (text().isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(fittingFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(rect()), text(), wrapping(alignment()));
}
