#include "layout/textfit.h"

#include "layout/designfont.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

// Taller than any label: the text is measured whole, never cut.
constexpr int kUnbounded = 1 << 20;

// The text as QPainter lays it out: a line break starts a new line and a
// carriage return counts as a blank.
QString asLaidOut(QString text)
{
    for (QChar &c : text) {
        if (c == u'\n')
            c = QChar::LineSeparator;
        else if (c == u'\r')
            c = u' ';
    }
    return text;
}

// Characters on the lines whose bottom edge is inside the area. The lines are
// placed the way QPainter places them for a word-wrapping QLabel: the font's
// leading between lines and each line started on a whole pixel.
int charsOnFullLines(const QFont &font, const QString &text, QSize area)
{
    QTextLayout layout(asLaidOut(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(font).leading();

    int shown = 0;
    qreal height = -leading;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
        if (std::ceil(height) > area.height())
            break;
        shown = line.textStart() + line.textLength();
    }
    layout.endLayout();
    return shown;
}

// Where the first line wider than the area starts, or -1. A word-wrapping
// label breaks lines only where a word may break, so one word wider than the
// label (a long URL, a 40-letter word) stands out past both edges of the
// centred label and is cut there, however few lines the text takes.
int firstLineCutSideways(const QFont &font, const QString &text, int width)
{
    QTextLayout layout(asLaidOut(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    int cut = -1;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid() && cut < 0; line = layout.createLine()) {
        line.setLineWidth(width);
        if (line.naturalTextWidth() > width)
            cut = line.textStart();
    }
    layout.endLayout();
    return cut;
}

} // namespace

QRect visibleLabelRect(const design::Control &label)
{
    return design::pixelRect(label).intersected(QRect(QPoint(0, 0), design::clientSize()));
}

Fit fitLabel(const design::Control &label, const QString &text)
{
    const QRect area = visibleLabelRect(label);
    const QFont font = designFont(label.font);
    Fit fit;
    fit.totalChars = int(text.size());
    fit.shownChars = fit.totalChars;
    if (text.isEmpty())
        return fit;

    // The verdict is QLabel's own measure of the height it needs at its
    // width, so it cannot disagree with the label on the board.
    const int flags = int(label.alignment) | Qt::TextWordWrap;
    const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, area.width(), kUnbounded), flags, text);
    if (needed.height() <= area.height()) {
        // Cut at the sides: what shows in full is the lines above.
        const int cut = firstLineCutSideways(font, text, area.width());
        if (cut >= 0) {
            fit.fits = false;
            fit.shownChars = cut;
        }
        return fit;
    }
    fit.fits = false;
    // Whatever the lines say, a text that does not fit hides something.
    fit.shownChars = std::min(charsOnFullLines(font, text, area.size()), fit.totalChars - 1);
    return fit;
}
