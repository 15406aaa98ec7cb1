#include "rounds/fieldreader.h"

#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace rounds;
using namespace Qt::StringLiterals;

namespace {

// Hands out data in pieces of at most `piece` bytes, adding what it gave to
// *pulled, so a test can see how far the reader went.
PullBytes countedPull(const QByteArray &data, long long piece, long long *pulled)
{
    return [pull = memoryPull(data, piece), pulled](char *buf, long long max) -> long long {
        const long long n = pull(buf, max);
        *pulled += n;
        return n;
    };
}

QStringList values(const ReadOutcome &outcome)
{
    QStringList list;
    for (const RawField &f : outcome.fields)
        list << QString::fromLatin1(f.bytes);
    return list;
}

QString quoteMarks(const ReadOutcome &outcome)
{
    QString marks;
    for (const RawField &f : outcome.fields)
        marks += f.quoted ? u'q' : u'.';
    return marks;
}

QByteArray twelveFields()
{
    return "q1,q2,q3,q4,q5,q6,q7,q8,q9,q10,q11,q12";
}

// Text as Notepad saves it as "Unicode" (LE) or "Unicode big endian", mark included.
QByteArray utf16(const QString &text, bool bigEndian = false)
{
    QByteArray bytes = bigEndian ? QByteArray("\xfe\xff") : QByteArray("\xff\xfe");
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xff);
        bytes.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return bytes;
}

const long long kPieces[] = {1, 2, 3, 7, 64 * 1024};

} // namespace

class TestFieldReader : public QObject
{
    Q_OBJECT

private slots:
    void splitting_data();
    void splitting();
    void lineNumbers();
    void stopsRightAfterTheLastField_data();
    void stopsRightAfterTheLastField();
    void tooFewFields();
    void fieldCap_data();
    void fieldCap();
    void longFieldIsNotReadToItsEnd();
    void readError();
    void nothingAskedNothingPulled();
    void encoding_data();
    void encoding();
    void encodingIgnoresUnreadTail();
    void decoding_data();
    void decoding();
    void questionValues_data();
    void questionValues();
    void questionTextHasNoExponent_data();
    void questionTextHasNoExponent();
};

void TestFieldReader::splitting_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("quoted");

    QTest::newRow("empty input") << QByteArray() << QStringList() << QString();
    QTest::newRow("one field") << QByteArray("a") << QStringList{"a"} << ".";
    QTest::newRow("commas") << QByteArray("a,b,c") << QStringList{"a", "b", "c"} << "...";
    QTest::newRow("two commas give an empty field")
        << QByteArray("a,,b") << QStringList{"a", "", "b"} << "...";
    QTest::newRow("comma before line end") << QByteArray("a,\r\nb") << QStringList{"a", "", "b"} << "...";
    QTest::newRow("comma at the end") << QByteArray("a,") << QStringList{"a", ""} << "..";
    QTest::newRow("only a comma") << QByteArray(",") << QStringList{"", ""} << "..";
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"} << "..";
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QStringList{"a", "b"} << "..";
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList{"a", "b"} << "..";
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"} << "...";
    QTest::newRow("CR CR is two line ends") << QByteArray("a\r\rb") << QStringList{"a", "", "b"} << "...";
    QTest::newRow("blank line") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"} << "...";
    QTest::newRow("blank first line") << QByteArray("\r\na") << QStringList{"", "a"} << "..";
    QTest::newRow("blank last line") << QByteArray("a\r\n\r\n") << QStringList{"a", ""} << "..";
    QTest::newRow("blanks after the last line end") << QByteArray("a\r\n \t ") << QStringList{"a"} << ".";
    QTest::newRow("line of blanks inside")
        << QByteArray("a\r\n  \r\nb") << QStringList{"a", "", "b"} << "...";
    QTest::newRow("blanks around") << QByteArray(" \t a b \t ,\tc ") << QStringList{"a b", "c"} << "..";
    QTest::newRow("quoted comma") << QByteArray("\"a,b\",c") << QStringList{"a,b", "c"} << "q.";
    QTest::newRow("quoted keeps blanks") << QByteArray("  \" a \"  ,b") << QStringList{" a ", "b"} << "q.";
    QTest::newRow("empty quotes") << QByteArray("\"\",b") << QStringList{"", "b"} << "q.";
    QTest::newRow("after the closing quote")
        << QByteArray("\"a\" junk, more\r\nb") << QStringList{"a", "more", "b"} << "q..";
    QTest::newRow("doubled quote ends the field")
        << QByteArray("\"a\"\"b\",c") << QStringList{"a", "c"} << "q.";
    QTest::newRow("unclosed quote stops at line end")
        << QByteArray("\"a, b\r\nc,d") << QStringList{"a, b", "c", "d"} << "q..";
    QTest::newRow("unclosed quote at the end") << QByteArray("x,\"a, b") << QStringList{"x", "a, b"} << ".q";
    QTest::newRow("quote inside a plain field")
        << QByteArray("a\"b,c\"") << QStringList{"a\"b", "c\""} << "..";
    QTest::newRow("number signs are text")
        << QByteArray("#TRUE#,#2008-01-01#") << QStringList{"#TRUE#", "#2008-01-01#"} << "..";
    QTest::newRow("NUL is an ordinary byte")
        << QByteArray("a\0b,c", 5) << QStringList{QString::fromLatin1("a\0b", 3), "c"} << "..";
}

