#include "rounds/roundpictures.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace pictures {

namespace {

// The extensions looked for, in the order preferred when one question has
// two pictures.
const QStringList &extensions()
{
    static const QStringList list{QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                  QStringLiteral("webp"), QStringLiteral("gif"), QStringLiteral("bmp")};
    return list;
}

int extensionRank(const QString &fileName)
{
    return int(extensions().indexOf(QFileInfo(fileName).suffix().toLower()));
}

// A name that would match with a Cyrillic «З» or «О» read as the digit or
// the Latin letter it looks like.
bool looksLikeWithCyrillic(const QString &fileName, const QStringList &extensions)
{
    static const QString cyrillic = QStringLiteral("ЗзОо");
    if (std::none_of(fileName.begin(), fileName.end(), [](QChar c) { return cyrillic.contains(c); }))
        return false;
    for (const QString &forO : {QStringLiteral("o"), QStringLiteral("0")}) {
        QString latin = fileName;
        latin.replace(QChar(u'З'), u'3').replace(QChar(u'з'), u'3');
        latin.replace(QChar(u'О'), forO).replace(QChar(u'о'), forO);
        if (matchNumberedName(latin, extensions))
            return true;
    }
    return false;
}

} // namespace

QString strayReason(const QString &fileName, const QStringList &extensions)
{
    if (looksLikeWithCyrillic(fileName, extensions))
        return QStringLiteral("в имени русская буква вместо цифры или латинской «o»");
    return QStringLiteral("не подходит ни к одному вопросу или ответу");
}

// A loop or a dangling link is left for the opening to report.
QString linkOutsideProblem(const QString &path, const QString &canonicalFolder)
{
    const QFileInfo entry(path);
    if (!entry.isSymLink())
        return {};
    const QString target = entry.canonicalFilePath();
    if (target.isEmpty() || target.startsWith(canonicalFolder + QLatin1Char('/')))
        return {};
    return QStringLiteral("%1 — ссылка за пределы папки %2").arg(entry.filePath(), entry.path());
}

Key Key::fromIndex(int index)
{
    return index < kCount ? Key{index + 1, Side::Question} : Key{index - kCount + 1, Side::Answer};
}

std::optional<Key> matchFileName(const QString &fileName)
{
    return matchNumberedName(fileName, extensions());
}

std::optional<Key> matchNumberedName(const QString &fileName, const QStringList &extensions)
{
    static const QRegularExpression name(QStringLiteral("^(1[0-2]|[1-9])(o?)\\.([^.]+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = name.match(fileName);
    if (!match.hasMatch() || !extensions.contains(match.captured(3).toLower()))
        return std::nullopt;
    return Key{match.captured(1).toInt(), match.captured(2).isEmpty() ? Side::Question : Side::Answer};
}

QString folderOf(const QString &roundName)
{
    if (roundName.isEmpty() || roundName.endsWith(QLatin1Char('/')) || roundName.contains(QChar(0)))
        return {};
    return roundName;
}

bool Listing::any() const
{
    return std::any_of(places.begin(), places.end(), [](const Picture &p) { return !p.fileName.isEmpty(); });
}

Listing findPictures(const QString &roundName)
{
    Listing listing;
    const QString folder = folderOf(roundName);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return listing;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    if (names.isEmpty() || names.size() > kMaxFolderEntries)
        return listing;
    listing.folder = folder;
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();

    for (const QString &fileName : names) {
        const std::optional<Key> key = matchFileName(fileName);
        if (!key) {
            listing.strays.push_back({fileName, strayReason(fileName, extensions())});
            continue;
        }
        Picture &slot = listing.places[size_t(key->index())];
        if (!slot.fileName.isEmpty() && extensionRank(slot.fileName) <= extensionRank(fileName)) {
            listing.strays.push_back(
                {fileName,
                 QStringLiteral("второй файл для того же места, показывается %1").arg(slot.fileName)});
            continue;
        }
        if (!slot.fileName.isEmpty())
            listing.strays.push_back(
                {slot.fileName,
                 QStringLiteral("второй файл для того же места, показывается %1").arg(fileName)});
        const QString path = folder + QLatin1Char('/') + fileName;
        slot = {fileName, path, linkOutsideProblem(path, canonicalFolder)};
    }
    return listing;
}

} // namespace pictures
