#pragma once

#include <QString>

#include <variant>

// What a question field holds once read: the board shows a number as a
// number ("007" as "7") and text as typed. Pure.
namespace rounds {

// A question slot: empty, a number or text.
using QuestionValue = std::variant<std::monostate, double, QString>;

// How a question field is held: an empty field is empty, an unquoted field
// that as a whole reads as a number is that number, anything else is text.
// Not the rule of numberforms::captionValue, which reads the front of a
// caption and ignores blanks: "7 чудес" is text here and 7 there.
QuestionValue questionValue(const QString &text, bool quoted);

// The text a question slot shows: "" for empty, the number's plain decimal
// form ("7", "2.5", "-3"), text unchanged.
QString questionText(const QuestionValue &value);

} // namespace rounds
