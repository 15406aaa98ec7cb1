// The game's rules without a window: what a pick, the beats, "ОТВЕТ", a
// point, Ctrl+Z, a load and a kept game do to what the host and the room see.

#include "game/game.h"
#include "game/teamnames.h"
#include "support/testfiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Team = Game::Team;

namespace {

rounds::Round numberedRound(const QString &prefix = QStringLiteral(""))
{
    rounds::Round round;
    for (int k = 0; k < 12; ++k) {
        round.questions[size_t(k)] = prefix + QStringLiteral("Вопрос %1").arg(k + 1);
        round.answers[size_t(k)] = prefix + QStringLiteral("Ответ %1").arg(k + 1);
    }
    return round;
}

// A loaded game with number n picked and its countdown run to STOP.
void pickToStop(Game &game, int number)
{
    game.pick(number);
    for (int beat = 0; beat < 5; ++beat)
        game.tick();
}

} // namespace

class TestGame : public QObject
{
    Q_OBJECT

private slots:
    void aQuestionFromPickToPoint()
    {
        Game game;
        QSignalSpy changes(&game, &Game::changed);
        game.loadRound(QStringLiteral("7"), numberedRound());
        game.pick(3);
        QCOMPARE(game.question(), QStringLiteral("Вопрос 3"));
        QCOMPARE(game.answer(), QStringLiteral("Ответ 3"));
        QVERIFY(!game.answerShown());
        QVERIFY(!game.numberLeft(3));
        QCOMPARE(game.numbersLeftCount(), 11);

        QList<Game::Beat> beats;
        for (int i = 0; i < 5; ++i) {
            beats << game.tick();
            if (i == 0)
                QCOMPARE(game.countdown(), QStringLiteral(" 1"));
            if (i < 4)
                QVERIFY(!game.answerOffered());
        }
        QCOMPARE(beats, (QList<Game::Beat>{Game::Beat::Beep, Game::Beat::Beep, Game::Beat::Beep,
                                           Game::Beat::Beep, Game::Beat::Stop}));
        QCOMPARE(game.countdown(), QStringLiteral("STOP"));
        QVERIFY(!game.counting());
        QVERIFY(game.answerOffered());

        game.revealAnswer();
        QVERIFY(game.answerShown());
        game.awardPoint(Team::Two);
        QCOMPARE(game.score(Team::Two), QStringLiteral(" 1"));
        QCOMPARE(game.score(Team::One), QStringLiteral("0"));
        QVERIFY(game.question().isEmpty());
        QVERIFY(game.answer().isEmpty());
        QVERIFY(!game.answerShown());
        QVERIFY(game.answerOffered()); // "ОТВЕТ" stays after the first STOP
        QVERIFY(changes.count() >= 9);
    }

    void aPickDuringACountdownStartsItAgain()
    {
        Game game;
        game.loadRound(QStringLiteral("7"), numberedRound());
        game.pick(1);
        game.tick();
        game.tick();
        game.pick(2);
        QCOMPARE(game.tickCounter(), std::int16_t(0));
        QCOMPARE(game.tick(), Game::Beat::Beep);
        QCOMPARE(game.countdown(), QStringLiteral(" 1"));
        QCOMPARE(game.question(), QStringLiteral("Вопрос 2"));
    }

