#include "journal/journalfile.h"

#include "rounds/roundmessages.h"
#include "rounds/writeall.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace journal {

namespace {

int retryEintr(const std::function<int()> &call)
{
    int result = -1;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// Makes path and its missing parents, each for its owner only.
int makeFolders(const QString &path)
{
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    for (qsizetype slash = native.indexOf('/', 1);; slash = native.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? native : native.left(slash);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash < 0)
            return 0;
    }
}

// Reads until max bytes, the end of the file or an error (its errno in *error).
qint64 readUpTo(int fd, char *buffer, qint64 max, int *error)
{
    qint64 got = 0;
    while (got < max) {
        const ssize_t n = ::read(fd, buffer + got, size_t(max - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            *error = errno;
        if (n <= 0)
            break;
        got += n;
    }
    return got;
}

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("файл больше %1 МиБ").arg(maxBytes / (1024 * 1024));
}

QString unreadable(int error)
{
    return QStringLiteral("не читается: %1").arg(rounds::message::writeCause(error));
}

// Why the state folder cannot be opened. ENOTDIR is also a parent that is a
// file: that one is a folder missing on the way.
QString folderCause(const QString &folder, int error)
{
    struct stat info
    {
    };
    if (error == ENOTDIR && ::stat(QFile::encodeName(folder).constData(), &info) == 0 &&
        !S_ISDIR(info.st_mode))
        return QStringLiteral("это не папка");
    return rounds::message::writeCause(error);
}

// The steps of one write: 0, or the errno of the step that failed.
int writeSteps(int folderFd, const QByteArray &bytes, const FaultHook &fault)
{
    const auto step = [&fault](Step s) { return fault ? fault(s) : 0; };
    ::unlinkat(folderFd, kTempName, 0); // left by a run that was killed
    int error = step(Step::CreateTemp);
    const int fd = error != 0 ? -1 : retryEintr([folderFd] {
        return ::openat(folderFd, kTempName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    });
    if (error == 0 && fd < 0)
        return errno;
    if (error == 0)
        error = step(Step::Write);
    if (error == 0)
        error = rounds::writeAll(fd, bytes);
    if (error == 0)
        error = step(Step::SyncFile);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (fd >= 0 && ::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        error = step(Step::Rename);
    if (error == 0 && ::renameat(folderFd, kTempName, folderFd, kJournalName) != 0)
        error = errno;
    if (error != 0) {
        ::unlinkat(folderFd, kTempName, 0);
        return error;
    }
    error = step(Step::SyncFolder);
    if (error == 0 && ::fsync(folderFd) != 0)
        error = errno;
    return error;
}

} // namespace

QString stateFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/kvizor");
}

Outcome<int> openFolder(const QString &path)
{
    if (const int error = makeFolders(path))
        return Outcome<int>::failure(folderCause(path, error));
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Outcome<int>::failure(folderCause(path, errno));
    // A folder made earlier with a looser mode: the host's questions are in it.
    struct stat info
    {
    };
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0)
        ::fchmod(fd, info.st_mode & 0700);
    return Outcome<int>(fd);
}

Done writeJournal(int folderFd, const QByteArray &bytes, const FaultHook &fault)
{
    if (const int error = writeSteps(folderFd, bytes, fault))
        return Done::failure(rounds::message::writeCause(error));
    return {};
}

JournalBytes readJournal(int folderFd, qint64 maxBytes)
{
    const int fd = retryEintr([folderFd] {
        return ::openat(folderFd, kJournalName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    });
    if (fd < 0) {
        if (errno == ENOENT)
            return std::optional<QByteArray>();
        return JournalBytes::failure(errno == ELOOP ? QStringLiteral("это символьная ссылка")
                                                    : unreadable(errno));
    }
    QString error;
    QByteArray bytes;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0) {
        error = unreadable(errno);
    } else if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? QStringLiteral("это папка") : QStringLiteral("это не обычный файл");
    } else if (info.st_size > maxBytes) {
        error = tooLarge(maxBytes);
    } else {
        // One byte more than allowed tells a file that grew since fstat.
        bytes.resize(qsizetype(maxBytes + 1));
        int readError = 0;
        bytes.truncate(qsizetype(readUpTo(fd, bytes.data(), maxBytes + 1, &readError)));
        if (readError != 0)
            error = unreadable(readError);
        else if (bytes.size() > maxBytes)
            error = tooLarge(maxBytes);
    }
    ::close(fd);
    if (!error.isEmpty())
        return JournalBytes::failure(error);
    return std::optional<QByteArray>(std::move(bytes));
}

