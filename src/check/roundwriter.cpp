#include "check/roundwriter.h"

#include "rounds/roundfile.h"
#include "rounds/roundmessages.h"
#include "rounds/writeall.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <iconv.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace check {

namespace {

using rounds::Encoding;
using rounds::kFieldCount;

// Strict: a character Windows-1251 lacks makes the whole text not fit.
std::optional<QByteArray> toCp1251(const QString &text)
{
    const iconv_t cd = iconv_open("CP1251", "UTF-8");
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray utf8 = text.toUtf8();
    QByteArray out(utf8.size(), Qt::Uninitialized); // never longer than its UTF-8
    char *in = utf8.data();
    size_t inLeft = size_t(utf8.size());
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    const bool ok = iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1) && inLeft == 0;
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.truncate(outPtr - out.data());
    return out;
}

std::optional<QByteArray> encodeFile(const std::array<QString, kFieldCount> &texts, Encoding encoding)
{
    QByteArray bytes = encoding == Encoding::Utf8Bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const QString &text : texts) {
        const std::optional<QByteArray> field =
            encoding == Encoding::Utf8Bom ? text.toUtf8() : toCp1251(text);
        if (!field)
            return std::nullopt;
        bytes += '"' + *field + "\"\r\n";
    }
    return bytes;
}

// The file as the window will read it: same encoding, every field quoted and
// giving back its text. Checked by reading, because Windows-1251 bytes can
// happen to be valid UTF-8 and would then be taken for it.
bool readsBackAs(const QByteArray &bytes, const std::array<QString, kFieldCount> &texts, Encoding encoding,
                 int *tooLongField)
{
    const rounds::ReadOutcome outcome = rounds::readFields(rounds::memoryPull(bytes));
    if (outcome.status == rounds::ReadOutcome::Status::FieldTooLong)
        *tooLongField = outcome.failedField;
    if (outcome.status != rounds::ReadOutcome::Status::Ok || outcome.encoding != encoding)
        return false;
    for (int k = 0; k < kFieldCount; ++k) {
        const rounds::RawField &field = outcome.fields[size_t(k)];
        if (!field.quoted || rounds::decodeField(field.bytes, encoding) != texts[size_t(k)])
            return false;
    }
    return true;
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// A new empty file beside target, named so that it is hidden and plainly
// belongs to it; returns its descriptor and name, or -1 with errno set.
int createBeside(const QString &target, QString *name)
{
    const QFileInfo info(target);
    QByteArray pattern =
        native(info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        *name = QFile::decodeName(pattern);
    return fd;
}

struct Target
{
    Target(const QString &file, WriteStep write, WriteStep place, WriteStep back)
        : path(file), writeStep(write), placeStep(place), putBackStep(back)
    {
    }

    const QString path;
    const WriteStep writeStep;   // where a test makes writing its temporary file fail
    const WriteStep placeStep;   // ... renaming it into place, once any old file stepped aside
    const WriteStep putBackStep; // ... putting the old file back
    QByteArray bytes;
    mode_t mode = 0666;
    bool existed = false;
    QString temp;     // the new content, until it is renamed into place
    QString backup;   // the old file, kept until both new ones are in place
    QString stranded; // the old file, when it could not be put back
};

// The round's two files.
struct Targets
{
    Target questions;
    Target answers;

    std::array<Target *, 2> both() { return {&questions, &answers}; }
};

// The temporary file of target, complete and on disk, or an errno.
int writeTemp(Target &target)
{
    const int fd = createBeside(target.path, &target.temp);
    if (fd < 0)
        return errno;
    int error = ::fchmod(fd, target.mode) == 0 ? rounds::writeAll(fd, target.bytes) : errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// Without overwrite, a file that appeared since the check is not replaced
// either: the rename itself refuses.
int place(const QString &from, const QString &to, bool overwrite)
{
    if (overwrite)
        return ::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, native(from).constData(), AT_FDCWD, native(to).constData(), RENAME_NOREPLACE) ==
        0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: a hard link fails on an existing name too.
    if (::link(native(from).constData(), native(to).constData()) != 0)
        return errno;
    ::unlink(native(from).constData());
    return 0;
}

void removeIfNamed(QString &path)
{
    if (!path.isEmpty())
        ::unlink(native(path).constData());
    path.clear();
}

// One encoding for both files: Windows-1251 if the whole round fits. False,
// with result saying why, when neither reads back as written.
bool encodeRound(const QString &roundName, const RoundTexts &texts, Targets &targets, WriteResult &result)
{
    const std::pair<Target *, const std::array<QString, kFieldCount> *> files[] = {
        {&targets.questions, &texts.questions}, {&targets.answers, &texts.answers}};
    for (const Encoding encoding : {Encoding::Windows1251, Encoding::Utf8Bom}) {
        bool encoded = true;
        for (const auto &[target, contents] : files) {
            const std::optional<QByteArray> bytes = encodeFile(*contents, encoding);
            int tooLong = 0;
            encoded = bytes && readsBackAs(*bytes, *contents, encoding, &tooLong);
            if (encoded)
                target->bytes = *bytes;
            if (tooLong > 0 && encoding == Encoding::Utf8Bom) {
                result.status = WriteResult::Status::FieldTooLong;
                result.tooLongField = tooLong;
                result.tooLongAnswer = target == &targets.answers;
                result.error = rounds::message::fieldTooLong(target->path, tooLong);
                return false;
            }
            if (!encoded)
                break;
        }
        if (encoded) {
            result.encoding = encoding;
            return true;
        }
    }
    result.error = rounds::message::notWritableAsIs(roundName);
    return false;
}

// What is at the targets' names now, and so the mode of each new file. False,
// with result saying why, when something there may not be replaced.
bool inspectTargets(Targets &targets, bool overwrite, WriteResult &result)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (Target *target : targets.both()) {
        struct stat info
        {
        };
        if (::lstat(native(target->path).constData(), &info) != 0) {
            target->mode = 0666 & ~mask;
            continue;
        }
        if (!overwrite) {
            result.error = rounds::message::alreadyThere(target->path);
            return false;
        }
        if (S_ISDIR(info.st_mode)) {
            result.error = rounds::message::isFolder(target->path);
            return false;
        }
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
            result.error = rounds::message::notRegular(target->path);
            return false;
        }
        target->existed = true;
        target->mode = S_ISREG(info.st_mode) ? (info.st_mode & 07777) : (0666 & ~mask);
    }
    return true;
}

