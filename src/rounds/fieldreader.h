#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <variant>
#include <vector>

// Reading the fields of a round file. Pure: no widgets, no files; bytes come
// from a pull function, so the same code reads files, memory and fuzz input.
namespace rounds {

constexpr int kFieldCount = 12;          // fields a round file must give
constexpr int kFieldByteCap = 64 * 1024; // most bytes one field may take, counting the blanks before it
                                         // and whatever follows its closing quote

// Returns up to max bytes into buf; 0 at the end of the data, -1 on a read error.
using PullBytes = std::function<long long(char *buf, long long max)>;

// UTF-16 is known only by its byte order mark, which Notepad writes for
// "Unicode" and "Unicode big endian"; without one, such a file reads as
// Windows-1251.
enum class Encoding { Windows1251, Utf8, Utf8Bom, Utf16Le, Utf16Be };

struct RawField
{
    QByteArray bytes; // the field's value in the file's encoding; UTF-8 for UTF-16 files
    bool quoted = false;
    int line = 1; // line of the file (1-based) where the field starts
};

struct ReadOutcome
{
    enum class Status { Ok, TooFewFields, FieldTooLong, ReadError };
    Status status = Status::Ok;
    std::vector<RawField> fields; // the fields read, at most the number asked for
    int failedField = 0;          // 1-based number of the field that was too long
    int readErrno = 0;
    // Decided over the bytes up to the end of the last field read; the rest
    // of the last pull does not count, so the answer does not depend on how
    // the data happened to be cut into pulls.
    Encoding encoding = Encoding::Windows1251;
};

// Reads at most maxFields fields; not one byte more is pulled than needed to
// end the last of them (plus the rest of the pull buffer). UTF-16 is turned
// into UTF-8 before the fields are cut, so the field syntax and the cap apply
// to the UTF-8 form.
ReadOutcome readFields(const PullBytes &pull, int maxFields = kFieldCount);

// The text of a field as readFields gave it.
QString decodeField(const QByteArray &bytes, Encoding encoding);

// A whole text judged by the rules a round file is judged by (all of its
// bytes count here), for files that are read whole.
struct DecodedText
{
    QString text;
    Encoding encoding = Encoding::Windows1251;
};
DecodedText decodeText(const QByteArray &bytes);

// A question slot: empty, a number or text.
using QuestionValue = std::variant<std::monostate, double, QString>;

// How a question field is held: an empty field is empty, an unquoted field
// that as a whole reads as a number is that number, anything else is text.
QuestionValue questionValue(const QString &text, bool quoted);

// The text a question slot shows: "" for empty, the number's plain decimal
// form ("7", "2.5", "-3"), text unchanged.
QString questionText(const QuestionValue &value);

} // namespace rounds