    // The score counts on from what it reads, whatever a kept game's
    // caption says, and stays where a point would no longer be a number.
    void scores_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("start of round") << "0"
                                        << " 1";
        QTest::newRow("nine") << " 9"
                              << " 10";
        QTest::newRow("empty") << ""
                               << " 1";
        QTest::newRow("not a number") << "ноль"
                                      << " 1";
        QTest::newRow("fraction") << "2.5"
                                  << " 3.5";
    }
    void scores()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        Game game;
        GameSnapshot kept = game.snapshot();
        kept.score1 = kept.score2 = before;
        game.restore(kept);
        QCOMPARE(game.score(Team::One), before);
        game.awardPoint(Team::One);
        QCOMPARE(game.score(Team::One), after);
        QCOMPARE(game.score(Team::Two), before);
        game.awardPoint(Team::Two);
        QCOMPARE(game.score(Team::Two), after);
        // Ctrl+Z gives back the caption as it read.
        QVERIFY(game.takeBackPoint());
        QVERIFY(game.takeBackPoint());
        QCOMPARE(game.score(Team::One), before);
        QCOMPARE(game.score(Team::Two), before);
        QVERIFY(!game.takeBackPoint());
    }

    void aLoadStartsTheRoundAndKeepsTheRest()
    {
        Game game;
        game.loadRound(QStringLiteral("7"), numberedRound());
        pickToStop(game, 5);
        game.revealAnswer();
        game.loadRound(QStringLiteral("8"), numberedRound(QStringLiteral("8: ")));
        QCOMPARE(game.numbersLeftCount(), 12);
        QCOMPARE(game.score(Team::One), QStringLiteral("0"));
        QVERIFY(game.question().isEmpty());
        QVERIFY(game.answer().isEmpty());
        QVERIFY(!game.canTakeBack());
        QVERIFY(!game.picked());
        // Untouched by a load: the answer's place, "ОТВЕТ" and the countdown.
        QVERIFY(game.answerShown());
        QVERIFY(game.answerOffered());
        QCOMPARE(game.countdown(), QStringLiteral("STOP"));

        game.loadFailed(QStringLiteral("нет файла 9.txt"));
        QCOMPARE(game.round(), QStringLiteral("8"));
        QCOMPARE(game.questionSlot(1), rounds::QuestionValue(QStringLiteral("8: Вопрос 1")));
        QCOMPARE(game.loadError(), QStringLiteral("нет файла 9.txt"));
    }

    void aKeptGameComesBackStopped_data()
    {
        QTest::addColumn<int>("beats");
        QTest::addColumn<QString>("countdown");
        QTest::addColumn<bool>("offered");
        QTest::newRow("mid-countdown") << 2 << "STOP" << true;
        QTest::newRow("at STOP") << 5 << "STOP" << true;
        QTest::newRow("before any pick") << 0 << "" << false;
    }
    void aKeptGameComesBackStopped()
    {
        QFETCH(int, beats);
        Game game;
        game.loadRound(QStringLiteral("7"), numberedRound());
        if (beats > 0) {
            game.pick(4);
            for (int i = 0; i < beats; ++i)
                game.tick();
        }
        game.awardPoint(Team::One);
        const GameSnapshot kept = game.snapshot();

        Game back;
        back.restore(kept);
        QTEST(back.countdown(), "countdown");
        QTEST(back.answerOffered(), "offered");
        QVERIFY(!back.counting());
        QCOMPARE(back.score(Team::One), QStringLiteral(" 1"));
        QCOMPARE(back.numbersLeftCount(), kept.numbersLeftCount());
        // The same game, a countdown cut short aside.
        if (beats == 0 || beats == 5)
            QVERIFY(back.snapshot().sameGame(kept));
        QVERIFY(back.takeBackPoint());
        QCOMPARE(back.score(Team::One), QStringLiteral("0"));
    }
};

