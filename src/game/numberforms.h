#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The two ways the board turns numbers into captions and back.
namespace numberforms {

// The numeric value of a caption, read the way a score caption is read:
// blanks, tabs and line feeds anywhere are ignored, then an optional sign,
// digits and at most one period are taken as far as they go. A text that
// does not begin with a number is worth 0. Not the rule by which a question
// field is a number (rounds::questionValue): that one takes a whole field,
// blanks included, and no more than fifteen significant digits, so "7 чудес"
// stays a text there while a caption "7 чудес" is worth 7 here.
double captionValue(const QString &caption);

// The sign-position form: a blank (or a minus sign for a negative value)
// followed by the digits; no grouping, no decimal point for a whole number,
// a period before a fraction. 9 -> " 9", -2 -> "-2", 3.5 -> " 3.5".
QString signPosition(double value);
QString signPosition(std::int16_t value);

// Adds one to a 16-bit counter; empty when the sum would not fit.
std::optional<std::int16_t> checkedIncrement(std::int16_t value);

} // namespace numberforms
