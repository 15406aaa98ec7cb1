#include "rounds/roundmessages.h"

#include "rounds/fieldreader.h"

#include <cerrno>

namespace rounds::message {

QString invalidName()
{
    return QStringLiteral("Недопустимое имя тура");
}

QString openFailed(int error, const QString &path)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Нет файла %1").arg(path);
    case EACCES:
    case EPERM:
        return QStringLiteral("Нет доступа к файлу %1").arg(path);
    case EISDIR:
        return isFolder(path);
    case ENXIO:
        // What opening a socket (or a device with no driver) gives.
        return notRegular(path);
    case ENAMETOOLONG:
        return QStringLiteral("Слишком длинное имя файла %1").arg(path);
    case ELOOP:
        return QStringLiteral("Не удаётся открыть файл %1: слишком много символьных ссылок").arg(path);
    default:
        // One pass, so a "%2" in the round name is not taken for a placeholder.
        return QStringLiteral("Не удаётся открыть файл %1 (ошибка %2)").arg(path, QString::number(error));
    }
}

QString isFolder(const QString &path)
{
    return QStringLiteral("%1 — это папка, а не файл").arg(path);
}

QString notRegular(const QString &path)
{
    return QStringLiteral("%1 — не обычный файл").arg(path);
}

QString readFailed(const QString &path)
{
    return QStringLiteral("Ошибка чтения файла %1").arg(path);
}

QString tooFewFields(const QString &path, int wanted, int found)
{
    return QStringLiteral("В файле %1 меньше %2 полей (найдено %3)")
        .arg(path, QString::number(wanted), QString::number(found));
}

QString fieldTooLong(const QString &path, int field)
{
    return QStringLiteral("В файле %1 поле %2 длиннее %3 КиБ")
        .arg(path, QString::number(field), QString::number(kFieldByteCap / 1024));
}

QString fileTooLarge(const QString &path, qint64 maxBytes)
{
    return QStringLiteral("Файл %1 больше %2 МиБ").arg(path, QString::number(maxBytes / (1024 * 1024)));
}

QString writeCause(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("нет такой папки");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет доступа");
    case ENOSPC:
        return QStringLiteral("нет места на диске");
    case EDQUOT:
        return QStringLiteral("превышена квота диска");
    case EROFS:
        return QStringLiteral("диск только для чтения");
    case EISDIR:
        return QStringLiteral("это папка");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода");
    case EFBIG:
        return QStringLiteral("файл слишком большой");
    default:
        return QStringLiteral("ошибка %1").arg(error);
    }
}

QString writeFailed(const QString &path, int error)
{
    return QStringLiteral("Не удаётся записать файл %1: %2").arg(path, writeCause(error));
}

QString alreadyThere(const QString &path)
{
    return QStringLiteral("Файл %1 уже есть; чтобы заменить тур, добавьте --force").arg(path);
}

QString notWritableAsIs(const QString &roundName)
{
    return QStringLiteral("Тур %1 не удаётся записать так, чтобы программа прочитала его без изменений")
        .arg(roundName);
}

QString oldFileKeptAs(const QString &path, const QString &keptAs)
{
    return QStringLiteral("; прежний %1 сохранён как %2").arg(path, keptAs);
}

} // namespace rounds::message