void TestFieldReader::splitting()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);
    QFETCH(QString, quoted);

    // Every piece size, so that a CR LF or a quote split between two pulls
    // reads the same as in one.
    for (const long long piece : kPieces) {
        const ReadOutcome outcome = readFields(memoryPull(input, piece), 100);
        QCOMPARE(outcome.status, ReadOutcome::Status::TooFewFields);
        QCOMPARE(values(outcome), expected);
        QCOMPARE(quoteMarks(outcome), quoted);
    }
}

void TestFieldReader::lineNumbers()
{
    const QByteArray input("a,b\r\nc\n\rd,\"e\r\nf\"g\rh");
    const ReadOutcome outcome = readFields(memoryPull(input, 1), 100);
    QCOMPARE(values(outcome), (QStringList{"a", "b", "c", "", "d", "e", "f\"g", "h"}));
    std::vector<int> lines;
    for (const RawField &f : outcome.fields)
        lines.push_back(f.line);
    QCOMPARE(lines, (std::vector<int>{1, 1, 2, 3, 4, 4, 5, 6}));
}

void TestFieldReader::stopsRightAfterTheLastField_data()
{
    QTest::addColumn<QByteArray>("head"); // up to and including the twelfth field's delimiter

    QTest::newRow("comma") << twelveFields() + ",";
    QTest::newRow("CR, no LF needed") << twelveFields() + "\r";
    QTest::newRow("LF") << twelveFields() + "\n";
    QTest::newRow("in quotes") << twelveFields().replace("q12", "\"q,12\"") + ",";
    QTest::newRow("UTF-16") << utf16(QString::fromLatin1(twelveFields() + "\r"));
}

void TestFieldReader::stopsRightAfterTheLastField()
{
    QFETCH(QByteArray, head);
    const QByteArray tail(1024 * 1024, 'x');

    // Byte by byte, the reader must stop exactly at the delimiter.
    long long pulled = 0;
    ReadOutcome outcome = readFields(countedPull(head + tail, 1, &pulled));
    QCOMPARE(outcome.status, ReadOutcome::Status::Ok);
    QCOMPARE(int(outcome.fields.size()), kFieldCount);
    QCOMPARE(pulled, static_cast<long long>(head.size()));
    QVERIFY(outcome.fields.back().bytes.endsWith("12"));

    // With whole pulls, no more than the pull holding the delimiter.
    pulled = 0;
    outcome = readFields(countedPull(head + tail, 1 << 30, &pulled));
    QCOMPARE(outcome.status, ReadOutcome::Status::Ok);
    QVERIFY2(pulled <= head.size() + 64 * 1024, QByteArray::number(pulled));
}

void TestFieldReader::tooFewFields()
{
    const QByteArray eleven("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n");
    ReadOutcome outcome = readFields(memoryPull(eleven, 5));
    QCOMPARE(outcome.status, ReadOutcome::Status::TooFewFields);
    QCOMPARE(int(outcome.fields.size()), 11);

    // The comma at the end opens the twelfth field.
    outcome = readFields(memoryPull("1,2,3,4,5,6,7,8,9,10,11,", 5));
    QCOMPARE(outcome.status, ReadOutcome::Status::Ok);
    QCOMPARE(outcome.fields.back().bytes, QByteArray());
}

