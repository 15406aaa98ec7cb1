#pragma once

#include "game/evening.h"
#include "game/gamesnapshot.h"
#include "game/teamnames.h"
#include "rounds/fieldreader.h"
#include "rounds/roundfile.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// One game of the board, with no widget: the round's questions and answers,
// the numbers left, the question on the board and its answer, the countdown,
// both scores and the points Ctrl+Z can take back. Form1 is its view: the
// controls' events call it, the controls are drawn from it. Every change is
// told once, by changed().
class Game : public QObject
{
    Q_OBJECT

public:
    using Team = GameSnapshot::Team;

    // What a beat of the countdown sounds.
    enum class Beat {
        None, // the counter cannot count on: nothing sounds, the countdown stops
        Beep, // a beat
        Stop, // the fifth: its beep, then the stop sound, and "ОТВЕТ" offered
    };

    explicit Game(QObject *parent = nullptr);

    // --- What the host does -------------------------------------------------
    // A good load: the round's twelve questions and answers, every number
    // back, both scores "0", the question and the answer emptied. The
    // countdown, "ОТВЕТ" and whether the answer's place is shown stay.
    void loadRound(const QString &name, rounds::Round round);
    // A load that failed: only the message changes.
    void loadFailed(const QString &error);
    // Number N's question on the board, its answer held, the number off the
    // board and the tick counter at 0; the caller then ticks once.
    void pick(int number);
    // One run of the countdown: the counter counts one on.
    Beat tick();
    void revealAnswer();
    // A point for team: the question and the answer are emptied, and the
    // score counts one on unless it would no longer be a number.
    void awardPoint(Team team);
    // The last point given since the round was loaded; false if none.
    bool takeBackPoint();

    // A team's buzzer, pressed at `at` (milliseconds, the input side's one
    // clock). The first press while a question is on the board stops the
    // countdown and offers "ОТВЕТ"; see Buzzing for the rest.
    Buzzing::Press buzz(Team team, qint64 at);
    // The team that buzzed answered wrong: the other one may buzz.
    bool reopenBuzzing();
    const Buzzing &buzzing() const { return m_buzzing; }

    // The teams' names, from the names file or typed in the host view;
    // empty names show as designed.
    void setTeamNames(const teams::Names &names);
    const teams::Names &teamNames() const { return m_teamNames; }

    // The game as it is, to keep and to show; and a kept game put back,
    // stopped: a countdown cut short comes back at STOP with "ОТВЕТ". The
    // evening stays as it is; the resumed round's points go on into its row
    // when that row is still there.
    GameSnapshot snapshot() const;
    void restore(const GameSnapshot &game);

    // --- The evening ----------------------------------------------------------
    // The rounds with points so far and their totals. Every point and every
    // Ctrl+Z moves the loaded round's row; a load leaves the rows as they are.
    const Evening &evening() const { return m_evening; }
    // The evening kept from the last run, put back at start; one over twelve
    // hours old gives way to a new evening.
    void setEvening(const Evening &evening);
    // The host's corrections in the host view.
    bool deleteEveningRow(int index);
    bool correctEveningRow(int index, double points1, double points2);
    // A new evening with no rows; the round goes on.
    void beginEvening();
    // Where the evening's times come from (tests set a clock).
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // --- What the board shows -------------------------------------------------
    bool numberLeft(int number) const { return m_numbersLeft[size_t(number - 1)]; }
    int numbersLeftCount() const;
    const QString &question() const { return m_question; }
    int questionNumber() const { return m_questionNumber; }
    const QString &answer() const { return m_answer; }
    bool answerShown() const { return m_answerShown; }
    bool answerOffered() const { return m_answerOffered; }
    // The score in the sign-position form: " 3"; "0" as a load sets it.
    QString score(Team team) const;
    double scoreValue(Team team) const { return scoreOf(team).value; }
    // The countdown's display: empty, " 1" ... " 4", "STOP".
    QString countdown() const;
    bool counting() const { return m_counting; }
    std::int16_t tickCounter() const { return m_tickCounter; }
    const QString &round() const { return m_round; }
    const QString &loadError() const { return m_loadError; }
    // A pick or a point since the round was loaded.
    bool picked() const { return m_picked; }
    bool canTakeBack() const { return !m_givenPoints.empty(); }
    // The question array and the answer array, slots 1 to 12 (0 unused).
    const rounds::QuestionValue &questionSlot(int slot) const { return m_questions.at(size_t(slot)); }
    const QString &answerSlot(int slot) const { return m_answers.at(size_t(slot)); }

signals:
    void changed();

private:
    // A score's value and how it reads: "0" as a load writes it, the
    // sign-position form after a point, a kept game's caption as it was.
    struct Score
    {
        double value = 0;
        QString caption = QStringLiteral("0");
    };
    struct GivenPoint
    {
        Team team;
        Score before;
    };
    Score &scoreOf(Team team) { return team == Team::One ? m_score1 : m_score2; }
    const Score &scoreOf(Team team) const { return team == Team::One ? m_score1 : m_score2; }
    static Score fromCaption(const QString &caption);

    std::array<rounds::QuestionValue, 13> m_questions{};
    std::array<QString, 13> m_answers{};
    std::int16_t m_tickCounter = 0;
    std::array<bool, 12> m_numbersLeft;
    QString m_question;
    int m_questionNumber = 0;
    QString m_answer;
    bool m_answerShown = false;
    bool m_answerOffered = false;
    bool m_counting = false;
    Score m_score1, m_score2;
    std::vector<GivenPoint> m_givenPoints;
    QString m_round;
    QString m_loadError;
    teams::Names m_teamNames;
    bool m_picked = false;
    Evening m_evening;
    Buzzing m_buzzing;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTimeUtc(); };

    // The round's scores into the evening, after a point or a Ctrl+Z.
    void followScores();
};
