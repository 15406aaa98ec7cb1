// Feeds arbitrary bytes to the round-file field reader, then decodes every
// field and reads it as a question. Besides the sanitizers' findings it
// aborts when the reader contradicts itself.
#include "rounds/fieldreader.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace rounds;

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_fieldreader: %s\n", what);
    std::abort();
}

ReadOutcome readInPieces(const QByteArray &data, long long piece)
{
    return readFields(memoryPull(data, piece));
}

bool sameFields(const ReadOutcome &a, const ReadOutcome &b)
{
    if (a.status != b.status || a.failedField != b.failedField || a.encoding != b.encoding ||
        a.fields.size() != b.fields.size())
        return false;
    for (size_t i = 0; i < a.fields.size(); ++i) {
        const RawField &x = a.fields[i];
        const RawField &y = b.fields[i];
        if (x.bytes != y.bytes || x.quoted != y.quoted || x.line != y.line)
            return false;
    }
    return true;
}

void checkQuestion(const RawField &field, Encoding encoding)
{
    const QString text = decodeField(field.bytes, encoding);
    const QuestionValue value = questionValue(text, field.quoted);
    const QString shown = questionText(value);
    if (text.isEmpty() != std::holds_alternative<std::monostate>(value))
        fail("empty field and empty slot disagree");
    if (const auto *number = std::get_if<double>(&value)) {
        if (field.quoted)
            fail("quoted field read as a number");
        if (shown.contains(u'e') || shown.contains(u'E'))
            fail("number shown with an exponent");
        // What is shown must read back as the very same number.
        const QuestionValue again = questionValue(shown, false);
        const auto *back = std::get_if<double>(&again);
        if (!back || *back != *number)
            fail("shown number does not read back");
    } else if (shown != text) {
        fail("text not shown as read");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // Where one pull ends and the next begins must not change the result.
    const ReadOutcome whole = readInPieces(input, 64 * 1024);
    const ReadOutcome pieces = readInPieces(input, 1 + static_cast<long long>(size % 7));
    if (!sameFields(whole, pieces))
        fail("result depends on the pull size");

    if (int(whole.fields.size()) > kFieldCount)
        fail("more fields than asked for");
    if ((whole.status == ReadOutcome::Status::Ok) != (int(whole.fields.size()) == kFieldCount))
        fail("status and field count disagree");
    for (const RawField &field : whole.fields) {
        if (field.bytes.size() > kFieldByteCap)
            fail("field over the cap");
        checkQuestion(field, whole.encoding);
    }
    return 0;
}
