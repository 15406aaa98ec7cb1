#pragma once

#include "base/outcome.h"
#include "game/evening.h"

#include <QDateTime>
#include <QString>

// The evening the game's journal holds, for the host to print or to save as
// a table after the game (or while it goes on: the journal is read as it is
// on disk, never locked, never changed).
namespace check {

struct JournalEvening
{
    QString path;       // the journal file
    bool found = false; // there is a journal
    Evening evening;    // empty when there is none
    QString error;      // why the journal could not be read (Russian, naming it); empty when read
};

// The evening of the journal in folder (the program's state folder unless
// told), read without its lock and without making the folder.
JournalEvening readEvening(const QString &folder);

// One line for the host when the evening printed is not tonight's: no
// journal, no round with points yet, or over twelve hours without a change
// (the program begins a new evening then); empty otherwise.
QString eveningNote(const JournalEvening &read, const QDateTime &now);

// The evening as the table the round import reads, at path: whole or not at
// all, an existing file replaced only with overwrite.
Done writeEveningTable(const QString &path, const Evening &evening, bool overwrite);

} // namespace check
