#include "game/teamnames.h"

#include "rounds/roundfile.h"
#include "rounds/textencoding.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace teams {

namespace {

// Far more than two names need; a larger file is not a names file.
constexpr qint64 kMaxFileBytes = 4096;

} // namespace

QString cleanName(const QString &name)
{
    QString clean;
    for (const QChar c : name)
        clean +=
            c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ? QChar(u' ') : c;
    clean = clean.simplified();
    if (clean.size() > kMaxNameLength) {
        clean.truncate(kMaxNameLength);
        const qsizetype blank = clean.lastIndexOf(u' ');
        if (blank > 0)
            clean.truncate(blank); // at a word's end, never inside one
    }
    return clean;
}

Names namesFromText(const QString &text)
{
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    Names names;
    names.first = cleanName(lines.value(0));
    names.second = cleanName(lines.value(1));
    return names;
}

NamesRead readNames(const QString &path)
{
    NamesRead read;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return read;
    const rounds::WholeFile file = rounds::readWholeFile(path, kMaxFileBytes);
    if (!file.value) {
        read.error = file.error;
        return read;
    }
    read.names = namesFromText(rounds::decodeText(*file.value).text);
    return read;
}

} // namespace teams
