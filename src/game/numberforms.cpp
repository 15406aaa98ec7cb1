#include "game/numberforms.h"

#include <cmath>
#include <limits>

namespace numberforms {

double captionValue(const QString &caption)
{
    QString compact;
    compact.reserve(caption.size());
    for (const QChar c : caption) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            compact.append(c);
    }

    // Longest prefix of the form [+-]digits[.digits].
    qsizetype end = 0;
    if (end < compact.size() && (compact[end] == u'+' || compact[end] == u'-'))
        ++end;
    bool seenDigit = false;
    bool seenPoint = false;
    while (end < compact.size()) {
        const QChar c = compact[end];
        if (c >= u'0' && c <= u'9') {
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        ++end;
    }
    if (!seenDigit)
        return 0.0;
    bool ok = false;
    const double value = compact.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

QString signPosition(double value)
{
    // Fifteen significant digits, as a double holds them; no exponent for
    // anything a score or a question number can reasonably be.
    QString digits = QString::number(std::fabs(value), 'g', 15);
    if (value == 0.0)
        digits = QStringLiteral("0");
    return (std::signbit(value) && value != 0.0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
}

QString signPosition(std::int16_t value)
{
    const int v = value;
    return (v < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + QString::number(std::abs(v));
}

std::optional<std::int16_t> checkedIncrement(std::int16_t value)
{
    if (value == std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(value + 1);
}

} // namespace numberforms
