#pragma once

#include "rounds/questionvalue.h"
#include "rounds/textencoding.h"

#include <QByteArray>

#include <functional>
#include <vector>

// Reading the fields of a round file. Pure: no widgets, no files; bytes come
// from a pull function, so the same code reads files, memory and fuzz input.
namespace rounds {

constexpr int kFieldCount = 12;          // fields a round file must give
constexpr int kFieldByteCap = 64 * 1024; // most bytes one field may take, counting the blanks before it
                                         // and whatever follows its closing quote

// Returns up to max bytes into buf; 0 at the end of the data, -1 on a read error.
using PullBytes = std::function<long long(char *buf, long long max)>;

// Bytes held in memory, handed out at most `piece` at a time.
PullBytes memoryPull(const QByteArray &bytes, long long piece = 64 * 1024);

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
// to the UTF-8 form. decodeField gives a field's text.
ReadOutcome readFields(const PullBytes &pull, int maxFields = kFieldCount);

} // namespace rounds