// The new files written beside the targets and renamed into place; on a
// failure the old files are put back and the temporary ones removed.
class Placing
{
public:
    Placing(Targets &targets, WriteResult &result, bool overwrite, const WriteFault &fault)
        : m_targets(targets), m_result(result), m_overwrite(overwrite), m_fault(fault)
    {
    }

    // Both new files complete before either old one is touched.
    bool writeTemps()
    {
        for (Target *target : m_targets.both()) {
            int error = step(target->writeStep);
            if (error == 0)
                error = writeTemp(*target);
            if (error != 0)
                return failed(target->path, error);
        }
        return true;
    }

    // The answers go into place after the questions; if they cannot, the
    // questions go back too.
    bool placeBoth()
    {
        return placeOne(m_targets.questions, nullptr) && placeOne(m_targets.answers, &m_targets.questions);
    }

    void cleanUp()
    {
        for (Target *target : m_targets.both()) {
            removeIfNamed(target->temp);
            removeIfNamed(target->backup);
        }
    }

private:
    int step(WriteStep s) const { return m_fault ? m_fault(s) : 0; }

    bool placeOne(Target &target, Target *placedBefore)
    {
        int error = target.existed ? stepAside(target) : 0;
        if (error == 0)
            error = step(target.placeStep);
        if (error == 0)
            error = place(target.temp, target.path, m_overwrite);
        if (error != 0) {
            if (target.existed && !target.backup.isEmpty()) {
                // The old file is back in its place, or it was never moved.
                struct stat info
                {
                };
                if (::lstat(native(target.path).constData(), &info) != 0)
                    putBack(target);
            }
            if (placedBefore)
                putBack(*placedBefore);
            return failed(target.path, error);
        }
        target.temp.clear();
        return true;
    }

