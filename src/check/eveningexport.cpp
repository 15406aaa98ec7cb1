#include "check/eveningexport.h"

#include "check/roundwriter.h"
#include "journal/journalfile.h"
#include "journal/record.h"
#include "rounds/roundmessages.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace check {

namespace {

QString unreadJournal(const QString &path, const QString &cause)
{
    return QStringLiteral("Журнал игры %1 не прочитан: %2").arg(path, cause);
}

} // namespace

JournalEvening readEvening(const QString &folder)
{
    JournalEvening read;
    read.path = folder + u'/' + QLatin1String(journal::kJournalName);
    // Opened as it is: journal::openFolder would make a missing folder, and
    // the checker leaves the program's state alone.
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            read.error = unreadJournal(read.path, rounds::message::writeCause(errno));
        return read;
    }
    const journal::JournalBytes bytes = journal::readJournal(fd, journal::kMaxRecordBytes);
    ::close(fd);
    if (!bytes) {
        read.error = unreadJournal(read.path, bytes.error);
        return read;
    }
    if (!*bytes.value)
        return read;
    read.found = true;
    const journal::ParsedRecord record = journal::parseRecord(**bytes.value);
    if (!record) {
        read.error = unreadJournal(read.path, record.error);
        return read;
    }
    read.evening = record.value->evening;
    return read;
}

QString eveningNote(const JournalEvening &read, const QDateTime &now)
{
    if (!read.found)
        return QStringLiteral("Вечер пуст: журнала игры %1 нет — Квизория ещё не записала ни одной игры")
            .arg(read.path);
    if (read.evening.isEmpty())
        return QStringLiteral("Вечер пуст: ни в одном туре ещё не дано ни одного очка");
    if (read.evening.staleAt(now))
        return QStringLiteral("Это прошлый вечер: он не менялся больше 12 часов (последний раз %1), "
                              "и Квизория начнёт новый")
            .arg(read.evening.changed.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    return QString();
}

Done writeEveningTable(const QString &path, const Evening &evening, bool overwrite)
{
    return writeWhole(path, evening::csv(evening), overwrite,
                      QStringLiteral("Файл %1 уже есть; чтобы заменить его, добавьте --force").arg(path));
}

} // namespace check
