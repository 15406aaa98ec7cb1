#include "rounds/writeerror.h"

#include <cerrno>

namespace rounds {

QString writeErrorCause(int error)
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
    case EFBIG:
        return QStringLiteral("файл слишком большой");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода");
    default:
        return QStringLiteral("ошибка %1").arg(error);
    }
}

} // namespace rounds
