#pragma once

#include <QString>

#include <vector>

// Which team pressed its buzzer first, for the question on the board. Pure:
// presses come in with their devices' own times (milliseconds on one clock,
// which the input side maps them to), not in the order they were read.
struct Buzzing
{
    // Presses of the two teams this close are a tie.
    static constexpr qint64 kTieMs = 2;
    // So long after a buzz, the keys that reveal the answer do not.
    static constexpr qint64 kRevealGuardMs = 500;
    // The host view lists so many presses that changed nothing.
    static constexpr int kIgnoredKept = 20;

    enum class State {
        Closed, // no question, or time is up, or a point was given
        Open,   // a question is on the board: the first press wins
        Won,    // a team pressed first
        Tie,    // both teams within kTieMs: the host decides
    };
    // What a press did.
    enum class Press {
        Ignored, // changed nothing
        Won,     // the first press
        Tie,     // the other team, within kTieMs of the first
        Earlier, // the other team, pressed earlier than the first but read later
    };
    struct Ignored
    {
        int team = 0;
        qint64 at = 0;
        QString why; // for the host view, Russian
        bool operator==(const Ignored &o) const { return team == o.team && at == o.at && why == o.why; }
    };

    State state = State::Closed;
    int winner = 0;    // 1 or 2 when Won; 0 otherwise
    int lockedOut = 0; // bits 1 and 2: the teams whose answer was wrong, until the next question
    qint64 at = 0;     // the winning press
    std::vector<Ignored> ignored;

    // Team 1 or 2 marked on the board: the winner, or both at a tie.
    bool marks(int team) const { return state == State::Tie || (state == State::Won && winner == team); }

    // A question was picked: open for both teams.
    void open();
    // Time is up, a point was given or a round loaded.
    void close();
    Press press(int team, qint64 at);
    // The winner's answer was wrong: open again for the other team only,
    // or closed when both have answered. False when nobody buzzed.
    bool reopen();
    // Whether "ОТВЕТ" is held back at now, just after a buzz.
    bool guardsRevealAt(qint64 now) const;

    bool operator==(const Buzzing &o) const
    {
        return state == o.state && winner == o.winner && lockedOut == o.lockedOut && at == o.at &&
               ignored == o.ignored;
    }

private:
    void ignore(int team, qint64 at, const QString &why);
};
