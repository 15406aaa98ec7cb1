#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reading one picture file, at the size it is shown. Safe on any thread.
namespace pictures {

// Files larger than this are not read at all.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
// Pictures whose format is decoded whole (all but JPEG) may have this many
// pixels; JPEG, which is scaled while it is decoded, four times as many.
constexpr qint64 kMaxPixels = 40'000'000;
constexpr qint64 kMaxJpegPixels = 4 * kMaxPixels;

struct Decoded
{
    QImage image;      // null when the picture cannot be shown
    QSize fullSize;    // as the file says, when it could be read
    QByteArray format; // "png", "jpeg", ...
    qint64 fileBytes = 0;
    QString error; // the host's message, naming the file and the cause
};

// The picture at path, scaled to fit box with its proportions kept (at its
// own size when box is empty). The file is opened the way round files are:
// regular files only, never waiting on a FIFO.
Decoded decodePicture(const QString &path, const QSize &box);

} // namespace pictures
