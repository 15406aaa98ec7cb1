#include "game/game.h"

#include "game/numberforms.h"
#include "rounds/questionvalue.h"
#include "sound/soundinterface.h"

#include <cmath>
#include <utility>

namespace {

constexpr std::int16_t kStopTick = 5;
// The sound side arms each beat of a countdown ahead of its tick.
static_assert(kStopTick == SoundInterface::countdownBeats);

} // namespace

Game::Game(QObject *parent) : QObject(parent)
{
    m_numbersLeft.fill(true); // the board as designed shows all twelve
}

void Game::loadRound(const QString &name, rounds::Round round)
{
    for (int k = 1; k <= rounds::kFieldCount; ++k) {
        m_questions[size_t(k)] = std::move(round.questions[size_t(k - 1)]);
        m_answers[size_t(k)] = std::move(round.answers[size_t(k - 1)]);
    }
    m_numbersLeft.fill(true);
    m_score1 = m_score2 = Score{};
    m_question.clear();
    m_answer.clear();
    m_givenPoints.clear();
    m_round = name;
    m_picked = false;
    m_questionNumber = 0;
    m_loadError.clear();
    m_evening.roundLoaded();
    m_buzzing.close();
    emit changed();
}

void Game::loadFailed(const QString &error)
{
    m_loadError = error;
    emit changed();
}

void Game::pick(int number)
{
    // The new answer is held until "ОТВЕТ", even when the last one was
    // revealed and no point followed.
    m_answerShown = false;
    m_question = rounds::questionText(m_questions[size_t(number)]);
    m_answer = m_answers[size_t(number)];
    m_numbersLeft[size_t(number - 1)] = false;
    m_picked = true;
    m_questionNumber = number;
    m_tickCounter = 0;
    m_buzzing.open();
    emit changed();
}

Game::Beat Game::tick()
{
    if (m_buzzing.state == Buzzing::State::Won || m_buzzing.state == Buzzing::State::Tie) {
        m_counting = false; // a team buzzed: the countdown is over
        return Beat::None;
    }
    const auto next = numberforms::checkedIncrement(m_tickCounter);
    if (!next) {
        // Cannot happen: every pick sets the counter to 0 and the countdown
        // stops at 5. Stop rather than wrap round.
        m_counting = false;
        return Beat::None;
    }
    m_tickCounter = *next;
    m_counting = m_tickCounter != kStopTick;
    if (m_tickCounter == kStopTick) {
        m_answerOffered = true;
        if (m_buzzing.state == Buzzing::State::Open)
            m_buzzing.close(); // time is up
    }
    emit changed();
    return m_counting ? Beat::Beep : Beat::Stop;
}

void Game::revealAnswer()
{
    m_answerShown = true;
    emit changed();
}

void Game::awardPoint(Team team)
{
    m_question.clear();
    m_answer.clear();
    m_answerShown = false;
    m_questionNumber = 0;
    m_picked = true;
    m_buzzing.close();
    Score &score = scoreOf(team);
    const double sum = score.value + 1.0;
    if (std::isfinite(sum)) {
        m_givenPoints.push_back({team, score});
        score = {sum, numberforms::signPosition(sum)};
    }
    followScores();
    emit changed();
}

bool Game::takeBackPoint()
{
    if (m_givenPoints.empty())
        return false;
    const GivenPoint last = m_givenPoints.back();
    m_givenPoints.pop_back();
    scoreOf(last.team) = last.before;
    followScores();
    emit changed();
    return true;
}

Buzzing::Press Game::buzz(Team team, qint64 at)
{
    const std::vector<Buzzing::Ignored> ignoredBefore = m_buzzing.ignored;
    const Buzzing::Press press = m_buzzing.press(int(team), at);
    if (press != Buzzing::Press::Ignored) {
        m_counting = false; // no beat after a buzz
        m_answerOffered = true;
        m_picked = true;
    } else if (m_buzzing.ignored == ignoredBefore) {
        return press; // the winner's button again: nothing to tell
    }
    emit changed();
    return press;
}

bool Game::reopenBuzzing()
{
    if (!m_buzzing.reopen())
        return false;
    emit changed();
    return true;
}

void Game::setTeamNames(const teams::Names &names)
{
    const teams::Names clean{teams::cleanName(names.first), teams::cleanName(names.second)};
    if (clean == m_teamNames)
        return;
    m_teamNames = clean;
    m_evening.names = clean;
    emit changed();
}

int Game::numbersLeftCount() const
{
    int n = 0;
    for (bool left : m_numbersLeft)
        n += left ? 1 : 0;
    return n;
}

Game::Score Game::fromCaption(const QString &caption)
{
    return {numberforms::captionValue(caption), caption};
}