Outcome<QString> setAside(int folderFd)
{
    const QString base = QStringLiteral("%1.bad-%2")
                             .arg(QLatin1String(kJournalName),
                                  QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int n = 1; n <= 100; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(n);
        const QByteArray native = QFile::encodeName(name);
        if (::renameat2(folderFd, kJournalName, folderFd, native.constData(), RENAME_NOREPLACE) == 0)
            return name;
        if (errno == EINVAL || errno == ENOSYS) {
            // A file system without the flag: look first (only this program writes here).
            struct stat info
            {
            };
            if (::fstatat(folderFd, native.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
                continue;
            if (::renameat(folderFd, kJournalName, folderFd, native.constData()) == 0)
                return name;
        }
        if (errno != EEXIST)
            return Outcome<QString>::failure(rounds::message::writeCause(errno));
    }
    return Outcome<QString>::failure(rounds::message::writeCause(EEXIST));
}

Outcome<QString> keepBeside(int folderFd, const QString &name, const QByteArray &bytes)
{
    static const char kTemp[] = ".kept.new";
    ::unlinkat(folderFd, kTemp, 0);
    const int fd = retryEintr([folderFd] {
        return ::openat(folderFd, kTemp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    });
    if (fd < 0)
        return Outcome<QString>::failure(rounds::message::writeCause(errno));
    int error = rounds::writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1; error == 0 && n <= 100; ++n) {
        const QString candidate = n == 1 ? name : QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(extension);
        const QByteArray native = QFile::encodeName(candidate);
        if (::renameat2(folderFd, kTemp, folderFd, native.constData(), RENAME_NOREPLACE) == 0) {
            ::fsync(folderFd);
            return candidate;
        }
        if (errno == EINVAL || errno == ENOSYS) {
            // A file system without the flag: a hard link fails on an existing name too.
            if (::linkat(folderFd, kTemp, folderFd, native.constData(), 0) == 0) {
                ::unlinkat(folderFd, kTemp, 0);
                ::fsync(folderFd);
                return candidate;
            }
        }
        if (errno != EEXIST)
            error = errno;
    }
    ::unlinkat(folderFd, kTemp, 0);
    return Outcome<QString>::failure(rounds::message::writeCause(error != 0 ? error : EEXIST));
}

namespace {

const std::pair<const char *, Step> kSteps[] = {{"create", Step::CreateTemp},
                                                {"write", Step::Write},
                                                {"sync", Step::SyncFile},
                                                {"rename", Step::Rename},
                                                {"syncfolder", Step::SyncFolder}};
const std::pair<const char *, int> kErrors[] = {
    {"ENOSPC", ENOSPC}, {"EACCES", EACCES}, {"EROFS", EROFS}, {"EIO", EIO}};

} // namespace

FaultHook faultFromEnvironment()
{
    const QByteArray setting = qgetenv("KVIZOR_JOURNAL_FAULT");
    const qsizetype colon = setting.indexOf(':');
    if (colon < 0)
        return {};
    const QByteArray stepName = setting.left(colon);
    const QByteArray what = setting.mid(colon + 1);
    for (const auto &[name, step] : kSteps) {
        if (stepName != name)
            continue;
        int error = 0;
        for (const auto &[errorName, value] : kErrors)
            error = what == errorName ? value : error;
        const Step at = step;
        const QByteArray label = stepName;
        if (what == "hold")
            return [at, label](Step s) {
                if (s != at)
                    return 0;
                std::fprintf(stderr, "kvizor: journal writer held before %s\n", label.constData());
                std::fflush(stderr);
                for (;;)
                    std::this_thread::sleep_for(std::chrono::hours(1));
            };
        if (error != 0)
            return [at, error](Step s) { return s == at ? error : 0; };
    }
    std::fprintf(stderr, "kvizor: KVIZOR_JOURNAL_FAULT=%s не понят\n", setting.constData());
    return {};
}

} // namespace journal
