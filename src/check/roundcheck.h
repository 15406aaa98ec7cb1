#pragma once

#include "layout/textfit.h"
#include "rounds/roundfile.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

// The evening-before check of a round: loads it exactly as the window does,
// then looks for what a host would rather hear about before the game.
namespace check {

struct Warning
{
    enum class Kind {
        ExtraFieldsOnLine, // a line with more fields than the others: likely an unquoted comma
        TooManyFields,     // more than twelve fields: the rest is not read
        EmptyQuestion,
        EmptyAnswer,
        DuplicateQuestions,
        FileChanged,         // the file read differently the second time
        NotText,             // NUL bytes without a UTF-16 mark: not a text file
        TableQuotesReplaced, // a cell's straight quotes became « »
        TableExtraRows,      // more than twelve questions in the table
        TableUnclosedQuote,  // a quote in the table runs to its end
        DoesNotFit,          // the board cuts a question or an answer off
        Picture,             // a picture that cannot be shown, is very large or is no question's
    };
    Kind kind;
    QString file;             // the file as named to the reader; empty when not about one file
    int line = 0;             // 1-based line in that file (row of a table), 0 when none
    std::vector<int> numbers; // question numbers (1-12) the warning is about
    QString message;          // what the host reads (Russian)
};

// Adds a warning and gives it back, for what is said about it beyond this.
Warning &addWarning(std::vector<Warning> &warnings, const QString &file, Warning::Kind kind, int line,
                    QString message);

struct FileReport
{
    QString path; // as given to the reader: round name + ".txt" / "o.txt"
    rounds::Encoding encoding = rounds::Encoding::Windows1251;
    int fieldCount = 0;          // fields the file holds, counting those past the twelfth
    bool countIsAtLeast = false; // reading stopped early, so the file may hold more
};

struct RoundReport
{
    QString loadError;                                  // the window's message; empty when the round loads
    std::array<QString, rounds::kFieldCount> questions; // as the window shows them
    std::array<QString, rounds::kFieldCount> answers;
    FileReport questionFile;
    FileReport answerFile;
    std::vector<Warning> warnings;

    bool loaded() const { return loadError.isEmpty(); }
};

// How many fields the checker reads at most when it looks past the twelfth.
constexpr int kDeepFieldLimit = 1000;

// How much of a text the board shows, as the layout library's fitLabel
// answers. Measuring it takes fonts, which this library does without, so the
// caller that has them answers; only Fit's declaration is used here.
enum class Board { Question, Answer };
using FitFunction = std::function<Fit(Board board, const QString &text)>;

// Without a fit function nothing is said about what fits. scanPull, when
// given, is put between each file and the checker's own reading of it, which
// follows the window's (tests use it to save a file in between).
RoundReport checkRound(const QString &roundName, const FitFunction &fit = {},
                       const rounds::PullWrapper &scanPull = {});

// "Windows-1251", "UTF-8", "UTF-8 с BOM", "UTF-16 LE", "UTF-16 BE".
QString encodingName(rounds::Encoding encoding);

} // namespace check
