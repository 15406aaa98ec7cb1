#include "rounds/fieldreader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <iconv.h>
#include <optional>

namespace rounds {

namespace {

// One pull asks for this much; it is also all that may be pulled past the
// end of the last field wanted.
constexpr long long kPullChunk = 64 * 1024;

// The byte order marks a file may start with.
constexpr unsigned char kUtf8Bom[] = {0xEF, 0xBB, 0xBF};
constexpr unsigned char kUtf16LeBom[] = {0xFF, 0xFE};
constexpr unsigned char kUtf16BeBom[] = {0xFE, 0xFF};

bool isBlank(unsigned char c)
{
    return c == ' ' || c == '\t';
}

// Strict UTF-8 well-formedness over a byte stream fed in any pieces: no
// overlong forms, no surrogates, nothing past U+10FFFF, no cut sequence.
class Utf8Check
{
public:
    void feed(unsigned char b)
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

    bool valid() const { return m_ok && m_need == 0; }
    bool sawNonAscii() const { return m_nonAscii; }

private:
    bool m_ok = true;
    bool m_nonAscii = false;
    int m_need = 0;
    unsigned char m_lo = 0x80;
    unsigned char m_hi = 0xBF;
};

// UTF-16 to UTF-8 a byte at a time, so pieces of any size read alike. A
// surrogate without its partner, or an odd byte at the end, becomes U+FFFD.
class Utf16ToUtf8
{
public:
    static constexpr int kMaxOut = 7; // U+FFFD for a lone surrogate, then a BMP character

    explicit Utf16ToUtf8(bool bigEndian) : m_bigEndian(bigEndian) {}

    // Returns how many UTF-8 bytes were put into out.
    int feed(unsigned char b, unsigned char *out)
    {
        if (!m_haveByte) {
            m_firstByte = b;
            m_haveByte = true;
            return 0;
        }
        m_haveByte = false;
        const char16_t unit = m_bigEndian ? char16_t(m_firstByte << 8 | b) : char16_t(b << 8 | m_firstByte);
        int n = 0;
        if (m_high != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                const char32_t code = 0x10000 + ((char32_t(m_high) - 0xD800) << 10) + (unit - 0xDC00);
                m_high = 0;
                return put(code, out);
            }
            m_high = 0;
            n = put(0xFFFD, out);
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_high = unit;
            return n;
        }
        return n + put(unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit, out + n);
    }

    // The data ended: whatever is left over was cut off.
    int finish(unsigned char *out)
    {
        const bool cut = m_haveByte || m_high != 0;
        m_haveByte = false;
        m_high = 0;
        return cut ? put(0xFFFD, out) : 0;
    }

private:
    static int put(char32_t code, unsigned char *out)
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

    const bool m_bigEndian;
    bool m_haveByte = false;
    unsigned char m_firstByte = 0;
    char16_t m_high = 0; // a high surrogate waiting for its low half
};

// Which byte order mark the first bytes of a file are: fed one byte at a
// time until it is known.
class BomDetector
{
public:
    enum class Result { Undecided, Bom, NoBom };

    Result feed(unsigned char b)
    {
        m_head[m_size++] = b;
        bool prefixOfAny = false;
        for (const auto &[bom, size, encoding] : kMarks) {
            if (m_size > size || std::memcmp(m_head, bom, size_t(m_size)) != 0)
                continue;
            if (m_size == size) {
                m_encoding = encoding;
                return Result::Bom;
            }
            prefixOfAny = true;
        }
        return prefixOfAny ? Result::Undecided : Result::NoBom;
    }

    // The bytes seen so far, when they turned out to be text.
    const unsigned char *head() const { return m_head; }
    int headSize() const { return m_size; }
    Encoding encoding() const { return m_encoding; }

private:
    struct Mark
    {
        const unsigned char *bytes;
        int size;
        Encoding encoding;
    };
    static constexpr Mark kMarks[] = {
        {kUtf8Bom, 3, Encoding::Utf8Bom},
        {kUtf16LeBom, 2, Encoding::Utf16Le},
        {kUtf16BeBom, 2, Encoding::Utf16Be},
    };

    unsigned char m_head[3] = {};
    int m_size = 0;
    Encoding m_encoding = Encoding::Windows1251;
};

// The field syntax as a byte-at-a-time machine, so that pieces of any size
// (a CR at the end of one pull, its LF at the start of the next) read alike.
class FieldScanner
{
public:
    FieldScanner(ReadOutcome &out, int maxFields) : m_out(out), m_maxFields(maxFields) {}

