#pragma once

#include "base/outcome.h"
#include "rounds/fieldreader.h"

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

// The places where writing can fail; tests make one fail with an errno.
// Placing a file comes after an old file of that name stepped aside; putting
// back is what a failure to place the answers undoes.
enum class WriteStep {
    WriteQuestions,
    WriteAnswers,
    PlaceQuestions,
    PlaceAnswers,
    PutBackQuestions,
    PutBackAnswers
};
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

// One file written the same way: to a temporary file beside it, flushed to
// the disk and renamed into place only when complete, then the folder
// flushed; a failure leaves the old file (or none) as it was and no
// temporary file. An existing file is replaced only when overwrite is set,
// and a folder, a pipe or a device never. The error is the host's message:
// alreadyThere for a file there without overwrite.
Done writeWhole(const QString &path, const QByteArray &bytes, bool overwrite, const QString &alreadyThere);

} // namespace check
