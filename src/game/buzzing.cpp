#include "game/buzzing.h"

#include <cstdlib>

void Buzzing::open()
{
    state = State::Open;
    winner = 0;
    lockedOut = 0;
    at = 0;
}

void Buzzing::close()
{
    state = State::Closed;
    winner = 0;
    lockedOut = 0;
}

void Buzzing::ignore(int team, qint64 pressAt, const QString &why)
{
    ignored.push_back({team, pressAt, why});
    if (ignored.size() > size_t(kIgnoredKept))
        ignored.erase(ignored.begin());
}

Buzzing::Press Buzzing::press(int team, qint64 pressAt)
{
    if (team != 1 && team != 2)
        return Press::Ignored;
    switch (state) {
    case State::Closed:
        ignore(team, pressAt, QStringLiteral("вопроса нет или время вышло"));
        return Press::Ignored;
    case State::Open:
        if (lockedOut & team) {
            ignore(team, pressAt, QStringLiteral("команда уже ответила"));
            return Press::Ignored;
        }
        state = State::Won;
        winner = team;
        at = pressAt;
        return Press::Won;
    case State::Won:
        if (team == winner)
            return Press::Ignored; // its own button again: it has the question already
        if (std::llabs(pressAt - at) <= kTieMs) {
            state = State::Tie;
            winner = 0;
            return Press::Tie;
        }
        if (pressAt < at && !(lockedOut & team)) {
            winner = team; // read later, pressed first
            at = pressAt;
            return Press::Earlier;
        }
        ignore(team, pressAt, QStringLiteral("позже другой команды"));
        return Press::Ignored;
    case State::Tie:
        return Press::Ignored;
    }
    return Press::Ignored;
}

bool Buzzing::reopen()
{
    if (state != State::Won && state != State::Tie)
        return false;
    if (state == State::Won)
        lockedOut |= winner;
    state = lockedOut == 3 ? State::Closed : State::Open;
    winner = 0;
    return true;
}

bool Buzzing::guardsRevealAt(qint64 now) const
{
    return (state == State::Won || state == State::Tie) && now >= at && now - at < kRevealGuardMs;
}
