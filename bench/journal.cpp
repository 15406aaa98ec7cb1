// What the journal costs: the event thread's cost of one record() (median,
// 99th percentile and worst), while the writer is idle and while it is busy
// with a burst, and the writer's time from record() to the game being on
// the disk (file and folder flushed).
//
//   kvizor_bench_journal [FOLDER] [COUNT]
//
// FOLDER defaults to a temporary folder; give one on a USB stick or a
// network home to measure there.

#include "journal/journal.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A game as big as a usual round makes it: twelve questions of a line or two.
GameSnapshot game(int k)
{
    GameSnapshot g;
    g.round = QStringLiteral("тур 7");
    for (int i = 0; i < 12; ++i) {
        g.questions[size_t(i)] =
            QStringLiteral("Какой город называют Северной столицей? Вопрос %1").arg(i + 1);
        g.answers[size_t(i)] = QStringLiteral("Санкт-Петербург %1").arg(i + 1);
        g.numbersLeft[size_t(i)] = i >= k % 12;
    }
    g.score1 = QString::number(k);
    g.score2 = QString::number(k / 2);
    g.question = QStringLiteral("Какой город называют Северной столицей?");
    g.answer = QStringLiteral("Санкт-Петербург");
    g.countdown = QString::number(k % 10);
    g.picked = true;
    g.givenPoints.assign(size_t(k % 20), {GameSnapshot::Team::One, QStringLiteral("3")});
    g.at = QDateTime::currentDateTimeUtc();
    return g;
}

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void report(const char *what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-44s n=%5zu  median %9.1f us  p99 %9.1f us  worst %9.1f us\n", what, v.size(),
                v[v.size() / 2], v[v.size() * 99 / 100], v.back());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const int count = argc > 2 ? std::atoi(argv[2]) : 500;
    journal::Journal journal(folder, {});

    std::vector<double> idle, busy, durable;
    for (int k = 0; k < count; ++k) {
        const GameSnapshot g = game(k); // made before the clock starts, as the window has it ready
        const auto start = Clock::now();
        journal.record(g);
        const auto recorded = Clock::now();
        journal.waitForDisk(60000);
        idle.push_back(micros(recorded - start));
        durable.push_back(micros(Clock::now() - start));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // A burst: the writer is busy with the first while the rest come.
    for (int k = 0; k < count; ++k) {
        const GameSnapshot g = game(k);
        const auto start = Clock::now();
        journal.record(g);
        busy.push_back(micros(Clock::now() - start));
        if (k % 10 == 9)
            journal.waitForDisk(60000);
    }
    journal.waitForDisk(60000);
    std::printf("journal in %s, problem: \"%s\"\n", qUtf8Printable(folder),
                qUtf8Printable(journal.problem()));
    report("record(), writer idle (event thread)", idle);
    report("record(), writer busy (event thread)", busy);
    report("record() to on disk (writer)", durable);
    return journal.problem().isEmpty() ? 0 : 1;
}