    // An old file steps aside to a name of its own, so that it can come back
    // if its partner cannot be placed.
    static int stepAside(Target &target)
    {
        QString reserved;
        const int fd = createBeside(target.path, &reserved);
        if (fd < 0)
            return errno;
        ::close(fd);
        target.backup = reserved;
        if (::rename(native(target.path).constData(), native(target.backup).constData()) != 0)
            return errno;
        return 0;
    }

    // The old file back where it was, or, when there was none, the new one gone.
    void putBack(Target &target)
    {
        if (target.backup.isEmpty()) {
            ::unlink(native(target.path).constData());
            return;
        }
        int error = step(target.putBackStep);
        if (error == 0 && ::rename(native(target.backup).constData(), native(target.path).constData()) != 0)
            error = errno;
        if (error != 0)
            target.stranded = target.backup; // never removed with the temporary files
        target.backup.clear();
    }

    bool failed(const QString &path, int error)
    {
        cleanUp();
        m_result.error =
            error == EEXIST ? rounds::message::alreadyThere(path) : rounds::message::writeFailed(path, error);
        for (Target *target : m_targets.both())
            if (!target->stranded.isEmpty())
                m_result.error += rounds::message::oldFileKeptAs(target->path, target->stranded);
        return false;
    }

    Targets &m_targets;
    WriteResult &m_result;
    const bool m_overwrite;
    const WriteFault &m_fault;
};

} // namespace

WriteResult writeRound(const QString &roundName, const RoundTexts &texts, bool overwrite,
                       const WriteFault &fault)
{
    WriteResult result;
    Targets targets{{rounds::questionFileName(roundName), WriteStep::WriteQuestions,
                     WriteStep::PlaceQuestions, WriteStep::PutBackQuestions},
                    {rounds::answerFileName(roundName), WriteStep::WriteAnswers, WriteStep::PlaceAnswers,
                     WriteStep::PutBackAnswers}};
    if (roundName.contains(QChar(0))) {
        result.error = rounds::message::invalidName();
        return result;
    }
    if (!encodeRound(roundName, texts, targets, result) || !inspectTargets(targets, overwrite, result))
        return result;

    Placing placing(targets, result, overwrite, fault);
    if (!placing.writeTemps() || !placing.placeBoth())
        return result;
    placing.cleanUp();
    result.status = WriteResult::Status::Written;
    return result;
}

Done writeWhole(const QString &path, const QByteArray &bytes, bool overwrite, const QString &alreadyThere)
{
    if (path.contains(QChar(0)))
        return Done::failure(rounds::message::writeFailed(path, EINVAL));
    Target target(path, WriteStep::WriteQuestions, WriteStep::PlaceQuestions, WriteStep::PutBackQuestions);
    target.bytes = bytes;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    target.mode = 0666 & ~mask;
    struct stat info
    {
    };
    if (::lstat(native(path).constData(), &info) == 0) {
        if (!overwrite)
            return Done::failure(alreadyThere);
        if (S_ISDIR(info.st_mode))
            return Done::failure(rounds::message::isFolder(path));
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
            return Done::failure(rounds::message::notRegular(path));
        if (S_ISREG(info.st_mode))
            target.mode = info.st_mode & 07777;
    }
    int error = writeTemp(target);
    if (error == 0)
        error = place(target.temp, path, overwrite);
    if (error != 0) {
        removeIfNamed(target.temp);
        return Done::failure(error == EEXIST ? alreadyThere : rounds::message::writeFailed(path, error));
    }
    // The new name on the disk too, so that a power cut does not bring the old file back.
    const int folder = ::open(native(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

} // namespace check