QString Game::score(Team team) const
{
    return scoreOf(team).caption;
}

QString Game::countdown() const
{
    if (m_tickCounter == 0)
        return QString();
    if (m_tickCounter >= kStopTick)
        return QStringLiteral("STOP");
    return numberforms::signPosition(m_tickCounter);
}

GameSnapshot Game::snapshot() const
{
    GameSnapshot game;
    game.round = m_round;
    game.loadError = m_loadError;
    for (int number = 1; number <= 12; ++number) {
        const size_t i = size_t(number - 1);
        game.questions[i] = m_questions[size_t(number)];
        game.answers[i] = m_answers[size_t(number)];
        game.numbersLeft[i] = m_numbersLeft[i];
    }
    game.score1 = score(Team::One);
    game.score2 = score(Team::Two);
    game.question = m_question;
    game.questionNumber = m_questionNumber;
    game.answer = m_answer;
    game.answerShown = m_answerShown;
    game.answerOffered = m_answerOffered;
    game.countdown = countdown();
    game.counting = m_counting;
    game.picked = m_picked;
    for (const GivenPoint &point : m_givenPoints)
        game.givenPoints.push_back({point.team, point.before.caption});
    game.at = QDateTime::currentDateTimeUtc();
    game.evening = m_evening;
    game.buzzing = m_buzzing;
    return game;
}

void Game::restore(const GameSnapshot &game)
{
    m_round = game.round;
    m_loadError = game.loadError;
    for (int number = 1; number <= 12; ++number) {
        const size_t i = size_t(number - 1);
        m_questions[size_t(number)] = game.questions[i];
        m_answers[size_t(number)] = game.answers[i];
        m_numbersLeft[i] = game.numbersLeft[i];
    }
    m_score1 = fromCaption(game.score1);
    m_score2 = fromCaption(game.score2);
    m_question = game.question;
    m_questionNumber = game.questionNumber;
    m_answer = game.answer;
    m_answerShown = game.answerShown;
    // A countdown cut short by the crash is over: STOP, and "ОТВЕТ" offered.
    // A countdown a buzz stopped stays where it was.
    const bool stopped = game.counting || game.countdown == QLatin1String("STOP");
    const int shown = game.countdown.trimmed().toInt();
    m_tickCounter = stopped ? kStopTick : std::int16_t(shown > 0 && shown < kStopTick ? shown : 0);
    m_counting = false;
    m_answerOffered = game.answerOffered || game.counting;
    m_givenPoints.clear();
    for (const GameSnapshot::GivenPoint &point : game.givenPoints)
        m_givenPoints.push_back({point.team, fromCaption(point.before)});
    m_picked = game.picked;
    m_buzzing = game.buzzing;
    // The round's row, when the evening is the one it was played in.
    const Evening &kept = game.evening;
    const int row = kept.current;
    const bool sameRow = kept.began == m_evening.began && row >= 0 && row < int(m_evening.rows.size()) &&
                         row < int(kept.rows.size()) &&
                         m_evening.rows[size_t(row)].round == kept.rows[size_t(row)].round;
    m_evening.current = sameRow ? row : -1;
    m_evening.seen1 = m_score1.value;
    m_evening.seen2 = m_score2.value;
    emit changed();
}

void Game::followScores()
{
    const QDateTime now = m_now();
    if (m_evening.staleAt(now)) {
        Evening next;
        next.names = m_evening.names;
        m_evening = next;
    }
    m_evening.follow(m_round, m_score1.value, m_score2.value, now);
}

void Game::setEvening(const Evening &evening)
{
    m_evening = evening;
    m_evening.current = -1;
    m_evening.seen1 = m_score1.value;
    m_evening.seen2 = m_score2.value;
    if (m_evening.staleAt(m_now()))
        m_evening = Evening{};
    // Names typed in the last run come back with its evening; a names
    // file read at start is the host's choice for tonight.
    if (m_teamNames.isEmpty())
        m_teamNames = m_evening.names;
    else
        m_evening.names = m_teamNames;
    emit changed();
}

bool Game::deleteEveningRow(int index)
{
    if (!m_evening.deleteRow(index))
        return false;
    m_evening.changed = m_now();
    emit changed();
    return true;
}

bool Game::correctEveningRow(int index, double points1, double points2)
{
    if (!m_evening.correctRow(index, points1, points2, m_now()))
        return false;
    emit changed();
    return true;
}

void Game::beginEvening()
{
    Evening next;
    next.names = m_teamNames;
    next.seen1 = m_score1.value;
    next.seen2 = m_score2.value;
    m_evening = next;
    emit changed();
}
