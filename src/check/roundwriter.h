#pragma once

#include "rounds/fieldreader.h"
#include "rounds/writeerror.h"

#include <QString>

#include <array>
#include <functional>

// Writing a round's two files so that the reader gives back exactly the
// texts written, and so that a failure leaves the old round as it was.
namespace check {

struct RoundTexts
{
    std::array<QString, rounds::kFieldCount> questions;
    std::array<QString, rounds::kFieldCount> answers;
};

// The text a field can carry that shows as the cell did: line breaks become
// one space each run, and straight double quotes, which the field syntax
// cannot hold, become « and ». *quotesReplaced says whether any were.
QString fieldTextFromCell(const QString &cell, bool *quotesReplaced);

// The places where writing can fail; tests make one fail with an errno.
enum class WriteStep { WriteQuestions, WriteAnswers, PlaceQuestions, PlaceAnswers };
using WriteFault = std::function<int(WriteStep)>;

struct WriteResult
{
    enum class Status { Written, FieldTooLong, Failed };
    Status status = Status::Failed;
    QString error;        // the host's message (Russian) unless written
    int tooLongField = 0; // 1-based, for FieldTooLong
    bool tooLongAnswer = false;
    rounds::Encoding encoding = rounds::Encoding::Windows1251;
};

// Writes roundName.txt and roundNameo.txt, both quoted field by field with
// CR LF, in Windows-1251 if every character fits and UTF-8 with BOM if not.
// Both go to temporary files beside them first and are renamed into place
// only when both are complete. Existing files are replaced only when
// overwrite is set; otherwise nothing is written.
WriteResult writeRound(const QString &roundName, const RoundTexts &texts, bool overwrite,
                       const WriteFault &fault = {});

using rounds::writeErrorCause; // why a write failed, for the host

} // namespace check