class TestTeamNames : public QObject
{
    Q_OBJECT

private slots:
    // The names file is written as a round file is.
    void theNamesFileReadsAsARoundFileDoes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        const QByteArray cp1251("\xd1\xee\xe2\xfb\r\n\xc5\xe6\xe8\xea\xe8\r\n"); // Совы, Ежики
        QTest::newRow("Windows-1251, CR LF") << cp1251 << "Совы"
                                             << "Ежики";
        QTest::newRow("UTF-8 with a mark")
            << QByteArray("\xef\xbb\xbf") + QString("Совы\nЁжики\n").toUtf8() << "Совы"
            << "Ёжики";
        QTest::newRow("blanks and a tab") << QString("  Совы \t и  ёжики \r\n\r\n").toUtf8() << "Совы и ёжики"
                                          << "";
        QTest::newRow("one line, no end") << QByteArray("Team A") << "Team A"
                                          << "";
        QTest::newRow("an empty first line") << QByteArray("\r\nB") << ""
                                             << "B";
        QTest::newRow("cut at a word's end")
            << QString("Очень длинное название команды из далёкого города\nБ").toUtf8()
            << "Очень длинное название команды из"
            << "Б";
        QTest::newRow("a control character") << QByteArray("A\x1b[2JB\nC") << "A [2JB"
                                             << "C";
    }
    void theNamesFileReadsAsARoundFileDoes()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(teams::kFileName);
        QVERIFY(writeFile(path, bytes));
        const teams::NamesRead read = teams::readNames(path);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QTEST(read.names.first, "first");
        QTEST(read.names.second, "second");
        QVERIFY(read.names.first.size() <= teams::kMaxNameLength);
    }

    void noFileIsNoNamesAndABadOneSaysWhy()
    {
        QTemporaryDir dir;
        const teams::NamesRead none = teams::readNames(dir.filePath(teams::kFileName));
        QVERIFY(none.names.isEmpty());
        QVERIFY(none.error.isEmpty());

        QVERIFY(QDir(dir.path()).mkdir(teams::kFileName)); // a folder of that name
        const teams::NamesRead folder = teams::readNames(dir.filePath(teams::kFileName));
        QVERIFY(folder.names.isEmpty());
        QVERIFY(folder.error.contains(teams::kFileName));
    }
};

// The evening across rounds: what points, Ctrl+Z, loads and the host's
// corrections leave in its rows.
class TestEvening : public QObject
{
    Q_OBJECT

