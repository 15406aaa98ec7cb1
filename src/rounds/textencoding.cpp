#include "rounds/textencoding.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace rounds {

namespace {

// The byte order marks a file may start with.
struct Mark
{
    unsigned char bytes[3];
    int size;
    Encoding encoding;
};
constexpr Mark kMarks[] = {
    {{0xEF, 0xBB, 0xBF}, 3, Encoding::Utf8Bom},
    {{0xFF, 0xFE}, 2, Encoding::Utf16Le},
    {{0xFE, 0xFF}, 2, Encoding::Utf16Be},
};

bool isUtf16(Encoding encoding)
{
    return encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be;
}

int putUtf8(char32_t code, unsigned char *out)
{
    if (code < 0x80) {
        out[0] = static_cast<unsigned char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | code >> 6);
        out[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | code >> 12);
        out[1] = static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | code >> 18);
    out[1] = static_cast<unsigned char>(0x80 | (code >> 12 & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    return 4;
}

// A converter from Windows-1251, opened once per thread: iconv descriptors
// carry state and must not be shared between threads.
class Cp1251Decoder
{
public:
    Cp1251Decoder() : m_cd(iconv_open("UTF-8", "CP1251")) {}
    ~Cp1251Decoder()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Cp1251Decoder(const Cp1251Decoder &) = delete;
    Cp1251Decoder &operator=(const Cp1251Decoder &) = delete;

    bool ok() const { return m_cd != iconv_t(-1); }

    QString decode(const QByteArray &bytes)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        // No Windows-1251 character takes more than three bytes in UTF-8, and
        // neither does the replacement character.
        QByteArray utf8(bytes.size() * 3, Qt::Uninitialized);
        char *in = const_cast<char *>(bytes.constData());
        size_t inLeft = size_t(bytes.size());
        char *out = utf8.data();
        size_t outLeft = size_t(utf8.size());
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &out, &outLeft) != size_t(-1))
                break;
            if (errno != EILSEQ && errno != EINVAL)
                break;
            // 0x98 has no character in Windows-1251.
            static const char replacement[] = "\xEF\xBF\xBD";
            for (int i = 0; i < 3; ++i)
                *out++ = replacement[i];
            outLeft -= 3;
            ++in;
            --inLeft;
        }
        utf8.truncate(out - utf8.data());
        return QString::fromUtf8(utf8);
    }

private:
    iconv_t m_cd;
};

QString decodeWithoutIconv(const QByteArray &bytes)
{
    // Only if the C library lacks the converter: keep what is ASCII.
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes)
        text.append(static_cast<unsigned char>(c) < 0x80 ? QChar(QLatin1Char(c))
                                                         : QChar(QChar::ReplacementCharacter));
    return text;
}

} // namespace

void Utf8Check::feed(unsigned char b)
{
    if (!m_ok)
        return;
    if (m_need > 0) {
        if (b < m_lo || b > m_hi) {
            m_ok = false;
            return;
        }
        --m_need;
        m_lo = 0x80;
        m_hi = 0xBF;
        return;
    }
    if (b < 0x80)
        return;
    m_nonAscii = true;
    m_lo = 0x80;
    m_hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        m_need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        m_need = 2;
        if (b == 0xE0)
            m_lo = 0xA0; // shorter forms exist
        else if (b == 0xED)
            m_hi = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        m_need = 3;
        if (b == 0xF0)
            m_lo = 0x90;
        else if (b == 0xF4)
            m_hi = 0x8F; // past U+10FFFF
    } else {
        m_ok = false;
    }
}

Encoding Utf8Check::verdict() const
{
    return m_ok && m_need == 0 && m_nonAscii ? Encoding::Utf8 : Encoding::Windows1251;
}

void TextFeed::feed(unsigned char c)
{
    if (m_mark && isUtf16(*m_mark)) {
        feedUtf16(c);
        return;
    }
    if (!m_markDecided) {
        m_head[m_headSize++] = c;
        bool prefixOfAny = false;
        for (const Mark &mark : kMarks) {
            if (m_headSize > mark.size || std::memcmp(m_head, mark.bytes, size_t(m_headSize)) != 0)
                continue;
            if (m_headSize == mark.size) {
                m_markDecided = true;
                m_mark = mark.encoding;
                return;
            }
            prefixOfAny = true;
        }
        if (prefixOfAny)
            return;
        // Bytes that began like a mark but were not one are ordinary text.
        m_markDecided = true;
        hand(m_head, m_headSize);
        return;
    }
    m_wantMore = m_sink.take(c);
}

void TextFeed::finish()
{
    if (!m_markDecided) {
        m_markDecided = true;
        hand(m_head, m_headSize);
    } else if (m_mark && isUtf16(*m_mark)) {
        finishUtf16();
    }
}

std::optional<Encoding> TextFeed::markEncoding() const
{
    return m_mark;
}

void TextFeed::hand(const unsigned char *bytes, int n)
{
    for (int k = 0; k < n && m_wantMore; ++k)
        m_wantMore = m_sink.take(bytes[k]);
}

void TextFeed::feedUtf16(unsigned char b)
{
    if (!m_haveByte) {
        m_firstByte = b;
        m_haveByte = true;
        return;
    }
    m_haveByte = false;
    const bool bigEndian = *m_mark == Encoding::Utf16Be;
    const char16_t unit = bigEndian ? char16_t(m_firstByte << 8 | b) : char16_t(b << 8 | m_firstByte);
    int n = 0;
    if (m_high != 0) {
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            const char32_t code = 0x10000 + ((char32_t(m_high) - 0xD800) << 10) + (unit - 0xDC00);
            m_high = 0;
            hand(m_out, putUtf8(code, m_out));
            return;
        }
        m_high = 0;
        n = putUtf8(0xFFFD, m_out);
    }
    if (unit >= 0xD800 && unit <= 0xDBFF)
        m_high = unit;
    else
        n += putUtf8(unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit, m_out + n);
    hand(m_out, n);
}

void TextFeed::finishUtf16()
{
    // Whatever is left over was cut off.
    const bool cut = m_haveByte || m_high != 0;
    m_haveByte = false;
    m_high = 0;
    if (cut)
        hand(m_out, putUtf8(0xFFFD, m_out));
}

QString decodeField(const QByteArray &bytes, Encoding encoding)
{
    if (encoding != Encoding::Windows1251)
        return QString::fromUtf8(bytes);
    if (bytes.isEmpty())
        return QString();
    thread_local Cp1251Decoder decoder;
    return decoder.ok() ? decoder.decode(bytes) : decodeWithoutIconv(bytes);
}

DecodedText decodeText(const QByteArray &bytes)
{
    // Every text byte kept, and judged as UTF-8 on the way.
    struct Collect final : TextSink
    {
        QByteArray text;
        Utf8Check utf8;
        bool take(unsigned char c) override
        {
            text.append(char(c));
            utf8.feed(c);
            return true;
        }
    } sink;
    sink.text.reserve(bytes.size());
    TextFeed feed(sink);
    for (const char c : bytes)
        feed.feed(static_cast<unsigned char>(c));
    feed.finish();

    DecodedText decoded;
    decoded.encoding = feed.markEncoding().value_or(sink.utf8.verdict());
    decoded.text = decodeField(sink.text, decoded.encoding);
    return decoded;
}

} // namespace rounds
