#include "journal/journal.h"

#include "journal/record.h"
#include "rounds/roundmessages.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace journal {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kFirstBackoff{1};
constexpr std::chrono::seconds kLongestBackoff{60};
constexpr qint64 kOfferSeconds = 12 * 60 * 60;

QString notKept(const QString &path, const QString &cause)
{
    return QStringLiteral("игра не сохраняется в %1: %2").arg(path, cause);
}

QString heldElsewhere(const QString &path)
{
    return QStringLiteral("игра не сохраняется: журнал %1 ведёт другая запущенная программа; "
                          "после её закрытия запись начнётся сама")
        .arg(path);
}

void printLine(const QString &line)
{
    std::fprintf(stderr, "kvizor: %s\n", qUtf8Printable(line));
    std::fflush(stderr);
}

} // namespace

bool isInterrupted(const GameSnapshot &game, const QDateTime &now)
{
    const bool over = game.numbersLeftCount() == 0 && game.question.isEmpty();
    return game.picked && !over && game.at.isValid() && qAbs(game.at.secsTo(now)) < kOfferSeconds;
}

struct Journal::Shared
{
    QString folder;
    QString path;
    FaultHook fault;

    // The writer thread's own, once it runs.
    int folderFd = -1;
    int lockFd = -1;             // flock()ed: released by the system however the program ends
    QString blocked;             // set: never write (a bad journal kept in place)
    bool waitingForLock = false; // another program holds it: tried again at every change
    // Taken over from that program with its unfinished game on disk: kept for
    // the next start until this one records a game of its own.
    bool keepTheirs = false;

    Done ready();

    std::mutex mutex;
    std::condition_variable wake;    // the writer: a game or the end
    std::condition_variable settled; // waitForDisk: a write done
    std::optional<GameSnapshot> pending;
    std::vector<Evening> ended; // evenings to keep beside the journal
    quint64 recorded = 0;
    quint64 done = 0;
    bool stop = false;
    QString problem;
    Clock::duration backoff{};
    Clock::time_point nextTry{};
};

// Opens the folder and takes its lock, unless that is done; why not if not.
Done Journal::Shared::ready()
{
    if (!blocked.isEmpty())
        return Done::failure(blocked);
    if (folderFd < 0) {
        const Outcome<int> opened = openFolder(folder);
        if (!opened)
            return Done::failure(notKept(path, opened.error));
        folderFd = *opened.value;
    }
    if (lockFd >= 0)
        return {};
    const int fd = ::openat(folderFd, kLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return Done::failure(notKept(path, rounds::message::writeCause(errno)));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK)
            return Done::failure(notKept(path, rounds::message::writeCause(error)));
        waitingForLock = true;
        return Done::failure(heldElsewhere(path));
    }
    lockFd = fd;
    if (std::exchange(waitingForLock, false)) {
        const JournalBytes file = readJournal(folderFd, kMaxRecordBytes);
        const ParsedRecord left = file && *file.value ? parseRecord(**file.value) : ParsedRecord{};
        keepTheirs = left && isInterrupted(*left.value, QDateTime::currentDateTimeUtc());
    }
    return {};
}

Journal::Journal(const QString &folder, FaultHook fault, QObject *parent)
    : QObject(parent), m_shared(std::make_unique<Shared>())
{
    Shared &s = *m_shared;
    s.folder = folder;
    s.path = folder + QLatin1Char('/') + QLatin1String(kJournalName);
    s.fault = std::move(fault);
    s.problem = s.ready().error;
    if (!s.problem.isEmpty())
        printLine(s.problem);
    if (s.lockFd >= 0) // not another program's: it may be writing there now
        readLastRun();
    m_writer = std::thread([this] { writerLoop(); });
}