    // Runs the host's steps, separated by ";": "load A", "fail" (a load that
    // failed), "1" or "2" (a point), "z" (Ctrl+Z), "del N", "fix N a b",
    // "new" (a new evening), "wait H" (hours pass).
    static void play(Game &game, const QString &steps, QDateTime &now)
    {
        for (const QString &step : steps.split(u';', Qt::SkipEmptyParts)) {
            const QStringList w = step.trimmed().split(u' ');
            if (w[0] == u"load")
                game.loadRound(w[1], numberedRound());
            else if (w[0] == u"fail")
                game.loadFailed(QStringLiteral("Нет файла"));
            else if (w[0] == u"1" || w[0] == u"2")
                game.awardPoint(w[0] == u"1" ? Team::One : Team::Two);
            else if (w[0] == u"z")
                game.takeBackPoint();
            else if (w[0] == u"del")
                game.deleteEveningRow(w[1].toInt());
            else if (w[0] == u"fix")
                game.correctEveningRow(w[1].toInt(), w[2].toDouble(), w[3].toDouble());
            else if (w[0] == u"new")
                game.beginEvening();
            else if (w[0] == u"wait")
                now = now.addSecs(w[1].toInt() * 3600);
            else
                QFAIL(qPrintable(step));
        }
    }
    static QString rows(const Evening &e)
    {
        QStringList out;
        for (const Evening::Row &row : e.rows)
            out << QStringLiteral("%1 %2:%3")
                       .arg(row.round, evening::points(row.points1), evening::points(row.points2));
        return out.join(QStringLiteral(" | "));
    }

private slots:
    void rowsFollowTheRounds_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("rows");
        QTest::newRow("points and a Ctrl+Z") << "load A; 1; 1; 2; z"
                                             << "A 2:0";
        QTest::newRow("every point taken back: no row") << "load A; 1; z"
                                                        << "";
        QTest::newRow("a load keeps the row before") << "load A; 1; load B; 2; 2"
                                                     << "A 1:0 | B 0:2";
        QTest::newRow("a round loaded with no point is no row") << "load A; 1; load B; load C; 2"
                                                                << "A 1:0 | C 0:1";
        QTest::newRow("the same round again is a new row") << "load A; 1; load A; 2"
                                                           << "A 1:0 | A 0:1";
        QTest::newRow("Ctrl+Z after a load leaves the row before") << "load A; 1; load B; z"
                                                                   << "A 1:0";
        QTest::newRow("a load that failed goes on in the row") << "load A; 1; fail; 1"
                                                               << "A 2:0";
        QTest::newRow("a correction stays through later points") << "load A; 1; fix 0 5 3; 2; z; 2"
                                                                 << "A 5:4";
        QTest::newRow("a deleted row: the next point starts one") << "load A; 1; 1; del 0; 1"
                                                                  << "A 1:0";
        QTest::newRow("a row before deleted") << "load A; 1; load B; 2; del 0; 2"
                                              << "B 0:2";
        QTest::newRow("a new evening: the round's next points only") << "load A; 1; new; 1"
                                                                     << "A 1:0";
        QTest::newRow("eleven hours are one evening") << "load A; 1; wait 11; load B; 1"
                                                      << "A 1:0 | B 1:0";
        QTest::newRow("thirteen hours: a new evening with the round") << "load A; 1; wait 13; 1"
                                                                      << "A 2:0";
    }
    void rowsFollowTheRounds()
    {
        QFETCH(QString, steps);
        Game game;
        QDateTime now(QDate(2026, 12, 10), QTime(19, 0), Qt::UTC);
        game.setClock([&now] { return now; });
        play(game, steps, now);
        QTEST(rows(game.evening()), "rows");
        double sum1 = 0, sum2 = 0;
        for (const Evening::Row &row : game.evening().rows) {
            sum1 += row.points1;
            sum2 += row.points2;
        }
        QCOMPARE(game.evening().total1(), sum1);
        QCOMPARE(game.evening().total2(), sum2);
    }

    // After a restart the evening is put back first, then the interrupted
    // game; its points go on into its own row, not a new one.
    void aResumedRoundGoesOnInItsRow()
    {
        QDateTime now(QDate(2026, 12, 10), QTime(19, 0), Qt::UTC);
        Game before;
        before.setClock([&now] { return now; });
        play(before, QStringLiteral("load A; 1; load B; 2; 1"), now);
        const GameSnapshot kept = before.snapshot();

        Game after;
        after.setClock([&now] { return now; });
        after.setEvening(kept.evening);
        QCOMPARE(rows(after.evening()), QStringLiteral("A 1:0 | B 1:1"));
        after.awardPoint(Team::One); // a point before the resume: no round's row
        after.restore(kept);
        after.awardPoint(Team::Two);
        QCOMPARE(rows(after.evening()), QStringLiteral("A 1:0 | B 1:2 |  1:0"));

        Game stale;
        now = now.addSecs(13 * 3600);
        stale.setClock([&now] { return now; });
        stale.setEvening(kept.evening);
        QVERIFY(stale.evening().isEmpty());
        QCOMPARE(stale.evening().names, kept.evening.names);
    }
};

// Buzzers: which team pressed first, by the presses' own times.
class TestBuzzing : public QObject
{
    Q_OBJECT