    // False once no more bytes are wanted: enough fields, or one too long.
    bool feed(unsigned char c)
    {
        m_utf8.feed(c);
        if (m_skipLf) {
            m_skipLf = false;
            if (c == '\n')
                return true; // second half of a CR LF
        }

        if (c == '\r' || c == '\n') {
            m_skipLf = (c == '\r');
            ++m_line;
            return endField(false);
        }
        if (c == ',' && m_state != State::Quoted)
            return endField(true);

        if (++m_fieldBytes > kFieldByteCap) {
            m_out.status = ReadOutcome::Status::FieldTooLong;
            m_out.failedField = int(m_out.fields.size()) + 1;
            return false;
        }

        switch (m_state) {
        case State::Start:
            // Blanks before a field are skipped, though they count towards the cap.
            if (c == '"') {
                m_state = State::Quoted;
            } else if (!isBlank(c)) {
                m_state = State::Unquoted;
                m_value.append(char(c));
            }
            break;
        case State::Unquoted:
            m_value.append(char(c));
            break;
        case State::Quoted:
            if (c == '"')
                m_state = State::AfterQuote;
            else
                m_value.append(char(c));
            break;
        case State::AfterQuote:
            break; // between the closing quote and the delimiter: dropped
        }
        return true;
    }

    // The data ended before enough fields were read.
    void finish()
    {
        // After a comma there is always one more field; after a line end only
        // if something other than blanks follows, so the usual final CR LF (or
        // stray blanks after it) adds nothing.
        if (m_afterComma || m_state != State::Start)
            endField(false);
        if (int(m_out.fields.size()) < m_maxFields)
            m_out.status = ReadOutcome::Status::TooFewFields;
    }

    Encoding encoding() const
    {
        return m_utf8.valid() && m_utf8.sawNonAscii() ? Encoding::Utf8 : Encoding::Windows1251;
    }

private:
    enum class State { Start, Unquoted, Quoted, AfterQuote };

    bool endField(bool byComma)
    {
        RawField field;
        field.quoted = m_state == State::Quoted || m_state == State::AfterQuote;
        if (!field.quoted) {
            qsizetype end = m_value.size();
            while (end > 0 && isBlank(static_cast<unsigned char>(m_value.at(end - 1))))
                --end;
            m_value.truncate(end);
        }
        field.bytes = std::move(m_value);
        field.line = m_fieldLine;
        m_out.fields.push_back(std::move(field));

        m_value = QByteArray();
        m_state = State::Start;
        m_fieldBytes = 0;
        m_afterComma = byComma;
        m_fieldLine = m_line;
        return int(m_out.fields.size()) < m_maxFields;
    }

    ReadOutcome &m_out;
    const int m_maxFields;
    Utf8Check m_utf8;
    State m_state = State::Start;
    QByteArray m_value;
    long long m_fieldBytes = 0;
    int m_line = 1;
    int m_fieldLine = 1;
    bool m_skipLf = false;
    bool m_afterComma = false;
};

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

// The bytes of a file as they come: a byte order mark recognised and taken
// off, UTF-16 turned into UTF-8, and the rest handed to the field scanner.
class ByteFeed
{
public:
    ByteFeed(ReadOutcome &out, int maxFields) : m_scanner(out, maxFields) {}

    // False once the scanner wants no more bytes.
    bool wantsMore() const { return m_wantMore; }

    void feed(unsigned char c)
    {
        if (m_utf16) {
            unsigned char utf8[Utf16ToUtf8::kMaxOut];
            feedText(utf8, m_utf16->feed(c, utf8));
            return;
        }
        if (!m_bomDecided) {
            switch (m_bom.feed(c)) {
            case BomDetector::Result::Undecided:
                return;
            case BomDetector::Result::Bom:
                m_bomDecided = true;
                if (m_bom.encoding() == Encoding::Utf16Le || m_bom.encoding() == Encoding::Utf16Be)
                    m_utf16.emplace(m_bom.encoding() == Encoding::Utf16Be);
                return;
            case BomDetector::Result::NoBom:
                // Bytes that began like a mark but were not one are ordinary text.
                m_bomDecided = true;
                feedText(m_bom.head(), m_bom.headSize());
                return;
            }
        }
        m_wantMore = m_scanner.feed(c);
    }

    // The data ended while more was wanted.
    void finish()
    {
        if (!m_bomDecided) {
            m_bomDecided = true;
            feedText(m_bom.head(), m_bom.headSize());
        } else if (m_utf16) {
            unsigned char utf8[Utf16ToUtf8::kMaxOut];
            feedText(utf8, m_utf16->finish(utf8));
        }
        if (m_wantMore)
            m_scanner.finish();
    }

    Encoding encoding() const
    {
        return m_bomDecided && m_bom.encoding() != Encoding::Windows1251 ? m_bom.encoding()
                                                                         : m_scanner.encoding();
    }

private:
    void feedText(const unsigned char *bytes, int n)
    {
        for (int k = 0; k < n && m_wantMore; ++k)
            m_wantMore = m_scanner.feed(bytes[k]);
    }