void TestFieldReader::fieldCap_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("failedField"); // 0 when it fits

    const QByteArray full(kFieldByteCap, 'a');
    const QByteArray over(kFieldByteCap + 1, 'a');
    QTest::newRow("exactly the cap") << full + ",b" << 0;
    QTest::newRow("one byte over") << over + ",b" << 1;
    QTest::newRow("over at the end of the data") << "x," + over << 2;
    QTest::newRow("blanks before it count") << " " + full + ",b" << 1;
    QTest::newRow("trailing blanks count") << full + " ,b" << 1;
    QTest::newRow("quote marks count") << "\"" + full.left(kFieldByteCap - 2) + "\",b" << 0;
    QTest::newRow("quote marks over") << "\"" + full.left(kFieldByteCap - 1) + "\",b" << 1;
    QTest::newRow("after the closing quote counts") << "\"a\"" + full + ",b" << 1;
    QTest::newRow("the fifth field") << "1,2,3,4," + over << 5;
    QTest::newRow("delimiters do not count") << full + "\r\n" + full + "," + full << 0;
}

void TestFieldReader::fieldCap()
{
    QFETCH(QByteArray, input);
    QFETCH(int, failedField);

    const ReadOutcome outcome = readFields(memoryPull(input, 4096), 100);
    if (failedField == 0) {
        QCOMPARE(outcome.status, ReadOutcome::Status::TooFewFields);
    } else {
        QCOMPARE(outcome.status, ReadOutcome::Status::FieldTooLong);
        QCOMPARE(outcome.failedField, failedField);
        QCOMPARE(int(outcome.fields.size()), failedField - 1);
    }
}

void TestFieldReader::longFieldIsNotReadToItsEnd()
{
    const QByteArray input = "a,\"" + QByteArray(1024 * 1024, 'z');
    long long pulled = 0;
    const ReadOutcome outcome = readFields(countedPull(input, 1 << 30, &pulled));
    QCOMPARE(outcome.status, ReadOutcome::Status::FieldTooLong);
    QCOMPARE(outcome.failedField, 2);
    QVERIFY2(pulled <= 2 + kFieldByteCap + 64 * 1024, QByteArray::number(pulled));
}

void TestFieldReader::readError()
{
    bool first = true;
    const PullBytes failing = [&first](char *buf, long long) -> long long {
        if (first) {
            first = false;
            std::memcpy(buf, "a,b,", 4);
            return 4;
        }
        errno = EIO;
        return -1;
    };
    const ReadOutcome outcome = readFields(failing);
    QCOMPARE(outcome.status, ReadOutcome::Status::ReadError);
    QCOMPARE(outcome.readErrno, EIO);
}

void TestFieldReader::nothingAskedNothingPulled()
{
    long long pulled = 0;
    const ReadOutcome outcome = readFields(countedPull("a,b", 10, &pulled), 0);
    QCOMPARE(outcome.status, ReadOutcome::Status::Ok);
    QVERIFY(outcome.fields.empty());
    QCOMPARE(pulled, 0);
}

