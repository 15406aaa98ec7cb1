#include "check/picturecheck.h"

#include "layout/picturedecode.h"
#include "rounds/roundpictures.h"

namespace check {

namespace {

// The board's numbers at the designed size: pictures are decoded as the
// window decodes them, so a file that fails here fails there.
constexpr QSize kBoardArea(609, 407);

// Beyond either a picture still shows, but is slow to read and heavy to hold.
constexpr qint64 kLargePixels = 50'000'000;
constexpr qint64 kLargeBytes = 16LL * 1024 * 1024;

QString sizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 КиБ").arg((bytes + 1023) / 1024);
    return QStringLiteral("%1 МиБ").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

Warning pictureWarning(const QString &file, int number, const QString &message)
{
    Warning warning{Warning::Kind::Picture, file, 0, {}, message};
    if (number > 0)
        warning.numbers.push_back(number);
    return warning;
}

void checkOne(const pictures::Key &key, const pictures::Picture &picture, PictureReport &report)
{
    const QString place = key.side == pictures::Side::Question
                              ? QStringLiteral("%1. вопрос").arg(key.number, 2)
                              : QStringLiteral("%1. ответ ").arg(key.number, 2);
    if (!picture.problem.isEmpty()) {
        report.lines << QStringLiteral("%1: %2 — не будет показана").arg(place, picture.fileName);
        report.warnings.push_back(pictureWarning(picture.path, key.number, picture.problem));
        return;
    }
    const pictures::Decoded decoded = pictures::decodePicture(picture.path, kBoardArea);
    if (!decoded.error.isEmpty()) {
        report.lines << QStringLiteral("%1: %2 — не будет показана").arg(place, picture.fileName);
        report.warnings.push_back(pictureWarning(picture.path, key.number, decoded.error));
        return;
    }
    report.lines << QStringLiteral("%1: %2 — %3, %4 × %5, %6")
                        .arg(place, picture.fileName, QString::fromLatin1(decoded.format.toUpper()),
                             QString::number(decoded.fullSize.width()),
                             QString::number(decoded.fullSize.height()), sizeText(decoded.fileBytes));
    const qint64 pixels = qint64(decoded.fullSize.width()) * decoded.fullSize.height();
    if (pixels > kLargePixels || decoded.fileBytes > kLargeBytes)
        report.warnings.push_back(pictureWarning(
            picture.path, key.number,
            QStringLiteral("%1: очень большая картинка (%2 × %3, %4) — читается долго, лучше уменьшить")
                .arg(picture.path, QString::number(decoded.fullSize.width()),
                     QString::number(decoded.fullSize.height()), sizeText(decoded.fileBytes))));
}

} // namespace

PictureReport checkPictures(const QString &roundName)
{
    PictureReport report;
    const pictures::Listing listing = pictures::findPictures(roundName);
    if (listing.folder.isEmpty())
        return report;
    report.lines << QStringLiteral("Картинки из папки %1:").arg(listing.folder);
    for (int index = 0; index < pictures::kSlots; ++index) {
        const pictures::Key key = pictures::Key::fromIndex(index);
        const pictures::Picture &picture = listing.at(key);
        if (!picture.fileName.isEmpty())
            checkOne(key, picture, report);
    }
    if (!listing.any())
        report.lines << QStringLiteral("  (ни одной картинки к вопросам)");
    for (const pictures::Stray &stray : listing.strays) {
        const QString path = listing.folder + QLatin1Char('/') + stray.fileName;
        report.warnings.push_back(
            pictureWarning(path, 0, QStringLiteral("Файл %1: %2").arg(path, stray.why)));
    }
    return report;
}

} // namespace check
