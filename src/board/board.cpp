// Form1's game handlers: picking a number, the countdown, revealing the
// answer and giving points.

#include "board/numberforms.h"
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

namespace {

constexpr std::int16_t kStopTick = 5;
// The sound side arms each beat of a countdown ahead of its tick.
static_assert(kStopTick == SoundInterface::countdownBeats);

} // namespace

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

// The member of button N's one-member control array with the index the
// design gives it; the index passed with the click is not used. A member
// that does not carry that index is not hidden (the board goes on).
OptionButton *Form1::optionMember(int number, int index) const
{
    OptionButton *button = numberButton(number);
    return button->Index() == index ? button : nullptr;
}

void Form1::selectNumber(int number)
{
    // The new answer is held until "ОТВЕТ", even when the last one was
    // revealed and no point followed: hidden before it is set.
    Label7->setVisible(false);
    Label1->setText(rounds::questionText(m_questions[number]));
    Label7->setText(m_answers[number]);
    Option20->setChecked(true);
    OptionButton *picked = optionMember(number, design::numberButtons()[size_t(number - 1)]->index);
    // The focus goes to the neutral option, where no key gives a point or
    // types into the round name: a hidden number would pass it on to the
    // next control, "КОМАНДА 1" once the last row is gone.
    if (QWidget *focus = focusWidget(); focus == picked || focus == Text1)
        Option20->setFocus();
    if (picked)
        picked->setVisible(false);
    m_picked = true;
    m_questionNumber = number; // before the first beat records the game
    m_tickCounter = 0;
    m_sound->startCountdown();
    Timer1_Timer();
    m_pictures->questionPicked(number); // after the first beep, which it must not delay
}

void Form1::Timer1_Timer()
{
    // A pick restarts the interval, so the beats stay one second apart from
    // the click even when a countdown was already running.
    if (m_tickCounter == 0 || !Timer1->isActive())
        Timer1->start();

    const auto next = numberforms::checkedIncrement(m_tickCounter);
    if (!next) {
        // Cannot happen: every pick sets the counter to 0 and the countdown
        // stops at 5. Stop rather than wrap round.
        Timer1->stop();
        return;
    }
    m_tickCounter = *next;
    Label5->setText(numberforms::signPosition(m_tickCounter));
    m_sound->beep();

    if (m_tickCounter == kStopTick) {
        Timer1->stop();
        Label5->setText(QStringLiteral("STOP"));
        activateStopSound();
        Command3->setVisible(true);
    }
    emit gameChanged();
}

void Form1::activateStopSound()
{
    // A missing speaker must not end the game: the countdown still reaches
    // "ОТВЕТ". Say it once, not at every question.
    QString whyNot;
    if (m_sound->activateStopSound(whyNot)) {
        m_stopSoundFailureReported = false;
        return;
    }
    if (!m_stopSoundFailureReported) {
        std::fprintf(stderr, "kvizor: стоп-сигнал не прозвучал: %s\n", qUtf8Printable(whyNot));
        m_stopSoundFailureReported = true;
    }
}

void Form1::Command1_Click()
{
    awardPoint(Label2);
}

void Form1::Command2_Click()
{
    awardPoint(Label3);
}

void Form1::Command3_Click()
{
    Label7->setVisible(true);
    m_pictures->answerRevealed();
}

void Form1::awardPoint(QLabel *score)
{
    Label1->setText(QString());
    Label7->setText(QString());
    Label7->setVisible(false);
    m_questionNumber = 0;
    m_pictures->questionEnded();
    const double sum = numberforms::captionValue(score->text()) + 1.0;
    m_picked = true;
    if (std::isfinite(sum)) {
        m_givenPoints.push_back({score, score->text()});
        score->setText(numberforms::signPosition(sum));
    }
}

void Form1::takeBackPoint()
{
    if (m_givenPoints.empty())
        return;
    const GivenPoint last = m_givenPoints.back();
    m_givenPoints.pop_back();
    last.score->setText(last.before);
    emit gameChanged();
}
