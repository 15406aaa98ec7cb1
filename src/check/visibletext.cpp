#include "check/visibletext.h"

#include <algorithm>

namespace check {

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool isBidiControl(char16_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString visibleText(const QString &text)
{
    const auto needsEscape = [](QChar c) { return isControl(c.unicode()) || isBidiControl(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), needsEscape))
        return text;

    QString shown;
    shown.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (isControl(u))
            shown += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else if (isBidiControl(u))
            shown += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

} // namespace check
