#include "clips/roundclips.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace clips {

namespace {

int extensionRank(const QString &fileName)
{
    return int(extensions().indexOf(QFileInfo(fileName).suffix().toLower()));
}

QString secondFile(const QString &played)
{
    return QStringLiteral("второй файл для того же места, играется %1").arg(played);
}

} // namespace

const QStringList &extensions()
{
    static const QStringList list{QStringLiteral("flac"), QStringLiteral("wav"), QStringLiteral("opus"),
                                  QStringLiteral("ogg"), QStringLiteral("mp3")};
    return list;
}

std::optional<Key> matchFileName(const QString &fileName)
{
    return pictures::matchNumberedName(fileName, extensions());
}

bool Listing::any() const
{
    return std::any_of(places.begin(), places.end(), [](const Clip &c) { return !c.fileName.isEmpty(); });
}

Listing findClips(const QString &roundName)
{
    Listing listing;
    const QString folder = pictures::folderOf(roundName);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return listing;
    QStringList filters;
    for (const QString &extension : extensions())
        filters << QStringLiteral("*.") + extension;
    QDir dir(folder);
    dir.setNameFilters(filters); // case-insensitive by default
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    if (names.isEmpty() || names.size() > pictures::kMaxFolderEntries)
        return listing;
    listing.folder = folder;
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();

    for (const QString &fileName : names) {
        const std::optional<Key> key = matchFileName(fileName);
        if (!key) {
            listing.strays.push_back({fileName, pictures::strayReason(fileName, extensions())});
            continue;
        }
        Clip &slot = listing.places[size_t(key->index())];
        if (!slot.fileName.isEmpty()) {
            const bool keepOld = extensionRank(slot.fileName) <= extensionRank(fileName);
            const QString &played = keepOld ? slot.fileName : fileName;
            listing.strays.push_back({keepOld ? fileName : slot.fileName, secondFile(played)});
            if (keepOld)
                continue;
        }
        const QString path = folder + QLatin1Char('/') + fileName;
        slot = {fileName, path, pictures::linkOutsideProblem(path, canonicalFolder)};
    }
    return listing;
}

} // namespace clips
