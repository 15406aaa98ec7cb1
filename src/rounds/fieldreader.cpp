#include "rounds/fieldreader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace rounds {

namespace {

// One pull asks for this much; it is also all that may be pulled past the
// end of the last field wanted.
constexpr long long kPullChunk = 64 * 1024;

bool isBlank(unsigned char c)
{
    return c == ' ' || c == '\t';
}

// The field syntax as a byte-at-a-time machine, so that pieces of any size
// (a CR at the end of one pull, its LF at the start of the next) read alike.
class FieldScanner final : public TextSink
{
public:
    FieldScanner(ReadOutcome &out, int maxFields) : m_out(out), m_maxFields(maxFields) {}

    // False once no more bytes are wanted: enough fields, or one too long.
    bool take(unsigned char c) override
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
        takeValueByte(c);
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

    // Of the bytes up to the end of the last field, when no mark named one.
    Encoding encoding() const { return m_utf8.verdict(); }

private:
    enum class State { Start, Unquoted, Quoted, AfterQuote };

    void takeValueByte(unsigned char c)
    {
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
    }

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

} // namespace

PullBytes memoryPull(const QByteArray &bytes, long long piece)
{
    return [bytes, piece, pos = qsizetype(0)](char *buf, long long max) mutable -> long long {
        const long long n = std::min({max, piece, static_cast<long long>(bytes.size() - pos)});
        if (n > 0)
            std::memcpy(buf, bytes.constData() + pos, size_t(n));
        pos += qsizetype(n);
        return n;
    };
}

ReadOutcome readFields(const PullBytes &pull, int maxFields)
{
    ReadOutcome out;
    if (maxFields <= 0)
        return out;

    FieldScanner scanner(out, maxFields);
    TextFeed feed(scanner);
    QByteArray buffer(kPullChunk, Qt::Uninitialized);
    while (feed.wantsMore()) {
        const long long got = pull(buffer.data(), kPullChunk);
        if (got < 0 || got > kPullChunk) {
            out.status = ReadOutcome::Status::ReadError;
            out.readErrno = got < 0 ? errno : EIO;
            out.encoding = feed.markEncoding().value_or(scanner.encoding());
            return out;
        }
        if (got == 0)
            break;
        for (long long i = 0; i < got && feed.wantsMore(); ++i)
            feed.feed(static_cast<unsigned char>(buffer[qsizetype(i)]));
    }
    if (feed.wantsMore()) {
        feed.finish();
        if (feed.wantsMore())
            scanner.finish();
    }
    out.encoding = feed.markEncoding().value_or(scanner.encoding());
    return out;
}

} // namespace rounds
