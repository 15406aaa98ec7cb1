#pragma once

#include "game/buzzing.h"
#include "game/evening.h"
#include "rounds/fieldreader.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <vector>

// One game as the host and the room see it: a copy of Game's state after
// every change. The host view is drawn from it and the journal keeps it on
// disk; nothing else holds a copy of the game.
struct GameSnapshot
{
    enum class Team { One = 1, Two = 2 };

    // A point that Ctrl+Z can take back: which team's score, and its
    // caption before the point.
    struct GivenPoint
    {
        Team team = Team::One;
        QString before;
        bool operator==(const GivenPoint &o) const { return team == o.team && before == o.before; }
    };

    QString round;     // the round loaded, as it was named; empty before any
    QString loadError; // the last load's message; empty after a good load
    // The question array and the answer array as loaded (slots 1 to 12).
    std::array<rounds::QuestionValue, 12> questions{};
    std::array<QString, 12> answers{};
    std::array<bool, 12> numbersLeft{}; // number N still on the board
    QString score1;                     // the captions of the two scores
    QString score2;
    QString question;           // on the board (Label1)
    int questionNumber = 0;     // whose question that is, 1 ... 12; 0 when none
    QString answer;             // held or shown (Label7)
    bool answerShown = false;   // the room sees the answer
    bool answerOffered = false; // "ОТВЕТ" is shown
    QString countdown;          // Label5
    bool counting = false;      // Timer1 runs
    bool picked = false;        // a pick or a point since the round was loaded
    std::vector<GivenPoint> givenPoints;
    QDateTime at;    // when the game was last changed
    Buzzing buzzing; // which team buzzed first; its list of presses ignored is not kept
    // The evening this round is a part of: kept with the game, but not a
    // part of it (sameGame() leaves it out).
    Evening evening;

    int numbersLeftCount() const
    {
        int n = 0;
        for (bool left : numbersLeft)
            n += left ? 1 : 0;
        return n;
    }

    // Equal as a game: the time aside.
    bool sameGame(const GameSnapshot &o) const
    {
        return round == o.round && loadError == o.loadError && questions == o.questions &&
               answers == o.answers && numbersLeft == o.numbersLeft && score1 == o.score1 &&
               score2 == o.score2 && question == o.question && questionNumber == o.questionNumber &&
               answer == o.answer && answerShown == o.answerShown && answerOffered == o.answerOffered &&
               countdown == o.countdown && counting == o.counting && picked == o.picked &&
               givenPoints == o.givenPoints && buzzing.state == o.buzzing.state &&
               buzzing.winner == o.buzzing.winner && buzzing.lockedOut == o.buzzing.lockedOut &&
               buzzing.at == o.buzzing.at;
    }
};
