#include "layout/picturedecode.h"

#include "rounds/roundfile.h"

#include <QBuffer>
#include <QImageReader>

namespace pictures {

namespace {

// Enough for a 40-megapixel picture decoded whole, and no more.
constexpr int kAllocationLimitMb = 200;

// A JPEG file ends its last scan with the end-of-image marker; a file cut
// short does not, and libjpeg would fill the missing part with grey.
bool jpegComplete(const QByteArray &bytes)
{
    const qsizetype lastScan = bytes.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    const qsizetype end = bytes.lastIndexOf(QByteArrayView("\xFF\xD9", 2));
    return lastScan >= 0 && end > lastScan;
}

QString notAPicture(const QString &path)
{
    if (path.endsWith(QStringLiteral(".webp"), Qt::CaseInsensitive) &&
        !QImageReader::supportedImageFormats().contains("webp"))
        return QStringLiteral("%1: WebP не поддерживается (нужен пакет qt6-image-formats-plugins)").arg(path);
    return QStringLiteral("%1 — не картинка (PNG, JPEG, WebP, GIF или BMP)").arg(path);
}

// Opens the file and reads its header: on success the reader is ready to
// decode (bytes and buffer must outlive it).
bool openPicture(const QString &path, QByteArray &bytes, QBuffer &buffer, QImageReader &reader, Decoded &out)
{
    rounds::WholeFile file = rounds::readWholeFile(path, kMaxFileBytes);
    if (!file.value) {
        out.error = file.error;
        return false;
    }
    bytes = std::move(*file.value);
    out.fileBytes = bytes.size();
    buffer.setBuffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    reader.setAutoTransform(true);
    out.format = reader.format();
    out.fullSize = reader.size();
    if (out.format.isEmpty() || !out.fullSize.isValid() || out.fullSize.isEmpty()) {
        out.error = notAPicture(path);
        return false;
    }
    const bool jpeg = out.format == "jpeg";
    const qint64 pixels = qint64(out.fullSize.width()) * out.fullSize.height();
    if (pixels > (jpeg ? kMaxJpegPixels : kMaxPixels)) {
        out.error =
            QStringLiteral("%1: %2 × %3 точек — слишком большая картинка (не больше %4 млн точек)")
                .arg(path, QString::number(out.fullSize.width()), QString::number(out.fullSize.height()),
                     QString::number((jpeg ? kMaxJpegPixels : kMaxPixels) / 1'000'000));
        return false;
    }
    if (jpeg && !jpegComplete(bytes)) {
        out.error = QStringLiteral("%1 — картинка оборвана: файл неполный").arg(path);
        return false;
    }
    return true;
}

} // namespace

Decoded decodePicture(const QString &path, const QSize &box)
{
    // Set once, before the first decode, from whichever thread gets here first.
    static const bool limited = (QImageReader::setAllocationLimit(kAllocationLimitMb), true);
    Q_UNUSED(limited);
    Decoded out;
    QByteArray bytes;
    QBuffer buffer;
    QImageReader reader;
    if (!openPicture(path, bytes, buffer, reader, out))
        return out;
    // An EXIF rotation turns the picture before it is fitted.
    QSize upright = out.fullSize;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        upright.transpose();
    const QSize fitted =
        box.isEmpty() ? upright : upright.scaled(box, Qt::KeepAspectRatio).expandedTo({1, 1});
    if (fitted != upright) {
        // The reader's size is before the rotation.
        reader.setScaledSize(upright == out.fullSize ? fitted : fitted.transposed());
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        out.error = reader.error() == QImageReader::UnsupportedFormatError
                        ? notAPicture(path)
                        : QStringLiteral("%1 — картинка повреждена, её не прочитать").arg(path);
        return out;
    }
    if (image.size() != fitted)
        image = image.scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    out.image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    return out;
}

} // namespace pictures
