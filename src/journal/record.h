#pragma once

#include "base/outcome.h"
#include "game/gamesnapshot.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The journal's record: one game as a small JSON document. Pure: bytes in,
// bytes out.
namespace journal {

constexpr int kFormatVersion = 1;
// No record the window can make comes near this: twelve questions and twelve
// answers of the longest field a round file may hold, escaped, fit in it.
constexpr qint64 kMaxRecordBytes = 16 * 1024 * 1024;
constexpr int kMaxLongText = 64 * 1024; // a question, an answer, the round name, a message
constexpr int kMaxShortText = 64;       // a score, the countdown
constexpr int kMaxGivenPoints = 10000;  // points Ctrl+Z can take back
constexpr int kMaxEveningRows = 1000;   // rounds in one evening

QByteArray encodeRecord(const GameSnapshot &snapshot);

// The game a record holds, or why there is none (Russian, for stderr).
using ParsedRecord = Outcome<GameSnapshot>;
ParsedRecord parseRecord(const QByteArray &bytes);

// Whether a snapshot can be read back from its record; why not (a text too
// long, too many points, no time) when it cannot.
Done checkRecord(const GameSnapshot &snapshot);

} // namespace journal
