#pragma once

#include "game/gamesnapshot.h"
#include "journal/journalfile.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <thread>

namespace journal {

// A game worth offering back: a pick or a point since its round was loaded,
// not over (a number left or a question on the board), changed less than
// twelve hours before now (or after it, by a clock set back by as much).
bool isInterrupted(const GameSnapshot &game, const QDateTime &now);

// The game kept on disk, in game.json in the state folder, so that it
// survives a close, a crash or a power cut.
//
// record() only hands the game to a writer thread, which writes the newest
// one it has (a burst of changes is one write): a temporary file, flushed to
// the disk and renamed over the journal, then the folder flushed. A crash at
// any instant leaves the previous record or the new one, whole.
//
// One program keeps the journal of a folder at a time (a lock file beside
// it); another program started meanwhile keeps none and says so in problem()
// until a change of its game finds the lock free, and from then on keeps
// it. A game the first program left unfinished stays on disk until the
// second records one with a pick or a round loaded.
class Journal : public QObject
{
    Q_OBJECT

public:
    // Makes the folder, takes its lock and reads the journal left by the last
    // run, all before returning. A journal that cannot be read as a game is
    // renamed to game.json.bad-<time> and reported in one line on stderr.
    explicit Journal(const QString &folder = stateFolder(), FaultHook fault = faultFromEnvironment(),
                     QObject *parent = nullptr);
    // Writes the newest game recorded, unless the disk is failing, then stops.
    ~Journal() override;

    // The game the last run left unfinished, while it is on offer. Nothing is
    // written while it is (a second crash keeps it), unless a game with a
    // pick or a round loaded is recorded, which ends the offer.
    std::optional<GameSnapshot> interruptedGame() const;
    // The host resumed the game or chose a new one.
    void endOffer();

    // Never waits for the disk. An invalid game.at is taken as now. While a
    // game is on offer, a game with no pick and no round only brings its
    // evening to the offered game's record.
    void record(const GameSnapshot &game);

    // The evening of the last run's record, interrupted game or not; empty
    // when there was none.
    Evening lastEvening() const;
    // An evening that has ended, kept as a table beside the journal
    // ("вечер-<date>.csv", the export's dialect); never waits for the disk.
    void keepEnded(const Evening &evening);

    // Why the game is not being kept, for the host (Russian, one line);
    // empty while it is. problemChanged() tells every change after the
    // constructor, on this object's thread.
    QString problem() const;

    QString path() const; // the journal file

    // Until every game recorded is on disk or has failed; false on timeout.
    // For tests, benchmarks and the program's end.
    bool waitForDisk(int timeoutMs);

signals:
    void problemChanged(const QString &problem);

private:
    struct Shared;

    void readLastRun();
    void writerLoop();
    Done writeOnce(const GameSnapshot &game);
    void pend(const GameSnapshot &game);
    void keepEvening(const Evening &evening);

    std::unique_ptr<Shared> m_shared;
    std::optional<GameSnapshot> m_offer;
    Evening m_lastEvening;
    std::thread m_writer;
};

} // namespace journal