void TestFieldReader::encoding_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<Encoding>("expected");
    QTest::addColumn<QByteArray>("firstField");

    QTest::newRow("ASCII") << QByteArray("abc,def") << Encoding::Windows1251 << QByteArray("abc");
    QTest::newRow("Windows-1251 Cyrillic")
        << QByteArray("\xc2\xee\xeb\xe3\xe0") << Encoding::Windows1251 << QByteArray("\xc2\xee\xeb\xe3\xe0");
    QTest::newRow("UTF-8 Cyrillic") << QByteArray("\xd0\x92\xd0\xbe,x") << Encoding::Utf8
                                    << QByteArray("\xd0\x92\xd0\xbe");
    QTest::newRow("UTF-8 four bytes")
        << QByteArray("\xf0\x9f\x8e\xb2") << Encoding::Utf8 << QByteArray("\xf0\x9f\x8e\xb2");
    QTest::newRow("overlong form") << QByteArray("\xc0\x80") << Encoding::Windows1251
                                   << QByteArray("\xc0\x80");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << Encoding::Windows1251
                               << QByteArray("\xed\xa0\x80");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << Encoding::Windows1251
                                     << QByteArray("\xf4\x90\x80\x80");
    QTest::newRow("sequence cut by a comma")
        << QByteArray("\xd0,\x92") << Encoding::Windows1251 << QByteArray("\xd0");
    QTest::newRow("sequence cut by the end")
        << QByteArray("\xd0\x92\xd0") << Encoding::Windows1251 << QByteArray("\xd0\x92\xd0");
    QTest::newRow("BOM") << QByteArray("\xef\xbb\xbf"
                                       "abc")
                         << Encoding::Utf8Bom << QByteArray("abc");
    QTest::newRow("BOM before a quote")
        << QByteArray("\xef\xbb\xbf\"a,b\"") << Encoding::Utf8Bom << QByteArray("a,b");
    QTest::newRow("BOM only") << QByteArray("\xef\xbb\xbf") << Encoding::Utf8Bom << QByteArray();
    QTest::newRow("BOM then invalid bytes")
        << QByteArray("\xef\xbb\xbf\xc0") << Encoding::Utf8Bom << QByteArray("\xc0");
    QTest::newRow("half a BOM is text") << QByteArray("\xef\xbb"
                                                      "a")
                                        << Encoding::Windows1251
                                        << QByteArray("\xef\xbb"
                                                      "a");
    QTest::newRow("half a BOM alone") << QByteArray("\xef") << Encoding::Windows1251 << QByteArray("\xef");
    QTest::newRow("BOM later is text")
        << QByteArray("a\xef\xbb\xbf") << Encoding::Utf8 << QByteArray("a\xef\xbb\xbf");

    // UTF-16 arrives as UTF-8, with the field syntax applied to the characters.
    QTest::newRow("UTF-16 LE") << utf16(u"Ёж,\"a,b\""_s) << Encoding::Utf16Le << u"Ёж"_s.toUtf8();
    QTest::newRow("UTF-16 BE") << utf16(u"Ёж,b"_s, true) << Encoding::Utf16Be << u"Ёж"_s.toUtf8();
    QTest::newRow("UTF-16 surrogate pair")
        << utf16(u"\U0001F3B2,x"_s) << Encoding::Utf16Le << QByteArray("\xf0\x9f\x8e\xb2");
    QTest::newRow("UTF-16 lone high surrogate") << utf16(u"a"_s).append("\x00\xd8"
                                                                        "b\x00",
                                                                        4)
                                                << Encoding::Utf16Le
                                                << QByteArray("a\xef\xbf\xbd"
                                                              "b");
    QTest::newRow("UTF-16 lone low surrogate")
        << utf16(u"a"_s).append("\x00\xdc", 2) << Encoding::Utf16Le << QByteArray("a\xef\xbf\xbd");
    QTest::newRow("UTF-16 odd byte at the end")
        << utf16(u"a"_s).append('b') << Encoding::Utf16Le << QByteArray("a\xef\xbf\xbd");
    QTest::newRow("UTF-16 mark only") << utf16(QString()) << Encoding::Utf16Le << QByteArray();
    QTest::newRow("mark of UTF-16 later is text")
        << QByteArray("a\xff\xfe") << Encoding::Windows1251 << QByteArray("a\xff\xfe");
    QTest::newRow("half a UTF-16 mark is text") << QByteArray("\xfe"
                                                              "a")
                                                << Encoding::Windows1251
                                                << QByteArray("\xfe"
                                                              "a");
}

void TestFieldReader::encoding()
{
    QFETCH(QByteArray, input);
    QFETCH(Encoding, expected);
    QFETCH(QByteArray, firstField);

    for (const long long piece : kPieces) {
        const ReadOutcome outcome = readFields(memoryPull(input, piece), 100);
        QCOMPARE(outcome.encoding, expected);
        if (firstField.isEmpty() && outcome.fields.empty())
            continue;
        QVERIFY(!outcome.fields.empty());
        QCOMPARE(outcome.fields.front().bytes, firstField);
    }
}

void TestFieldReader::encodingIgnoresUnreadTail()
{
    // The byte after the twelfth field is pulled along with the rest, but it
    // is not part of the round and must not change how the round reads.
    const QByteArray input = twelveFields().replace("q1,", "\xd0\x92,") + "\r\n\xc0\xc0";
    const ReadOutcome outcome = readFields(memoryPull(input, 1 << 20));
    QCOMPARE(outcome.status, ReadOutcome::Status::Ok);
    QCOMPARE(outcome.encoding, Encoding::Utf8);
}

void TestFieldReader::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1251 Cyrillic") << QByteArray("\xc2\xee\xeb\xe3\xe0") << Encoding::Windows1251
                                   << u"Волга"_s;
    QTest::newRow("1251 yo and No") << QByteArray("\xa8\xb8\xb9") << Encoding::Windows1251 << u"Ёё№"_s;
    QTest::newRow("1251 dash and guillemets")
        << QByteArray("\x97\xab\xbb") << Encoding::Windows1251 << u"—«»"_s;
    QTest::newRow("1251 hole") << QByteArray("a\x98z") << Encoding::Windows1251 << u"a\uFFFDz"_s;
    QTest::newRow("1251 empty") << QByteArray() << Encoding::Windows1251 << QString();
    QTest::newRow("UTF-8") << QByteArray("\xd0\x81\xd0\xb6") << Encoding::Utf8 << u"Ёж"_s;
    QTest::newRow("UTF-8 after BOM") << QByteArray("\xd0\x81\xd0\xb6") << Encoding::Utf8Bom << u"Ёж"_s;
    QTest::newRow("bad UTF-8 after BOM") << QByteArray("a\xc0") << Encoding::Utf8Bom << u"a\uFFFD"_s;
    QTest::newRow("UTF-16 comes as UTF-8") << QByteArray("\xd0\x81") << Encoding::Utf16Be << u"Ё"_s;
}