Journal::~Journal()
{
    {
        const std::lock_guard<std::mutex> hold(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->wake.notify_all();
    m_writer.join();
    for (const int fd : {m_shared->lockFd, m_shared->folderFd})
        if (fd >= 0)
            ::close(fd);
}

// On the constructor's thread, before the writer starts.
void Journal::readLastRun()
{
    Shared &s = *m_shared;
    ::unlinkat(s.folderFd, kTempName, 0); // a write that a crash cut short
    const JournalBytes file = readJournal(s.folderFd, kMaxRecordBytes);
    if (file && !*file.value)
        return;
    QString reason = file.error;
    if (file) {
        ParsedRecord parsed = parseRecord(**file.value);
        if (parsed) {
            m_lastEvening = parsed.value->evening;
            if (isInterrupted(*parsed.value, QDateTime::currentDateTimeUtc()))
                m_offer = std::move(parsed.value);
            return;
        }
        reason = parsed.error;
    }
    const Outcome<QString> aside = setAside(s.folderFd);
    if (aside) {
        printLine(QStringLiteral("журнал игры %1 не прочитан (%2); он отложен как %3")
                      .arg(s.path, reason, *aside.value));
        return;
    }
    s.blocked = QStringLiteral("игра не сохраняется: негодный журнал %1 не удалось отложить (%2)")
                    .arg(s.path, aside.error);
    s.problem = s.blocked;
    printLine(QStringLiteral("журнал игры %1 не прочитан (%2); %3").arg(s.path, reason, s.blocked));
}

std::optional<GameSnapshot> Journal::interruptedGame() const
{
    return m_offer;
}

void Journal::endOffer()
{
    m_offer.reset();
}

Evening Journal::lastEvening() const
{
    return m_lastEvening;
}

void Journal::keepEnded(const Evening &evening)
{
    if (evening.isEmpty())
        return;
    {
        const std::lock_guard<std::mutex> hold(m_shared->mutex);
        m_shared->ended.push_back(evening);
        ++m_shared->recorded;
    }
    m_shared->wake.notify_one();
}

// On the writer thread.
void Journal::keepEvening(const Evening &evening)
{
    Shared &s = *m_shared;
    const QString name = evening::keptFileName(evening);
    Done ready = s.ready();
    const Outcome<QString> kept =
        ready ? keepBeside(s.folderFd, name, evening::csv(evening)) : Outcome<QString>::failure(ready.error);
    if (kept)
        printLine(QStringLiteral("вечер сохранён в %1/%2").arg(s.folder, *kept.value));
    else
        printLine(QStringLiteral("вечер не сохранён в %1/%2: %3").arg(s.folder, name, kept.error));
}

void Journal::record(const GameSnapshot &game)
{
    if (m_offer) {
        if (!game.picked && game.round.isEmpty()) {
            if (game.evening.sameRows(m_offer->evening))
                return;
            // The evening changed while the game is on offer: both are kept.
            GameSnapshot offered = *m_offer;
            offered.evening = game.evening;
            offered.evening.current = m_offer->evening.current;
            offered.evening.seen1 = m_offer->evening.seen1;
            offered.evening.seen2 = m_offer->evening.seen2;
            m_offer->evening = offered.evening;
            pend(offered);
            return;
        }
        m_offer.reset();
    }
    pend(game);
}

void Journal::pend(const GameSnapshot &game)
{
    {
        const std::lock_guard<std::mutex> hold(m_shared->mutex);
        m_shared->pending = game;
        if (!m_shared->pending->at.isValid())
            m_shared->pending->at = QDateTime::currentDateTimeUtc();
        ++m_shared->recorded;
    }
    m_shared->wake.notify_one();
}

QString Journal::problem() const
{
    const std::lock_guard<std::mutex> hold(m_shared->mutex);
    return m_shared->problem;
}

QString Journal::path() const
{
    return m_shared->path;
}

bool Journal::waitForDisk(int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_shared->mutex);
    return m_shared->settled.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                      [this] { return m_shared->done >= m_shared->recorded; });
}

void Journal::writerLoop()
{
    Shared &s = *m_shared;
    std::unique_lock<std::mutex> hold(s.mutex);
    for (;;) {
        s.wake.wait(hold, [&s] { return s.stop || s.pending || !s.ended.empty(); });
        if (!s.ended.empty()) {
            const std::vector<Evening> ended = std::exchange(s.ended, {});
            const quint64 generation = s.recorded;
            hold.unlock();
            for (const Evening &evening : ended)
                keepEvening(evening);
            hold.lock();
            if (!s.pending) {
                s.done = std::max(s.done, generation);
                s.settled.notify_all();
            }
            continue;
        }
        if (!s.pending)
            break;
        // After a failure the disk is not tried again before the backoff
        // ends; newer games replace the waiting one meanwhile.
        if (Clock::now() < s.nextTry) {
            if (s.wake.wait_until(hold, s.nextTry, [&s] { return s.stop; })) {
                s.done = s.recorded; // the end, and the disk still failing: give up
                s.settled.notify_all();
                break;
            }
            continue;
        }
        const GameSnapshot game = std::move(*s.pending);
        s.pending.reset();
        const quint64 generation = s.recorded;
        hold.unlock();
        const QString problem = writeOnce(game).error;
        hold.lock();
        const bool changed = problem != s.problem;
        s.problem = problem;
        // A lock held elsewhere costs no disk to try: the next change tries again.
        const bool tryAtOnce = problem.isEmpty() || s.waitingForLock;
        s.backoff = tryAtOnce ? Clock::duration{}
                              : std::clamp<Clock::duration>(s.backoff * 2, kFirstBackoff, kLongestBackoff);
        s.nextTry = tryAtOnce ? Clock::time_point{} : Clock::now() + s.backoff;
        if (changed) {
            // Not under the lock: stderr may be a pipe that is slow to drain.
            hold.unlock();
            printLine(problem.isEmpty() ? QStringLiteral("игра снова сохраняется в %1").arg(s.path)
                                        : problem);
            QMetaObject::invokeMethod(
                this, [this, problem] { emit problemChanged(problem); }, Qt::QueuedConnection);
            hold.lock();
        }
        s.done = generation;
        s.settled.notify_all();
    }
}

// On the writer thread.
Done Journal::writeOnce(const GameSnapshot &game)
{
    Shared &s = *m_shared;
    if (Done ready = s.ready(); !ready)
        return ready;
    if (s.keepTheirs) {
        if (!game.picked && game.round.isEmpty())
            return {};
        s.keepTheirs = false;
    }
    QString why = checkRecord(game).error;
    const QByteArray bytes = why.isEmpty() ? encodeRecord(game) : QByteArray();
    if (why.isEmpty() && bytes.size() > kMaxRecordBytes)
        why = QStringLiteral("запись больше %1 МиБ").arg(kMaxRecordBytes / (1024 * 1024));
    if (!why.isEmpty())
        return Done::failure(notKept(s.path, why));
    if (Done written = writeJournal(s.folderFd, bytes, s.fault); !written)
        return Done::failure(notKept(s.path, written.error));
    return {};
}

} // namespace journal
