#include "rounds/questionvalue.h"

#include <algorithm>
#include <cmath>

namespace rounds {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// [+-]digits[.digits] with at least one digit and at most fifteen that
// matter, which is all a double holds exactly. The whole field must be the
// number: unlike numberforms::captionValue (the front of a score caption,
// blanks ignored, any number of digits), nothing may stand around it, so a
// question such as "1 000" or "7 чудес" stays text as typed.
bool looksLikeNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype intBegin = i;
    while (i < n && isDigit(text[i]))
        ++i;
    const qsizetype intEnd = i;
    qsizetype fracBegin = i;
    qsizetype fracEnd = i;
    if (i < n && text[i] == u'.') {
        fracBegin = ++i;
        while (i < n && isDigit(text[i]))
            ++i;
        fracEnd = i;
    }
    if (i != n || (intEnd == intBegin && fracEnd == fracBegin))
        return false;

    // Leading zeros and the zeros ending a fraction add nothing.
    while (fracEnd > fracBegin && text[fracEnd - 1] == u'0')
        --fracEnd;
    qsizetype significant = 0;
    bool started = false;
    for (qsizetype k = intBegin; k < fracEnd; ++k) {
        if (k >= intEnd && k < fracBegin)
            continue; // the point
        if (text[k] != u'0')
            started = true;
        if (started)
            ++significant;
    }
    return significant <= 15;
}

} // namespace

QuestionValue questionValue(const QString &text, bool quoted)
{
    if (text.isEmpty())
        return std::monostate();
    if (quoted || !looksLikeNumber(text))
        return text;
    bool ok = false;
    const double value = text.toDouble(&ok);
    // A fraction so small that it lands below the normal doubles would not
    // show the digits the host typed.
    if (!ok || (value != 0.0 && !std::isnormal(value)))
        return text;
    return value;
}

QString questionText(const QuestionValue &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        return *text;
    const auto *number = std::get_if<double>(&value);
    if (!number)
        return QString();
    const double v = *number;
    if (v == 0.0)
        return QStringLiteral("0"); // -0 too
    if (!std::isfinite(v))
        return QString::number(v);

    // As many decimals as fifteen significant digits need, then no trailing
    // zeros: 2.5, not 2.50000000000000. The exponent comes from the 'e' form
    // itself, so rounding up to the next power of ten is already accounted.
    const QString scientific = QString::number(std::fabs(v), 'e', 14);
    const int exponent = scientific.mid(scientific.indexOf(u'e') + 1).toInt();
    QString plain = QString::number(v, 'f', std::max(0, 14 - exponent));
    if (plain.contains(u'.')) {
        while (plain.endsWith(u'0'))
            plain.chop(1);
        if (plain.endsWith(u'.'))
            plain.chop(1);
    }
    return plain;
}

} // namespace rounds
