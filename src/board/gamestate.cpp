// The game read from Form1's controls, for the host view and the journal.

#include "window/form1.h"
#include "window/optionbutton.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

GameSnapshot Form1::snapshot() const
{
    GameSnapshot game;
    game.round = m_loadedRound;
    game.loadError = LoadError->text();
    for (int number = 1; number <= 12; ++number) {
        const size_t i = size_t(number - 1);
        game.questions[i] = m_questions[size_t(number)];
        game.answers[i] = m_answers[size_t(number)];
        game.numbersLeft[i] = !numberButton(number)->isHidden();
    }
    game.score1 = Label2->text();
    game.score2 = Label3->text();
    game.question = Label1->text();
    game.answer = Label7->text();
    game.answerShown = !Label7->isHidden();
    game.answerOffered = !Command3->isHidden();
    game.countdown = Label5->text();
    game.counting = Timer1->isActive();
    game.picked = m_picked;
    for (const GivenPoint &point : m_givenPoints)
        game.givenPoints.push_back(
            {point.score == Label2 ? GameSnapshot::Team::One : GameSnapshot::Team::Two, point.before});
    game.at = QDateTime::currentDateTimeUtc();
    return game;
}
