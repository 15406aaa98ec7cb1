#include "rounds/roundfile.h"

#include "rounds/roundmessages.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rounds {

namespace {

// Closes the descriptor however the reading ends.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

int openRegularFile(const QString &path, QString *error)
{
    // The C library would silently cut the name at the NUL and open another file.
    if (path.contains(QChar(0))) {
        *error = message::invalidName();
        return -1;
    }

    const QByteArray nativePath = QFile::encodeName(path);
    int fd = -1;
    do {
        // O_NONBLOCK: a FIFO must not keep the window waiting for a writer.
        fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *error = message::openFailed(errno, path);
        return -1;
    }

    // Checked on the open descriptor, so a symbolic link swapped in between
    // cannot slip a device past the check.
    struct stat info
    {
    };
    QString problem;
    if (::fstat(fd, &info) != 0)
        problem = message::openFailed(errno, path);
    else if (S_ISDIR(info.st_mode))
        problem = message::isFolder(path);
    else if (!S_ISREG(info.st_mode))
        problem = message::notRegular(path);
    if (!problem.isEmpty()) {
        ::close(fd);
        *error = problem;
        return -1;
    }
    return fd;
}

namespace {

long long readSome(int fd, char *buf, long long max)
{
    for (;;) {
        const ssize_t got = ::read(fd, buf, size_t(max));
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

} // namespace

QString questionFileName(const QString &roundName)
{
    return roundName + QStringLiteral(".txt");
}

QString answerFileName(const QString &roundName)
{
    return roundName + QStringLiteral("o.txt");
}

FileRead readRoundFile(const QString &path, int maxFields, const PullWrapper &wrapPull)
{
    FileRead result;
    const int fd = openRegularFile(path, &result.error);
    if (fd < 0)
        return result;
    const FileDescriptor file(fd);

    PullBytes pull = [fd](char *buf, long long max) { return readSome(fd, buf, max); };
    if (wrapPull)
        pull = wrapPull(std::move(pull));

    const ReadOutcome outcome = readFields(pull, maxFields);
    switch (outcome.status) {
    case ReadOutcome::Status::Ok:
        break;
    case ReadOutcome::Status::TooFewFields:
        result.error = message::tooFewFields(path, maxFields, int(outcome.fields.size()));
        return result;
    case ReadOutcome::Status::FieldTooLong:
        result.error = message::fieldTooLong(path, outcome.failedField);
        return result;
    case ReadOutcome::Status::ReadError:
        result.error = message::readFailed(path);
        return result;
    }

    FileFields fields;
    fields.encoding = outcome.encoding;
    fields.texts.reserve(outcome.fields.size());
    for (const RawField &raw : outcome.fields) {
        fields.texts.push_back(decodeField(raw.bytes, outcome.encoding));
        fields.quoted.push_back(raw.quoted);
        fields.lines.push_back(raw.line);
    }
    result.value = std::move(fields);
    return result;
}

WholeFile readWholeFile(const QString &path, qint64 maxBytes)
{
    WholeFile result;
    const int fd = openRegularFile(path, &result.error);
    if (fd < 0)
        return result;
    const FileDescriptor file(fd);

    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        const long long got = readSome(fd, buffer, sizeof buffer);
        if (got < 0) {
            result.error = message::readFailed(path);
            return result;
        }
        if (got == 0)
            break;
        // Stops one pull past the limit, whatever the file claims its size is.
        if (bytes.size() + got > maxBytes) {
            result.error = message::fileTooLarge(path, maxBytes);
            return result;
        }
        bytes.append(buffer, qsizetype(got));
    }
    result.value = std::move(bytes);
    return result;
}

RoundRead readRound(const QString &roundName)
{
    RoundRead result;
    if (roundName.contains(QChar(0))) {
        result.error = message::invalidName();
        return result;
    }

    // One file at a time: the question file is closed before the answer
    // file is opened.
    const FileRead questions = readRoundFile(questionFileName(roundName));
    if (!questions.value) {
        result.error = questions.error;
        return result;
    }
    const FileRead answers = readRoundFile(answerFileName(roundName));
    if (!answers.value) {
        result.error = answers.error;
        return result;
    }

    Round round;
    for (int k = 0; k < kFieldCount; ++k) {
        round.questions[k] = questionValue(questions.value->texts[k], questions.value->quoted[k]);
        round.answers[k] = answers.value->texts[k];
    }
    result.value = std::move(round);
    return result;
}

} // namespace rounds
