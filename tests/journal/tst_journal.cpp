#include "journal/journal.h"
#include "journal/record.h"
#include "journal/roundchange.h"
#include "journalgames.h"
#include "support/testfiles.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace journal;

namespace {

// What the code under test writes on stderr while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        if (!m_file.open())
            return;
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    ~StderrCapture() { restore(); }
    QStringList lines()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

int modeOf(const QString &path)
{
    struct stat info
    {
    };
    return ::stat(qPrintable(path), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The game a journal file holds, or the reason it holds none.
ParsedRecord onDisk(const QString &folder)
{
    return parseRecord(bytesOf(folder + QStringLiteral("/game.json")));
}

bool holdsGame(const QString &folder, int k)
{
    const ParsedRecord parsed = onDisk(folder);
    return parsed.value && parsed.value->sameGame(numberedGame(k));
}

void keep(const QString &folder, const GameSnapshot &game)
{
    Journal journal(folder, {});
    journal.record(game);
    QVERIFY(journal.waitForDisk(10000));
    QCOMPARE(journal.problem(), QString());
}

QStringList setAsideFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("game.json.bad-*")},
                                  QDir::AllEntries | QDir::System | QDir::Hidden);
}

// Runs journalwriter under a new user and mount namespace with a small
// tmpfs at `mount`, after `prepare` (shell commands, $1 the mount point);
// returns its stdout, or a null string when namespaces are not allowed here.
QString writerInNamespace(const QString &mount, const QString &prepare)
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")});
    if (!probe.waitForFinished() || probe.exitCode() != 0)
        return QString();
    QProcess writer;
    writer.start(QStringLiteral("unshare"),
                 {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-ec"),
                  prepare + QStringLiteral("; exec \"$2\" \"$1/state\" 1 1"), QStringLiteral("sh"), mount,
                  QStringLiteral(JOURNAL_WRITER)});
    writer.waitForFinished();
    return QString::fromUtf8(writer.readAllStandardOutput() + writer.readAllStandardError());
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void offeredAfterRestart_data()
    {
        QTest::addColumn<bool>("picked");
        QTest::addColumn<int>("minutesAgo");
        QTest::addColumn<bool>("allAsked"); // no number left on the board
        QTest::addColumn<bool>("questionShown");
        QTest::addColumn<bool>("offered");
        QTest::newRow("a pick a minute ago") << true << 1 << false << true << true;
        QTest::newRow("a round loaded, nothing picked") << false << 1 << false << true << false;
        QTest::newRow("a pick 11 hours ago") << true << 11 * 60 << false << true << true;
        QTest::newRow("a pick 13 hours ago") << true << 13 * 60 << false << true << false;
        QTest::newRow("the clock set back an hour since") << true << -60 << false << true << true;
        QTest::newRow("between two questions") << true << 1 << false << false << true;
        QTest::newRow("the last question on the board") << true << 1 << true << true << true;
        QTest::newRow("the last point given: over") << true << 1 << true << false << false;
    }
    void offeredAfterRestart()
    {
        QFETCH(bool, picked);
        QFETCH(int, minutesAgo);
        QFETCH(bool, allAsked);
        QFETCH(bool, questionShown);
        QFETCH(bool, offered);
        QTemporaryDir home;
        const QString folder = home.path() + QStringLiteral("/state/kvizor"); // parents made too
        GameSnapshot game = numberedGame(3);
        game.picked = picked;
        if (allAsked)
            game.numbersLeft.fill(false);
        if (!questionShown)
            game.question.clear();
        game.at = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
        keep(folder, game);

        QCOMPARE(modeOf(folder), 0700);
        QCOMPARE(modeOf(folder + QStringLiteral("/game.json")), 0600);
        const Journal journal(folder, {});
        QCOMPARE(bool(journal.interruptedGame()), offered);
        if (offered)
            QVERIFY(journal.interruptedGame()->sameGame(game));
    }

    // While the game is on offer a second crash must not lose it; the host's
    // first pick or round ends the offer.
    void offerKeptUntilTheHostChooses()
    {
        QTemporaryDir home;
        keep(home.path(), numberedGame(4));
        Journal journal(home.path(), {});
        QVERIFY(journal.interruptedGame());
        journal.record(GameSnapshot{}); // the board at start
        QVERIFY(journal.waitForDisk(10000));
        QVERIFY(holdsGame(home.path(), 4));
        journal.record(numberedGame(5));
        QVERIFY(!journal.interruptedGame());
        QVERIFY(journal.waitForDisk(10000));
        QVERIFY(holdsGame(home.path(), 5));
    }

    // The evening comes back whether or not the game is offered, and the
    // host's changes to it while a game is on offer are kept with that game.
    void theEveningComesBackWithoutAsking()
    {
        QTemporaryDir home;
        GameSnapshot finished = numberedGame(3);
        finished.numbersLeft.fill(false);
        finished.question.clear();
        keep(home.path(), finished);
        {
            const Journal journal(home.path(), {});
            QVERIFY(!journal.interruptedGame());
            QVERIFY(journal.lastEvening() == finished.evening);
        }
        keep(home.path(), numberedGame(7));
        Journal journal(home.path(), {});
        QVERIFY(journal.interruptedGame());
        GameSnapshot board; // the board at start, its evening corrected
        board.evening = numberedGame(7).evening;
        board.evening.rows.front().points2 = 40;
        journal.record(board);
        QVERIFY(journal.waitForDisk(10000));
        const ParsedRecord kept = onDisk(home.path());
        QVERIFY2(kept, qPrintable(kept.error));
        QVERIFY(kept.value->sameGame(numberedGame(7)));
        QCOMPARE(kept.value->evening.rows.front().points2, 40.0);
        QVERIFY(journal.interruptedGame());
    }

    void anEndedEveningIsKeptBeside()
    {
        QTemporaryDir home;
        Journal journal(home.path(), {});
        const Evening ended = numberedGame(3).evening;
        const QString name = evening::keptFileName(ended);
        for (int twice = 0; twice < 2; ++twice)
            journal.keepEnded(ended);
        journal.keepEnded(Evening{}); // nothing to keep
        QVERIFY(journal.waitForDisk(10000));
        const QString path = home.path() + u'/' + name;
        QCOMPARE(bytesOf(path), evening::csv(ended));
        QCOMPARE(modeOf(path), 0600);
        const QString second = QString(path).replace(QStringLiteral(".csv"), QStringLiteral("-2.csv"));
        QCOMPARE(bytesOf(second), evening::csv(ended)); // the first one stays
        QCOMPARE(
            QDir(home.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".csv")).size(), 2);
    }

    void badJournals_data()
    {
        QTest::addColumn<QString>("make"); // shell commands in the folder
        const QString whole = QString::fromUtf8(encodeRecord(numberedGame(2)).toBase64());
        QTest::newRow("empty") << QStringLiteral(": > game.json");
        QTest::newRow("cut short")
            << QStringLiteral("echo %1 | base64 -d | head -c 900 > game.json").arg(whole);
        QTest::newRow("corrupted")
            << QStringLiteral("echo %1 | base64 -d | sed 's/Ответ/Отвот/' > game.json").arg(whole);
        QTest::newRow("another version")
            << QStringLiteral("echo %1 | base64 -d | sed 's/\"version\":1/\"version\":7/' > game.json")
                   .arg(whole);
        QTest::newRow("a folder") << QStringLiteral("mkdir game.json");
        QTest::newRow("a symbolic link to a good journal")
            << QStringLiteral("echo %1 | base64 -d > good; ln -s good game.json").arg(whole);
        QTest::newRow("a FIFO") << QStringLiteral("mkfifo game.json");
        QTest::newRow("far too large") << QStringLiteral("truncate -s 17M game.json");
        if (::geteuid() != 0) // root reads it all the same
            QTest::newRow("not readable")
                << QStringLiteral("echo %1 | base64 -d > game.json; chmod 0 game.json").arg(whole);
    }
    void badJournals()
    {
        QFETCH(QString, make);
        QTemporaryDir home;
        QProcess shell;
        shell.setWorkingDirectory(home.path());
        shell.start(QStringLiteral("sh"), {QStringLiteral("-ec"), make});
        QVERIFY(shell.waitForFinished() && shell.exitCode() == 0);
        struct stat before
        {
        };
        QCOMPARE(::lstat(qPrintable(home.path() + QStringLiteral("/game.json")), &before), 0);

        StderrCapture err;
        Journal journal(home.path(), {});
        const QStringList lines = err.lines();
        QVERIFY(!journal.interruptedGame());
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(QStringLiteral("отложен как game.json.bad-")), qPrintable(lines[0]));
        // Set aside as it was, not replaced by the next record.
        const QStringList aside = setAsideFiles(home.path());
        QCOMPARE(aside.size(), 1);
        struct stat after
        {
        };
        QCOMPARE(::lstat(qPrintable(home.path() + u'/' + aside[0]), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        journal.record(numberedGame(6));
        QVERIFY(journal.waitForDisk(10000));
        QCOMPARE(journal.problem(), QString());
        QVERIFY(holdsGame(home.path(), 6));
    }

    // The disk fails under the writer: the last good record stays whole, one
    // line says so, a burst of changes costs no burst of tries, and the next
    // change after the disk recovers is kept.
    void diskFailsThenRecovers()
    {
        QTemporaryDir home;
        std::atomic<bool> full{false};
        std::atomic<int> tries{0};
        Journal journal(home.path(), [&](Step step) {
            tries += step == Step::CreateTemp ? 1 : 0;
            return step == Step::Write && full ? ENOSPC : 0;
        });
        QSignalSpy changes(&journal, &Journal::problemChanged);
        journal.record(numberedGame(1));
        QVERIFY(journal.waitForDisk(10000));
        full = true;
        StderrCapture err;
        for (int k = 2; k < 200; ++k)
            journal.record(numberedGame(k));
        QVERIFY(journal.waitForDisk(10000));
        QCOMPARE(err.lines().size(), 1);
        QVERIFY2(journal.problem().contains(QStringLiteral("нет места на диске")),
                 qPrintable(journal.problem()));
        QVERIFY(changes.wait(5000));
        QVERIFY(tries <= 3); // the first game, then the newest after each backoff
        QVERIFY(holdsGame(home.path(), 1));
        QVERIFY(!QFile::exists(home.path() + QStringLiteral("/.game.json.new")));

        full = false;
        journal.record(numberedGame(200));
        QVERIFY(journal.waitForDisk(10000));
        QCOMPARE(journal.problem(), QString());
        QVERIFY(holdsGame(home.path(), 200));
        QTRY_COMPARE(changes.size(), 2);
        QCOMPARE(changes.last().at(0).toString(), QString());
    }

    void folderCannotBeMade_data()
    {
        QTest::addColumn<QString>("file"); // below the temporary folder, where a folder goes
        QTest::addColumn<QString>("cause");
        QTest::newRow("a file where a parent goes")
            << QStringLiteral("state") << QStringLiteral("нет такой папки");
        QTest::newRow("a file where the folder goes")
            << QStringLiteral("state/kvizor") << QStringLiteral("это не папка");
    }
    void folderCannotBeMade()
    {
        QFETCH(QString, file);
        QFETCH(QString, cause);
        QTemporaryDir home;
        QDir(home.path()).mkpath(QFileInfo(file).path());
        mustWriteFile(home.filePath(file), "a file where the folder goes");
        StderrCapture err;
        Journal journal(home.path() + QStringLiteral("/state/kvizor"), {});
        journal.record(numberedGame(1));
        QVERIFY(journal.waitForDisk(10000));
        QCOMPARE(err.lines().size(), 1);
        QVERIFY2(journal.problem().contains(cause), qPrintable(journal.problem()));
    }

    // Real file systems that fail: a full tmpfs and a read-only one.
    void fullAndReadOnlyDisks_data()
    {
        QTest::addColumn<QString>("prepare");
        QTest::addColumn<QString>("cause");
        QTest::newRow("full") << QStringLiteral(
                                     "mount -t tmpfs -o size=64k tmpfs \"$1\"; mkdir \"$1/state\"; "
                                     "head -c 1M /dev/zero > \"$1/fill\" || true")
                              << QStringLiteral("нет места на диске");
        QTest::newRow("read-only") << QStringLiteral("mount -t tmpfs tmpfs \"$1\"; mkdir \"$1/state\"; "
                                                     "mount -o remount,ro \"$1\"")
                                   << QStringLiteral("диск только для чтения");
    }
    void fullAndReadOnlyDisks()
    {
        QFETCH(QString, prepare);
        QFETCH(QString, cause);
        QTemporaryDir mount;
        const QString out = writerInNamespace(mount.path(), prepare);
        if (out.isNull())
            QSKIP("user and mount namespaces are not allowed here");
        QVERIFY2(out.contains(QStringLiteral("problem: ")) && out.contains(cause), qPrintable(out));
    }

    // The second keeps none while the first runs and takes the journal over
    // at its first change once the first is gone; the game the first left
    // unfinished stays for the next start until the second has one of its own.
    void twoProgramsAtOnce()
    {
        QTemporaryDir home;
        keep(home.path(), numberedGame(7));
        auto first = std::make_unique<Journal>(home.path(), FaultHook{});
        StderrCapture err;
        Journal second(home.path(), {});
        QCOMPARE(err.lines().size(), 1);
        QVERIFY(first->interruptedGame());
        QVERIFY(!second.interruptedGame());
        QCOMPARE(first->problem(), QString());
        QVERIFY(second.problem().contains(QStringLiteral("другая запущенная программа")));
        first->record(numberedGame(8));
        second.record(numberedGame(9));
        QVERIFY(first->waitForDisk(10000) && second.waitForDisk(10000));
        QVERIFY(holdsGame(home.path(), 8));

        QSignalSpy changes(&second, &Journal::problemChanged);
        first.reset();
        second.record(GameSnapshot{}); // the board at start: nothing of its own
        QVERIFY(second.waitForDisk(10000));
        QCOMPARE(second.problem(), QString());
        QVERIFY(holdsGame(home.path(), 8));
        second.record(numberedGame(10));
        QVERIFY(second.waitForDisk(10000));
        QVERIFY(holdsGame(home.path(), 10));
        QTRY_COMPARE(changes.size(), 1);
        QCOMPARE(changes.last().at(0).toString(), QString());
    }

    // SIGKILL at whatever instant the writer has reached: the journal holds
    // the last game reported kept or the one after it, whole.
    void killedAnywhere()
    {
        QTemporaryDir home;
        int next = 1;
        for (int round = 0; round < 25; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(JOURNAL_WRITER),
                         {home.path(), QString::number(next), QString::number(next + 100000)});
            // Once it writes, a few milliseconds more: a write or two, cut anywhere.
            QVERIFY(writer.waitForReadyRead(30000));
            QThread::usleep(QRandomGenerator::global()->bounded(0, 8000));
            writer.kill();
            writer.waitForFinished();
            const QStringList kept =
                QString::fromLatin1(writer.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            const int last = kept.isEmpty() ? next - 1 : kept.last().toInt();
            const ParsedRecord parsed = onDisk(home.path());
            QVERIFY2(parsed.value, qPrintable(parsed.error));
            const int k = parsed.value->score1.toInt();
            QVERIFY2(k == last || k == last + 1, qPrintable(QStringLiteral("%1 after %2").arg(k).arg(last)));
            QVERIFY(parsed.value->sameGame(numberedGame(k)));
            next = k + 1;
        }
        QVERIFY(next > 25);
    }

    void killedBetweenSteps_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("kept");
        QTest::newRow("before the temporary file") << QStringLiteral("create") << 3;
        QTest::newRow("before writing it") << QStringLiteral("write") << 3;
        QTest::newRow("before flushing it") << QStringLiteral("sync") << 3;
        QTest::newRow("between the write and the rename") << QStringLiteral("rename") << 3;
        QTest::newRow("before flushing the folder") << QStringLiteral("syncfolder") << 4;
    }
    void killedBetweenSteps()
    {
        QFETCH(QString, step);
        QFETCH(int, kept);
        QTemporaryDir home;
        QProcess writer;
        writer.start(QStringLiteral(JOURNAL_WRITER), {home.path(), QStringLiteral("1"), QStringLiteral("3")});
        QVERIFY(writer.waitForFinished() && writer.exitCode() == 0);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KVIZOR_JOURNAL_FAULT"), step + QStringLiteral(":hold"));
        writer.setProcessEnvironment(env);
        writer.start(QStringLiteral(JOURNAL_WRITER), {home.path(), QStringLiteral("4"), QStringLiteral("4")});
        writer.setReadChannel(QProcess::StandardError);
        QByteArray said;
        while (!said.contains("held before " + step.toLatin1() + '\n') && writer.waitForReadyRead(10000))
            said += writer.readAll();
        QVERIFY2(said.contains("held before " + step.toLatin1() + '\n'), said.constData());
        writer.kill();
        writer.waitForFinished();
        QVERIFY(holdsGame(home.path(), kept));
        if (step == QStringLiteral("rename")) // the new game was there, whole, beside the journal
            QVERIFY(parseRecord(bytesOf(home.path() + QStringLiteral("/.game.json.new"))).value);

        const Journal journal(home.path(), {});
        QVERIFY(journal.interruptedGame() && journal.interruptedGame()->sameGame(numberedGame(kept)));
        QVERIFY(!QFile::exists(home.path() + QStringLiteral("/.game.json.new")));
    }

    void roundFilesCompared()
    {
        QTemporaryDir dir;
        const QString base = dir.path() + QStringLiteral("/тур");
        mustWriteRound(base, numberedLines(kQuestionCp1251), numberedLines(kAnswerCp1251));
        GameSnapshot game;
        game.round = base;
        const rounds::RoundRead read = rounds::readRound(base);
        QVERIFY(read.value);
        game.questions = read.value->questions;
        game.answers = read.value->answers;
        QCOMPARE(compareRoundFiles(game), RoundOnDisk::Same);
        mustWriteFile(rounds::answerFileName(base), numberedLines(kAnswerCp1251).replace("12", "13"));
        QCOMPARE(compareRoundFiles(game), RoundOnDisk::Changed);
        QVERIFY(QFile::remove(rounds::questionFileName(base)));
        QCOMPARE(compareRoundFiles(game), RoundOnDisk::Gone);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
