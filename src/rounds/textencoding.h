#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How the bytes of a round file (or a table) become text: the byte order
// mark, UTF-16, and the choice between UTF-8 and Windows-1251, decided here
// and nowhere else. Pure: no widgets, no files.
namespace rounds {

// UTF-16 is known only by its byte order mark, which Notepad writes for
// "Unicode" and "Unicode big endian"; without one, such a file reads as
// Windows-1251.
enum class Encoding { Windows1251, Utf8, Utf8Bom, Utf16Le, Utf16Be };

// The text of bytes that a TextFeed gave, in the encoding decided for them.
QString decodeField(const QByteArray &bytes, Encoding encoding);

// A whole text judged by the rules a round file is judged by (all of its
// bytes count here), for files that are read whole.
struct DecodedText
{
    QString text;
    Encoding encoding = Encoding::Windows1251;
};
DecodedText decodeText(const QByteArray &bytes);

// --- The byte machines, fed one byte at a time so that pieces of any size
// read alike -----------------------------------------------------------------

// Strict UTF-8 well-formedness: no overlong forms, no surrogates, nothing
// past U+10FFFF, no cut sequence.
class Utf8Check
{
public:
    void feed(unsigned char b);
    // Without a mark: UTF-8 when the bytes are well-formed UTF-8 and not all
    // ASCII, Windows-1251 otherwise.
    Encoding verdict() const;

private:
    bool m_ok = true;
    bool m_nonAscii = false;
    int m_need = 0;
    unsigned char m_lo = 0x80;
    unsigned char m_hi = 0xBF;
};

// Takes the text bytes a TextFeed hands on; false once it wants no more.
class TextSink
{
public:
    virtual bool take(unsigned char c) = 0;

protected:
    ~TextSink() = default;
};

// The bytes of a file as they come: a byte order mark recognised and taken
// off, UTF-16 turned into UTF-8 (a lone surrogate or an odd last byte becomes
// U+FFFD), and the rest handed to the sink unchanged.
class TextFeed
{
public:
    explicit TextFeed(TextSink &sink) : m_sink(sink) {}

    bool wantsMore() const { return m_wantMore; }
    void feed(unsigned char c);
    // The data ended: bytes held back (a partial mark, half a UTF-16 unit) go on.
    void finish();
    // The encoding the mark named; empty without one (or before it is known).
    std::optional<Encoding> markEncoding() const;

private:
    void hand(const unsigned char *bytes, int n);
    void feedUtf16(unsigned char b);
    void finishUtf16();

    TextSink &m_sink;
    bool m_wantMore = true;
    // The first bytes while they may still be a mark.
    unsigned char m_head[3] = {};
    int m_headSize = 0;
    bool m_markDecided = false;
    std::optional<Encoding> m_mark;
    // UTF-16 state: a first byte waiting for its second, a high surrogate
    // waiting for its low half.
    bool m_haveByte = false;
    unsigned char m_firstByte = 0;
    char16_t m_high = 0;
    unsigned char m_out[8] = {};
};

} // namespace rounds
