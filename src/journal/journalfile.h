#pragma once

#include "base/outcome.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The journal's folder and file on disk, below the Journal class: each call
// does its work at once on the calling thread.
namespace journal {

inline const char kJournalName[] = "game.json";
inline const char kTempName[] = ".game.json.new"; // one writer per folder: the lock sees to it
inline const char kLockName[] = "game.lock";

// $XDG_STATE_HOME/kvizor when that is an absolute path, else
// ~/.local/state/kvizor.
QString stateFolder();

// Makes the folder (and any missing parent) readable by its owner only and
// opens it; gives the descriptor, or the cause it cannot be opened.
Outcome<int> openFolder(const QString &path);

// The steps of one write, in order. A fault hook is called on the writer
// thread before each; it returns an errno to fail that step with, or 0. It
// may also block: tests hold the writer between two steps that way.
enum class Step { CreateTemp, Write, SyncFile, Rename, SyncFolder };
using FaultHook = std::function<int(Step)>;

// Writes bytes to the temporary file, flushes it to the disk, renames it
// over the journal and flushes the folder. On failure gives the cause at the
// step that failed; the temporary file does not outlive a failure.
Done writeJournal(int folderFd, const QByteArray &bytes, const FaultHook &fault);

// The journal's bytes as they are on disk, none when there is no journal;
// anything that is not a readable regular file of at most maxBytes is a
// failure. Never follows a symbolic link, never waits on a FIFO.
using JournalBytes = Outcome<std::optional<QByteArray>>;
JournalBytes readJournal(int folderFd, qint64 maxBytes);

// Renames the journal to "game.json.bad-<time>" (never over another file);
// gives the new name, or the cause it could not be renamed.
Outcome<QString> setAside(int folderFd);

// Writes bytes to a new file of that name in the folder, readable by its
// owner only, complete and flushed before it takes the name; a file of that
// name already there stays, and the new one is "<name>-2" and so on. Gives
// the name written, or the cause it could not be.
Outcome<QString> keepBeside(int folderFd, const QString &name, const QByteArray &bytes);

// The hook named by KVIZOR_JOURNAL_FAULT="<step>:<what>", none when unset.
// <step> is create, write, sync, rename or syncfolder; <what> is an errno
// name (ENOSPC, EACCES, EROFS, EIO) to fail that step with, or "hold" to
// print "kvizor: journal writer held before <step>" on stderr and stop the
// writer there for good (for tests that kill the program at that point).
FaultHook faultFromEnvironment();

} // namespace journal