    // "pick N", "beat" (one tick), "stop" (ticks to STOP), "1@T" or "2@T" (a
    // press at T ms), "wrong" (the host reopens), "point", "load".
    static void play(Game &game, const QString &steps)
    {
        for (const QString &step : steps.split(u';', Qt::SkipEmptyParts)) {
            const QString s = step.trimmed();
            if (s.startsWith(u"pick"))
                game.pick(s.mid(5).toInt());
            else if (s == u"beat")
                game.tick();
            else if (s == u"stop")
                while (game.tick() == Game::Beat::Beep) {
                }
            else if (s.contains(u'@'))
                game.buzz(s.front() == u'1' ? Team::One : Team::Two, s.mid(2).toLongLong());
            else if (s == u"wrong")
                game.reopenBuzzing();
            else if (s == u"point")
                game.awardPoint(Team::One);
            else if (s == u"load")
                game.loadRound(QStringLiteral("7"), numberedRound());
            else
                QFAIL(qPrintable(s));
        }
    }
    static QString seen(const Game &game)
    {
        const Buzzing &b = game.buzzing();
        QString marks = b.marks(1) ? QStringLiteral("1") : QString();
        if (b.marks(2))
            marks += QStringLiteral("2");
        const char *states[] = {"closed", "open", "won", "tie"};
        return QStringLiteral("%1 %2 ignored %3")
            .arg(QLatin1String(states[int(b.state)]), marks.isEmpty() ? QStringLiteral("-") : marks)
            .arg(b.ignored.size());
    }

private slots:
    void theFirstPressWins_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("seen");
        QTest::newRow("no press") << "load; pick 3; beat"
                                  << "open - ignored 0";
        QTest::newRow("the first press") << "load; pick 3; beat; 2@1000"
                                         << "won 2 ignored 0";
        QTest::newRow("the other team later") << "load; pick 3; 1@1000; 2@1003"
                                              << "won 1 ignored 1";
        QTest::newRow("within 2 ms: a tie") << "load; pick 3; 1@1000; 2@1002"
                                            << "tie 12 ignored 0";
        QTest::newRow("read later, pressed first") << "load; pick 3; 1@1000; 2@990"
                                                   << "won 2 ignored 0";
        QTest::newRow("held: its own button again") << "load; pick 3; 1@1000; 1@1001; 1@1400"
                                                    << "won 1 ignored 0";
        QTest::newRow("before any question") << "load; 1@5"
                                             << "closed - ignored 1";
        QTest::newRow("after time is up") << "load; pick 3; stop; 1@9000"
                                          << "closed - ignored 1";
        QTest::newRow("after a point") << "load; pick 3; 1@100; point; 2@200"
                                       << "closed - ignored 1";
        QTest::newRow("a reload closes") << "load; pick 3; load; 2@200"
                                         << "closed - ignored 1";
        QTest::newRow("wrong: the other team may") << "load; pick 3; 1@100; wrong; 1@300; 2@400"
                                                   << "won 2 ignored 1";
        QTest::newRow("wrong twice: nobody left") << "load; pick 3; 1@100; wrong; 2@400; wrong; 1@500"
                                                  << "closed - ignored 1";
        QTest::newRow("the next pick opens for both") << "load; pick 3; 1@100; wrong; pick 4; 1@900"
                                                      << "won 1 ignored 0";
        QTest::newRow("wrong without a buzz does nothing") << "load; pick 3; wrong; 2@100"
                                                           << "won 2 ignored 0";
    }
    void theFirstPressWins()
    {
        QFETCH(QString, steps);
        Game game;
        play(game, steps);
        QTEST(seen(game), "seen");
    }

    // A buzz stops the countdown where it is and offers "ОТВЕТ"; it comes
    // back with a kept game.
    void aBuzzStopsTheCountdown()
    {
        Game game;
        play(game, QStringLiteral("load; pick 3; beat; beat"));
        QCOMPARE(game.buzz(Team::Two, 50), Buzzing::Press::Won);
        QVERIFY(!game.counting());
        QVERIFY(game.answerOffered());
        QVERIFY(!game.answerShown());
        QCOMPARE(game.tick(), Game::Beat::None);
        QCOMPARE(game.countdown(), QStringLiteral(" 2"));
        QVERIFY(game.buzzing().guardsRevealAt(50 + Buzzing::kRevealGuardMs - 1));
        QVERIFY(!game.buzzing().guardsRevealAt(50 + Buzzing::kRevealGuardMs));

        Game back;
        back.restore(game.snapshot());
        QVERIFY(back.buzzing().marks(2));
        QVERIFY(back.snapshot().sameGame(game.snapshot()));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestGame game;
    TestTeamNames names;
    TestEvening evening;
    TestBuzzing buzzing;
    return QTest::qExec(&game, argc, argv) | QTest::qExec(&names, argc, argv) |
           QTest::qExec(&evening, argc, argv) | QTest::qExec(&buzzing, argc, argv);
}
#include "tst_game.moc"
