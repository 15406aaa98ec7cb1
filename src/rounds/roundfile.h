#pragma once

#include "base/outcome.h"
#include "rounds/fieldreader.h"

#include <QString>

#include <array>
#include <optional>

// Round files on disk: naming, safe opening, reading and decoding.
namespace rounds {

QString questionFileName(const QString &roundName); // name + ".txt"
QString answerFileName(const QString &roundName);   // name + "o.txt"

struct FileFields
{
    std::vector<QString> texts; // decoded fields, in file order
    std::vector<bool> quoted;
    std::vector<int> lines; // line where each field starts
    Encoding encoding = Encoding::Windows1251;
};

// Opens a regular file without blocking, reads at most maxFields fields and
// closes it again. On failure returns the host's message (Russian), naming
// the file as given and the cause; nothing stays open either way.
using FileRead = Outcome<FileFields>;
// wrapPull, when given, is put between the file and the reader (tests use
// it to count the bytes actually read).
using PullWrapper = std::function<PullBytes(PullBytes)>;
FileRead readRoundFile(const QString &path, int maxFields = kFieldCount, const PullWrapper &wrapPull = {});

// A whole file, opened the way round files are (regular files only, never
// waiting on a FIFO) and with the same messages; more than maxBytes is an
// error, and no more than that is read.
using WholeFile = Outcome<QByteArray>;
WholeFile readWholeFile(const QString &path, qint64 maxBytes);

// Opens a regular file for reading the way round files are (never waiting on
// a FIFO, nothing but a regular file); returns the descriptor, which the
// caller closes, or -1 with the host's message in *error.
int openRegularFile(const QString &path, QString *error);

struct Round
{
    std::array<QuestionValue, kFieldCount> questions;
    std::array<QString, kFieldCount> answers;
};

// Reads the question file completely, closes it, then the answer file. Either
// both give twelve fields and a Round comes back, or the error does.
using RoundRead = Outcome<Round>;
RoundRead readRound(const QString &roundName);

} // namespace rounds