void TestFieldReader::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Encoding, encoding);
    QFETCH(QString, expected);
    QCOMPARE(decodeField(bytes, encoding), expected);
}

void TestFieldReader::questionValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<int>("kind"); // variant index: 0 empty, 1 number, 2 text
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty") << QString() << false << 0 << QString();
    QTest::newRow("empty quotes") << QString() << true << 0 << QString();
    QTest::newRow("007") << "007" << false << 1 << "7";
    QTest::newRow("quoted 007") << "007" << true << 2 << "007";
    QTest::newRow("2.50") << "2.50" << false << 1 << "2.5";
    QTest::newRow("-3") << "-3" << false << 1 << "-3";
    QTest::newRow("+3") << "+3" << false << 1 << "3";
    QTest::newRow(".5") << ".5" << false << 1 << "0.5";
    QTest::newRow("-.5") << "-.5" << false << 1 << "-0.5";
    QTest::newRow("5.") << "5." << false << 1 << "5";
    QTest::newRow("-0") << "-0" << false << 1 << "0";
    QTest::newRow("0.1") << "0.1" << false << 1 << "0.1";
    QTest::newRow("fifteen digits") << "123456789012345" << false << 1 << "123456789012345";
    QTest::newRow("fifteen digits with point") << "1234567.89012345" << false << 1 << "1234567.89012345";
    QTest::newRow("fifteen after leading zeros")
        << "0000.000123456789012345" << false << 1 << "0.000123456789012345";
    QTest::newRow("zeros ending a fraction are free") << "1.50000000000000000000" << false << 1 << "1.5";
    QTest::newRow("sixteen digits") << "1234567890123456" << false << 2 << "1234567890123456";
    QTest::newRow("integer zeros count") << "1000000000000000" << false << 2 << "1000000000000000";
    QTest::newRow("tiny") << "0.000000000000000000001" << false << 1 << "0.000000000000000000001";
    QTest::newRow("below normal doubles")
        << "0." + QString(320, u'0') + "1" << false << 2 << "0." + QString(320, u'0') + "1";
    QTest::newRow("many zeros") << QString(500, u'0') << false << 1 << "0";
    QTest::newRow("exponent") << "1e5" << false << 2 << "1e5";
    QTest::newRow("comma decimal") << "1,5" << false << 2 << "1,5";
    QTest::newRow("two points") << "1.2.3" << false << 2 << "1.2.3";
    QTest::newRow("sign only") << "-" << false << 2 << "-";
    QTest::newRow("point only") << "." << false << 2 << ".";
    QTest::newRow("two signs") << "--1" << false << 2 << "--1";
    QTest::newRow("inner blank") << "1 000" << false << 2 << "1 000";
    QTest::newRow("hex") << "0x10" << false << 2 << "0x10";
    QTest::newRow("inf") << "inf" << false << 2 << "inf";
    QTest::newRow("non-ASCII digits") << u"١٢"_s << false << 2 << u"١٢"_s;
    QTest::newRow("number signs") << "#2008-01-01#" << false << 2 << "#2008-01-01#";
    QTest::newRow("text") << u"Столица Франции?"_s << false << 2 << u"Столица Франции?"_s;
}

void TestFieldReader::questionValues()
{
    QFETCH(QString, text);
    QFETCH(bool, quoted);
    QFETCH(int, kind);
    QFETCH(QString, shown);

    const QuestionValue value = questionValue(text, quoted);
    QCOMPARE(int(value.index()), kind);
    QCOMPARE(questionText(value), shown);
}

void TestFieldReader::questionTextHasNoExponent_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("1e14") << 1e14 << "100000000000000";
    QTest::newRow("1e20") << 1e20 << "100000000000000000000";
    QTest::newRow("1e-7") << 1e-7 << "0.0000001";
    QTest::newRow("-2.5e-10") << -2.5e-10 << "-0.00000000025";
    QTest::newRow("0.3") << 0.3 << "0.3";
    QTest::newRow("rounds up a power of ten") << 999999.9999999999 << "1000000";
}

void TestFieldReader::questionTextHasNoExponent()
{
    QFETCH(double, value);
    QFETCH(QString, shown);
    QCOMPARE(questionText(value), shown);
}

QTEST_GUILESS_MAIN(TestFieldReader)
#include "tst_fieldreader.moc"
