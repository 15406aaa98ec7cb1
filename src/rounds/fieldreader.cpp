#include "rounds/fieldreader.h"

#include <cerrno>
#include <cmath>
#include <iconv.h>

namespace rounds {

namespace {

// One pull asks for this much; it is also all that may be pulled past the
// end of the last field wanted.
constexpr long long kPullChunk = 64 * 1024;

constexpr unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};

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
                m_lo = 0xA0;  // shorter forms exist
            else if (b == 0xED)
                m_hi = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_need = 3;
            if (b == 0xF0)
                m_lo = 0x90;
            else if (b == 0xF4)
                m_hi = 0x8F;  // past U+10FFFF
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

// The field syntax as a byte-at-a-time machine, so that pieces of any size
// (a CR at the end of one pull, its LF at the start of the next) read alike.
class FieldScanner
{
public:
    FieldScanner(ReadOutcome &out, int maxFields)
        : m_out(out)
        , m_maxFields(maxFields)
    {
    }

    // False once no more bytes are wanted: enough fields, or one too long.
    bool feed(unsigned char c)
    {
        m_utf8.feed(c);
        if (m_skipLf) {
            m_skipLf = false;
            if (c == '\n')
                return true;  // second half of a CR LF
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
            break;  // between the closing quote and the delimiter: dropped
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
    Cp1251Decoder()
        : m_cd(iconv_open("UTF-8", "CP1251"))
    {
    }
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
        text.append(static_cast<unsigned char>(c) < 0x80 ? QChar(QLatin1Char(c)) : QChar(QChar::ReplacementCharacter));
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
            continue;  // the point
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

    FieldScanner scanner(out, maxFields);
    QByteArray buffer(kPullChunk, Qt::Uninitialized);
    int bomMatched = 0;
    bool bomDecided = false;
    bool wantMore = true;

    // Bytes that began like a BOM but were not one are ordinary text.
    const auto replayBomStart = [&] {
        bomDecided = true;
        for (int k = 0; k < bomMatched && wantMore; ++k)
            wantMore = scanner.feed(kBom[k]);
    };

    while (wantMore) {
        const long long got = pull(buffer.data(), kPullChunk);
        if (got < 0 || got > kPullChunk) {
            out.status = ReadOutcome::Status::ReadError;
            out.readErrno = got < 0 ? errno : EIO;
            out.encoding = scanner.encoding();
            return out;
        }
        if (got == 0)
            break;
        for (long long i = 0; i < got && wantMore; ++i) {
            const auto c = static_cast<unsigned char>(buffer[qsizetype(i)]);
            if (!bomDecided) {
                if (c == kBom[bomMatched]) {
                    if (++bomMatched == 3) {
                        bomDecided = true;
                        out.encoding = Encoding::Utf8Bom;
                    }
                    continue;
                }
                replayBomStart();
                if (!wantMore)
                    break;
            }
            wantMore = scanner.feed(c);
        }
    }

    if (wantMore) {
        if (!bomDecided)
            replayBomStart();
        if (wantMore)
            scanner.finish();
    }
    if (out.encoding != Encoding::Utf8Bom)
        out.encoding = scanner.encoding();
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
        return QStringLiteral("0");  // -0 too
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
