#pragma once

#include "game/gamesnapshot.h"

#include <QObject>
#include <QString>

#include <optional>

class Form1;
class HostConsole;
namespace journal {
class Journal;
}

// Keeps the game on disk after every change the host sees, and offers back a
// game that a close, a crash or a flat battery interrupted: a notice in the
// board's free corner and a button in the host view until the host resumes it
// (Ctrl+R) or starts a new game (edits the round name or picks a number).
class GameKeeper : public QObject
{
    Q_OBJECT

public:
    // Neither is owned; both must outlive the keeper.
    GameKeeper(Form1 *form, HostConsole *console, journal::Journal *journal);

    bool offers() const;
    // Puts the interrupted game back, silent and stopped; nothing if none.
    void resume();

private:
    void record();
    void endOffer();
    void tellConsole();
    QString offerText(const GameSnapshot &game) const;

    // The evening of the last record: one that gave way to a new one is
    // kept beside the journal.
    Evening m_evening;
    Form1 *m_form;
    HostConsole *m_console;
    journal::Journal *m_journal;
    QString m_roundNote;
    bool m_offerShown = false; // the board's notice of the journal's offer
};
