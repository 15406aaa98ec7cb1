#pragma once

#include <QString>

#include <optional>

// The teams' names, which the host may keep in a file beside the rounds:
// two lines, team 1 then team 2, written as a round file is (UTF-8 or
// Windows-1251, a byte order mark, CR LF). Without names everything shows as
// designed: «КОМАНДА 1», «КОМАНДА 2».
namespace teams {

// The file, in the working folder, read at start.
inline const QString kFileName = QStringLiteral("команды.txt");
// A name longer than this is cut at a word's end.
constexpr int kMaxNameLength = 40;

struct Names
{
    QString first;  // team 1; empty: no name
    QString second; // team 2
    bool isEmpty() const { return first.isEmpty() && second.isEmpty(); }
    const QString &of(int team) const { return team == 1 ? first : second; }
    bool operator==(const Names &o) const { return first == o.first && second == o.second; }
};

// One name as typed or read: blanks at either end and inside collapsed,
// control characters dropped, no longer than kMaxNameLength.
QString cleanName(const QString &name);

// The names of a text of two lines.
Names namesFromText(const QString &text);

// The names in file path; no file there is no names and no error.
struct NamesRead
{
    Names names;
    QString error; // the host's message, naming the file and the cause
};
NamesRead readNames(const QString &path);

} // namespace teams
