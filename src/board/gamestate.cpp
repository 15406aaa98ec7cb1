// The game read from Form1's controls, for the host view and the journal.

#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
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
    game.questionNumber = m_questionNumber;
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

void Form1::restore(const GameSnapshot &game)
{
    Timer1->stop();
    {
        const QSignalBlocker quiet(Text1); // the name back in the box, no load
        Text1->setText(game.round);
    }
    m_loadedRound = game.round;
    for (int number = 1; number <= 12; ++number) {
        const size_t i = size_t(number - 1);
        m_questions[size_t(number)] = game.questions[i];
        m_answers[size_t(number)] = game.answers[i];
        numberButton(number)->setVisible(game.numbersLeft[i]);
    }
    Option20->setChecked(true);
    Label2->setText(game.score1);
    Label3->setText(game.score2);
    Label1->setText(game.question);
    Label7->setText(game.answer);
    Label7->setVisible(game.answerShown);
    // A countdown cut short by the crash is over: STOP, and "ОТВЕТ" offered.
    const bool stopped = game.counting || game.countdown == QLatin1String("STOP");
    Label5->setText(stopped ? QStringLiteral("STOP") : game.countdown);
    m_tickCounter = stopped ? 5 : 0;
    Command3->setVisible(game.answerOffered || game.counting);
    m_givenPoints.clear();
    for (const GameSnapshot::GivenPoint &point : game.givenPoints)
        m_givenPoints.push_back({point.team == GameSnapshot::Team::One ? Label2 : Label3, point.before});
    m_picked = game.picked;
    // Mid-game, as after a pick: a clicker's B must not type in the box.
    if (Text1->hasFocus())
        Option20->setFocus();
    LoadError->setText(game.loadError);
    LoadError->setToolTip(game.loadError);
    // The pictures as the round's load and the game's steps would show them.
    m_questionNumber = game.questionNumber;
    m_pictures->roundLoaded(game.round);
    if (m_questionNumber != 0) {
        m_pictures->questionPicked(m_questionNumber);
        if (game.answerShown)
            m_pictures->answerRevealed();
    }
    emit gameChanged();
}
