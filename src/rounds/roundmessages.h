#pragma once

#include <QString>

// What the host reads (Russian) about a round's files, read by the window or
// written by the checker: each names the file as given and the cause.
namespace rounds::message {

QString invalidName();                              // a NUL in the round's name
QString openFailed(int error, const QString &path); // open() gave errno `error`
QString isFolder(const QString &path);              // a folder where a file should be
QString notRegular(const QString &path);            // a pipe, a device, a socket
QString readFailed(const QString &path);            // read() failed
QString tooFewFields(const QString &path, int wanted, int found);
QString fieldTooLong(const QString &path, int field);       // field is 1-based
QString fileTooLarge(const QString &path, qint64 maxBytes); // a file read whole

// Why a write failed: "нет места на диске" and the like.
QString writeCause(int error);
QString writeFailed(const QString &path, int error);
QString alreadyThere(const QString &path); // without --force nothing is replaced
QString notWritableAsIs(const QString &roundName);
// Added to a failure when an old file could not be put back in its place.
QString oldFileKeptAs(const QString &path, const QString &keptAs);

} // namespace rounds::message
