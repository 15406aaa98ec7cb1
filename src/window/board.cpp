// Form1's game handlers: picking a number, the countdown, revealing the
// answer and giving points. Each asks the game and sounds what it says; the
// controls follow the game (Form1::showGame).

#include "game/game.h"
#include "sound/soundinterface.h"
#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <cstdio>

void Form1::Form_Load()
{
    Option20->setChecked(true);
}

// clang-format off
void Form1::Option1_Click(int) { selectNumber(1); }
void Form1::Option2_Click(int) { selectNumber(2); }
void Form1::Option3_Click(int) { selectNumber(3); }
void Form1::Option4_Click(int) { selectNumber(4); }
void Form1::Option5_Click(int) { selectNumber(5); }
void Form1::Option6_Click(int) { selectNumber(6); }
void Form1::Option7_Click(int) { selectNumber(7); }
void Form1::Option8_Click(int) { selectNumber(8); }
void Form1::Option9_Click(int) { selectNumber(9); }
void Form1::Option10_Click(int) { selectNumber(10); }
void Form1::Option11_Click(int) { selectNumber(11); }
void Form1::Option12_Click(int) { selectNumber(12); }
// clang-format on

void Form1::selectNumber(int number)
{
    Option20->setChecked(true);
    // The focus goes to the neutral option, where no key gives a point or
    // types into the round name: a hidden number would pass it on to the
    // next control, "КОМАНДА 1" once the last row is gone.
    if (focusWidget() == numberButton(number))
        Option20->setFocus();
    leaveTheRoundBox();
    m_game->pick(number); // the number's question before the first beat records the game
    m_sound->startCountdown();
    Timer1_Timer();
    m_pictures->questionPicked(number); // after the first beep, which it must not delay
}

void Form1::Timer1_Timer()
{
    // A pick restarts the interval, so the beats stay one second apart from
    // the click even when a countdown was already running.
    if (m_game->tickCounter() == 0 || !Timer1->isActive())
        Timer1->start();

    const Game::Beat beat = m_game->tick();
    if (beat == Game::Beat::None) {
        Timer1->stop();
        return;
    }
    m_sound->beep();
    if (beat == Game::Beat::Stop) {
        Timer1->stop();
        activateStopSound();
    }
    emit gameChanged();
}

void Form1::activateStopSound()
{
    // A missing speaker must not end the game: the countdown still reaches
    // "ОТВЕТ". Say it once, not at every question.
    const Done started = m_sound->activateStopSound();
    if (started) {
        m_stopSoundFailureReported = false;
        return;
    }
    if (!m_stopSoundFailureReported) {
        std::fprintf(stderr, "kvizor: стоп-сигнал не прозвучал: %s\n", qUtf8Printable(started.error));
        m_stopSoundFailureReported = true;
    }
}

void Form1::buzz(int team, qint64 at)
{
    const Buzzing::Press press = m_game->buzz(team == 1 ? Game::Team::One : Game::Team::Two, at);
    if (press == Buzzing::Press::Ignored)
        return;
    Timer1->stop(); // no beat after a buzz
    if (press != Buzzing::Press::Tie)
        m_sound->buzz(m_game->buzzing().winner);
    emit gameChanged();
}

void Form1::reopenBuzzing()
{
    if (m_game->reopenBuzzing())
        emit gameChanged();
}

void Form1::Command1_Click()
{
    awardPoint(Game::Team::One);
}

void Form1::Command2_Click()
{
    awardPoint(Game::Team::Two);
}

void Form1::Command3_Click()
{
    m_game->revealAnswer();
    m_pictures->answerRevealed();
}

void Form1::awardPoint(Game::Team team)
{
    m_game->awardPoint(team);
    m_pictures->questionEnded();
}

void Form1::takeBackPoint()
{
    if (m_game->takeBackPoint())
        emit gameChanged();
}