    FieldScanner m_scanner;
    BomDetector m_bom;
    bool m_bomDecided = false;
    std::optional<Utf16ToUtf8> m_utf16;
    bool m_wantMore = true;
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

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// [+-]digits[.digits] with at least one digit and at most fifteen that
// matter, which is all a double holds exactly.
bool looksLikeNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype intBegin = i;
    while (i < n && isDigit(text[i]))
        ++i;
    const qsizetype intEnd = i;
    qsizetype fracBegin = i;
    qsizetype fracEnd = i;
    if (i < n && text[i] == u'.') {
        fracBegin = ++i;
        while (i < n && isDigit(text[i]))
            ++i;
        fracEnd = i;
    }
    if (i != n || (intEnd == intBegin && fracEnd == fracBegin))
        return false;

    // Leading zeros and the zeros ending a fraction add nothing.
    while (fracEnd > fracBegin && text[fracEnd - 1] == u'0')
        --fracEnd;
    qsizetype significant = 0;
    bool started = false;
    for (qsizetype k = intBegin; k < fracEnd; ++k) {
        if (k >= intEnd && k < fracBegin)
            continue; // the point
        if (text[k] != u'0')
            started = true;
        if (started)
            ++significant;
    }
    return significant <= 15;
}

} // namespace

ReadOutcome readFields(const PullBytes &pull, int maxFields)
{
    ReadOutcome out;
    if (maxFields <= 0)
        return out;

    ByteFeed feed(out, maxFields);
    QByteArray buffer(kPullChunk, Qt::Uninitialized);
    while (feed.wantsMore()) {
        const long long got = pull(buffer.data(), kPullChunk);
        if (got < 0 || got > kPullChunk) {
            out.status = ReadOutcome::Status::ReadError;
            out.readErrno = got < 0 ? errno : EIO;
            out.encoding = feed.encoding();
            return out;
        }
        if (got == 0)
            break;
        for (long long i = 0; i < got && feed.wantsMore(); ++i)
            feed.feed(static_cast<unsigned char>(buffer[qsizetype(i)]));
    }
    if (feed.wantsMore())
        feed.finish();
    out.encoding = feed.encoding();
    return out;
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
    DecodedText decoded;
    BomDetector bom;
    qsizetype k = 0;
    BomDetector::Result found = BomDetector::Result::Undecided;
    while (found == BomDetector::Result::Undecided && k < bytes.size())
        found = bom.feed(static_cast<unsigned char>(bytes[k++]));
    if (found == BomDetector::Result::Bom) {
        decoded.encoding = bom.encoding();
        if (decoded.encoding == Encoding::Utf8Bom) {
            decoded.text = QString::fromUtf8(bytes.mid(k));
            return decoded;
        }
        Utf16ToUtf8 utf16(decoded.encoding == Encoding::Utf16Be);
        QByteArray utf8;
        utf8.reserve(bytes.size() - k);
        unsigned char out[Utf16ToUtf8::kMaxOut];
        for (; k < bytes.size(); ++k)
            utf8.append(reinterpret_cast<const char *>(out),
                        utf16.feed(static_cast<unsigned char>(bytes[k]), out));
        utf8.append(reinterpret_cast<const char *>(out), utf16.finish(out));
        decoded.text = QString::fromUtf8(utf8);
        return decoded;
    }

    Utf8Check utf8;
    for (const char c : bytes)
        utf8.feed(static_cast<unsigned char>(c));
    decoded.encoding = utf8.valid() && utf8.sawNonAscii() ? Encoding::Utf8 : Encoding::Windows1251;
    decoded.text = decodeField(bytes, decoded.encoding);
    return decoded;
}

QuestionValue questionValue(const QString &text, bool quoted)
{
    if (text.isEmpty())
        return std::monostate();
    if (quoted || !looksLikeNumber(text))
        return text;
    bool ok = false;
    const double value = text.toDouble(&ok);
    // A fraction so small that it lands below the normal doubles would not
    // show the digits the host typed.
    if (!ok || (value != 0.0 && !std::isnormal(value)))
        return text;
    return value;
}

QString questionText(const QuestionValue &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        return *text;
    const auto *number = std::get_if<double>(&value);
    if (!number)
        return QString();
    const double v = *number;
    if (v == 0.0)
        return QStringLiteral("0"); // -0 too
    if (!std::isfinite(v))
        return QString::number(v);

    // As many decimals as fifteen significant digits need, then no trailing
    // zeros: 2.5, not 2.50000000000000. The exponent comes from the 'e' form
    // itself, so rounding up to the next power of ten is already accounted.
    const QString scientific = QString::number(std::fabs(v), 'e', 14);
    const int exponent = scientific.mid(scientific.indexOf(u'e') + 1).toInt();
    QString plain = QString::number(v, 'f', std::max(0, 14 - exponent));
    if (plain.contains(u'.')) {
        while (plain.endsWith(u'0'))
            plain.chop(1);
        if (plain.endsWith(u'.'))
            plain.chop(1);
    }
    return plain;
}

} // namespace rounds
