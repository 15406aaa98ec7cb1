#pragma once

// Pictures the tests make on the fly: solid colours in any format Qt
// writes, and files that only claim to be pictures.

#include "support/testfiles.h"

#include <QColor>
#include <QImage>
#include <QtEndian>

// A picture of one colour, in the format the path's extension names.
inline void mustWritePicture(const QString &path, QSize size, QColor colour, const char *format = nullptr)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path, format, 95))
        qFatal("cannot write picture %s", qPrintable(path));
}

// A 4 x 4 GIF of two frames, #2080E0 then #FF0000 (Qt writes no GIF).
inline QByteArray twoFrameGif()
{
    static const unsigned char bytes[] = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x04, 0x00, 0xf0, 0x00, 0x00, 0x20, 0x80, 0xe0,
        0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45,
        0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00,
        0x00, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x02, 0x04, 0x84, 0x8f, 0x09, 0x05, 0x00, 0x21,
        0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00,
        0x80, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x04, 0x84, 0x8f, 0x09, 0x05, 0x00, 0x3b};
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

// A PNG whose header claims size and whose pixels are a few bytes: what a
// decompression bomb looks like to a reader that trusts the header.
inline QByteArray pngHeaderClaiming(QSize size)
{
    auto crc32 = [](const QByteArray &bytes) {
        quint32 crc = 0xFFFFFFFFu;
        for (char c : bytes) {
            crc ^= quint8(c);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    };
    auto chunk = [&](const QByteArray &type, const QByteArray &data) {
        QByteArray out(4, '\0');
        qToBigEndian(quint32(data.size()), out.data());
        QByteArray crc(4, '\0');
        qToBigEndian(crc32(type + data), crc.data());
        return out + type + data + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian(quint32(size.width()), header.data());
    qToBigEndian(quint32(size.height()), header.data() + 4);
    header[8] = 8; // bits per sample
    header[9] = 2; // RGB
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + chunk("IHDR", header) + chunk("IDAT", QByteArray(16, '\0')) +
           chunk("IEND", {});
}
