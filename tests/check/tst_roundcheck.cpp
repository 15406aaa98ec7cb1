#include "check/roundcheck.h"
#include "rounds/roundfile.h"
#include "support/testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace check;
using namespace Qt::StringLiterals;
using rounds::Encoding;
using Kind = Warning::Kind;

Q_DECLARE_METATYPE(rounds::Encoding)

namespace {

// Twelve distinct questions, one a line, in UTF-8.
QList<QByteArray> twelveQuestions()
{
    QList<QByteArray> lines;
    for (int k = 1; k <= 12; ++k)
        lines << u"Вопрос номер %1?"_s.arg(k).toUtf8();
    return lines;
}

QByteArray joinLines(const QList<QByteArray> &lines)
{
    return lines.join("\r\n") + "\r\n";
}

std::vector<Kind> kinds(const RoundReport &report)
{
    std::vector<Kind> list;
    for (const Warning &w : report.warnings)
        list.push_back(w.kind);
    return list;
}

const Warning *find(const RoundReport &report, Kind kind, const QString &fileEnding = QString())
{
    for (const Warning &w : report.warnings)
        if (w.kind == kind && w.file.endsWith(fileEnding))
            return &w;
    return nullptr;
}

} // namespace

class TestRoundCheck : public QObject
{
    Q_OBJECT

private slots:
    void cleanRounds_data();
    void cleanRounds();
    void showsWhatTheWindowShows();
    void loadErrorIsTheWindows_data();
    void loadErrorIsTheWindows();

    void unquotedCommaNamesItsLine();
    void fieldsPastTheTwelfth();
    void rulesFixture();
    void lineJudgedAgainstTheUsualCount();
    void notesAfterTheTwelfthMoveNothing();
    void hugeFileCountIsALowerBound();

    void emptyQuestionAndAnswers();
    void duplicatesComparedAsShown();
    void textsTheBoardCutsOff();

    void encodingIsTheWindowsChoice();
    void nulBytesMeanNotText();
    void fileSavedDuringTheCheck();

private:
    // Writes <dir>/<name>.txt and <dir>/<name>o.txt; answers default to a clean set.
    QString writeRound(const QByteArray &questions, const QByteArray &answers = fixtureBytes(u"lineso.txt"_s))
    {
        const QString name = m_dir.filePath(u"r%1"_s.arg(++m_rounds));
        mustWriteRound(name, questions, answers);
        return name;
    }

    QTemporaryDir m_dir;
    int m_rounds = 0;
};

void TestRoundCheck::cleanRounds_data()
{
    QTest::addColumn<QString>("round");
    QTest::addColumn<Encoding>("questionEncoding");
    QTest::addColumn<Encoding>("answerEncoding");

    QTest::newRow("lines") << u"lines"_s << Encoding::Windows1251 << Encoding::Windows1251;
    QTest::newRow("lf") << u"lf"_s << Encoding::Windows1251 << Encoding::Windows1251;
    QTest::newRow("cr") << u"cr"_s << Encoding::Windows1251 << Encoding::Windows1251;
    // One line holding all twelve has no other lines to be compared with.
    QTest::newRow("oneline") << u"oneline"_s << Encoding::Windows1251 << Encoding::Windows1251;
    QTest::newRow("quotedcomma") << u"quotedcomma"_s << Encoding::Windows1251 << Encoding::Windows1251;
    // 007 shows as 7, "007" as 007: not the same question.
    QTest::newRow("zeros") << u"zeros"_s << Encoding::Windows1251 << Encoding::Windows1251;
    QTest::newRow("utf8") << u"utf8"_s << Encoding::Utf8 << Encoding::Utf8;
    QTest::newRow("utf8bom") << u"utf8bom"_s << Encoding::Utf8Bom << Encoding::Utf8Bom;
    QTest::newRow("utf16le") << u"utf16le"_s << Encoding::Utf16Le << Encoding::Utf16Le;
    QTest::newRow("utf16be") << u"utf16be"_s << Encoding::Utf16Be << Encoding::Utf16Be;
}

void TestRoundCheck::cleanRounds()
{
    QFETCH(QString, round);
    QFETCH(Encoding, questionEncoding);
    QFETCH(Encoding, answerEncoding);

    const RoundReport report = checkRound(fixture(round));
    QVERIFY2(report.loaded(), qPrintable(report.loadError));
    for (const Warning &w : report.warnings)
        qWarning() << w.message;
    QVERIFY(report.warnings.empty());
    QCOMPARE(report.questionFile.encoding, questionEncoding);
    QCOMPARE(report.answerFile.encoding, answerEncoding);
    QCOMPARE(report.questionFile.fieldCount, 12);
    QCOMPARE(report.answerFile.fieldCount, 12);
    QCOMPARE(report.questionFile.path, fixture(round + u".txt"_s));
    QCOMPARE(report.answerFile.path, fixture(round + u"o.txt"_s));
}

void TestRoundCheck::showsWhatTheWindowShows()
{
    for (const QString &round : {u"lines"_s, u"rules"_s, u"zeros"_s, u"comma"_s}) {
        const RoundReport report = checkRound(fixture(round));
        const rounds::RoundRead read = rounds::readRound(fixture(round));
        QVERIFY(read.value);
        for (int k = 0; k < 12; ++k) {
            QCOMPARE(report.questions[k], rounds::questionText(read.value->questions[k]));
            QCOMPARE(report.answers[k], read.value->answers[k]);
        }
    }
    const RoundReport zeros = checkRound(fixture(u"zeros"_s));
    QCOMPARE(zeros.questions[0], u"7"_s);
    QCOMPARE(zeros.questions[1], u"007"_s);
    QCOMPARE(zeros.answers[0], u"007"_s);
}

void TestRoundCheck::loadErrorIsTheWindows_data()
{
    QTest::addColumn<QString>("round");
    QTest::newRow("eleven answers") << fixture(u"eleven"_s);
    QTest::newRow("no such round") << fixture(u"nosuchround"_s);
    QTest::newRow("NUL in the name") << u"lines\0x"_s;
}

void TestRoundCheck::loadErrorIsTheWindows()
{
    QFETCH(QString, round);
    const RoundReport report = checkRound(round);
    QVERIFY(!report.loaded());
    QCOMPARE(report.loadError, rounds::readRound(round).error);
    QVERIFY(report.warnings.empty());
}

void TestRoundCheck::unquotedCommaNamesItsLine()
{
    const RoundReport report = checkRound(fixture(u"comma"_s));
    QVERIFY(report.loaded());
    QCOMPARE(kinds(report), (std::vector<Kind>{Kind::ExtraFieldsOnLine, Kind::TooManyFields}));

    const Warning &line = report.warnings[0];
    QCOMPARE(line.file, fixture(u"comma.txt"_s));
    QCOMPARE(line.line, 4);
    QCOMPARE(line.numbers, (std::vector<int>{4, 5}));
    QVERIFY(line.message.contains(u"строка 4"_s));

    const Warning &count = report.warnings[1];
    QCOMPARE(count.file, fixture(u"comma.txt"_s));
    QCOMPARE(count.line, 12); // where the question that fell off starts
    QCOMPARE(report.questionFile.fieldCount, 13);
    QVERIFY(!report.questionFile.countIsAtLeast);
    QVERIFY(count.message.contains(u"13 полей"_s));

    // The split shows in what the window will show.
    QCOMPARE(report.questions[4], u"верно?"_s);
}

void TestRoundCheck::fieldsPastTheTwelfth()
{
    const RoundReport report = checkRound(fixture(u"more"_s));
    QVERIFY(report.loaded());
    // Both files run to fourteen lines, one field each: no line stands out.
    QCOMPARE(kinds(report), (std::vector<Kind>{Kind::TooManyFields, Kind::TooManyFields}));
    QCOMPARE(report.warnings[0].file, fixture(u"more.txt"_s));
    QCOMPARE(report.warnings[0].line, 13);
    QCOMPARE(report.warnings[1].file, fixture(u"moreo.txt"_s));
    QCOMPARE(report.questionFile.fieldCount, 14);
    QCOMPARE(report.answerFile.fieldCount, 14);
}

void TestRoundCheck::rulesFixture()
{
    // Quoted commas, a dangling quote and text after a closing quote are all
    // one field a line; only the trailing comma of line 11 adds one.
    const RoundReport report = checkRound(fixture(u"rules"_s));
    QVERIFY(report.loaded());
    QCOMPARE(kinds(report),
             (std::vector<Kind>{Kind::ExtraFieldsOnLine, Kind::TooManyFields, Kind::EmptyQuestion}));
    QCOMPARE(report.warnings[0].line, 11);
    QCOMPARE(report.warnings[0].numbers, (std::vector<int>{11, 12}));
    QCOMPARE(report.warnings[1].line, 12);
    QCOMPARE(report.warnings[2].numbers, std::vector<int>{12});
    QCOMPARE(report.warnings[2].line, 11);
}

void TestRoundCheck::lineJudgedAgainstTheUsualCount()
{
    // Three a line, but the second has four: fields 4 to 7 start there.
    const RoundReport threes = checkRound(writeRound("a1,a2,a3\nb1,b2,b3 x,b3 y\nc1,c2,c3\nd1,d2,d3\n"));
    QCOMPARE(kinds(threes), (std::vector<Kind>{Kind::ExtraFieldsOnLine, Kind::TooManyFields}));
    QCOMPARE(threes.warnings[0].line, 2);
    QCOMPARE(threes.warnings[0].numbers, (std::vector<int>{4, 5, 6, 7}));

    // Two unquoted commas on different lines: both lines named.
    QList<QByteArray> lines = twelveQuestions();
    lines[2] = "Alpha, beta";
    lines[8] = "Gamma, delta";
    const RoundReport two = checkRound(writeRound(joinLines(lines)));
    QCOMPARE(kinds(two),
             (std::vector<Kind>{Kind::ExtraFieldsOnLine, Kind::ExtraFieldsOnLine, Kind::TooManyFields}));
    QCOMPARE(two.warnings[0].line, 3);
    QCOMPARE(two.warnings[1].line, 9);
    QCOMPARE(two.questionFile.fieldCount, 14);

    // Six and six: no usual count to stand out from, and nothing is wrong.
    QVERIFY(checkRound(writeRound("q1,q2,q3,q4,q5,q6\nq7,q8,q9,q10,q11,q12\n")).warnings.empty());

    // A blank line is an (empty) field of its own, not a line with fewer.
    lines = twelveQuestions();
    lines[5] = "";
    const RoundReport blank = checkRound(writeRound(joinLines(lines)));
    QCOMPARE(kinds(blank), std::vector<Kind>{Kind::EmptyQuestion});
}

void TestRoundCheck::notesAfterTheTwelfthMoveNothing()
{
    // A note with commas after the round is past what is read: counted, but
    // its line is no sign of a shifted question.
    const RoundReport report =
        checkRound(writeRound(joinLines(twelveQuestions() << "Notes: spare one, spare two, spare three")));
    QCOMPARE(kinds(report), std::vector<Kind>{Kind::TooManyFields});
    QCOMPARE(report.warnings[0].line, 13);
    QCOMPARE(report.questionFile.fieldCount, 15);
}

void TestRoundCheck::hugeFileCountIsALowerBound()
{
    // More fields than the checker reads.
    const RoundReport many = checkRound(writeRound(QByteArray("q,").repeated(kDeepFieldLimit + 5)));
    QVERIFY(many.loaded());
    QCOMPARE(many.questionFile.fieldCount, kDeepFieldLimit);
    QVERIFY(many.questionFile.countIsAtLeast);
    const Warning *count = find(many, Kind::TooManyFields);
    QVERIFY(count);
    QVERIFY(count->message.contains(u"не меньше"_s));

    // A field over the cap after the twelfth does not stop the round loading,
    // but it is the last the checker can count.
    const RoundReport longField =
        checkRound(writeRound(joinLines(twelveQuestions() << QByteArray(rounds::kFieldByteCap + 10, 'x'))));
    QVERIFY(longField.loaded());
    QCOMPARE(longField.questionFile.fieldCount, 13);
    QVERIFY(longField.questionFile.countIsAtLeast);
    QVERIFY(find(longField, Kind::TooManyFields));
}

void TestRoundCheck::emptyQuestionAndAnswers()
{
    const RoundReport blank = checkRound(fixture(u"blank"_s));
    QVERIFY(blank.loaded());
    QCOMPARE(kinds(blank), std::vector<Kind>{Kind::EmptyQuestion});
    QCOMPARE(blank.warnings[0].numbers, std::vector<int>{6});
    QCOMPARE(blank.warnings[0].line, 6);
    QCOMPARE(blank.warnings[0].file, fixture(u"blank.txt"_s));

    // Quoted blanks show nothing either; "0" is an answer.
    QList<QByteArray> answers;
    for (int k = 1; k <= 12; ++k)
        answers << QByteArray::number(k * 10);
    answers[2] = "";
    answers[4] = "\"   \"";
    answers[6] = "0";
    const RoundReport report = checkRound(writeRound(joinLines(twelveQuestions()), joinLines(answers)));
    QCOMPARE(kinds(report), (std::vector<Kind>{Kind::EmptyAnswer, Kind::EmptyAnswer}));
    QCOMPARE(report.warnings[0].numbers, std::vector<int>{3});
    QCOMPARE(report.warnings[1].numbers, std::vector<int>{5});
    QVERIFY(report.warnings[1].file.endsWith(u"o.txt"_s));
}

void TestRoundCheck::duplicatesComparedAsShown()
{
    QList<QByteArray> lines = twelveQuestions();
    lines[8] = u"  вопрос НОМЕР 1?"_s.toUtf8();      // blanks before are dropped, case ignored
    lines[2] = "007";                                // shown as 7
    lines[6] = "7.0";                                // shown as 7
    lines[4] = "\"007\"";                            // shown as 007: different
    lines[10] = u"\"Вопрос номер 2?  \""_s.toUtf8(); // trailing blanks kept by quotes, still trimmed
    const RoundReport report = checkRound(writeRound(joinLines(lines)));
    QCOMPARE(kinds(report), (std::vector<Kind>{Kind::DuplicateQuestions, Kind::DuplicateQuestions,
                                               Kind::DuplicateQuestions}));
    QCOMPARE(report.warnings[0].numbers, (std::vector<int>{1, 9}));
    QCOMPARE(report.warnings[1].numbers, (std::vector<int>{2, 11}));
    QCOMPARE(report.warnings[2].numbers, (std::vector<int>{3, 7}));
    QCOMPARE(report.warnings[0].message, u"Вопросы 1 и 9 совпадают"_s);

    // Three of a kind are one warning; empty questions are not duplicates.
    lines = twelveQuestions();
    lines[3] = lines[5] = lines[7] = "Same";
    lines[0] = lines[1] = "";
    const RoundReport three = checkRound(writeRound(joinLines(lines)));
    QCOMPARE(kinds(three),
             (std::vector<Kind>{Kind::EmptyQuestion, Kind::EmptyQuestion, Kind::DuplicateQuestions}));
    QCOMPARE(three.warnings[2].numbers, (std::vector<int>{4, 6, 8}));
    QCOMPARE(three.warnings[2].message, u"Вопросы 4, 6 и 8 совпадают"_s);
}

void TestRoundCheck::textsTheBoardCutsOff()
{
    // A board that shows 28 characters of a question and 10 of an answer.
    std::vector<std::pair<Board, QString>> asked;
    const FitFunction fit = [&asked](Board board, const QString &text) {
        asked.emplace_back(board, text);
        const int room = board == Board::Question ? 28 : 10;
        return Fit{int(text.size()) <= room, std::min(int(text.size()), room), int(text.size())};
    };
    QList<QByteArray> questions = twelveQuestions();
    questions[6] = u"Какая птица выводит птенцов зимой?"_s.toUtf8(); // 34 characters
    QList<QByteArray> answers;
    for (int k = 1; k <= 12; ++k)
        answers << QByteArray::number(k);
    answers[10] = "Twenty-one characters";
    const QString round = writeRound(joinLines(questions), joinLines(answers));

    const RoundReport report = checkRound(round, fit);
    QCOMPARE(kinds(report), (std::vector<Kind>{Kind::DoesNotFit, Kind::DoesNotFit}));
    // The board is asked about every text as the window shows it.
    QCOMPARE(asked.size(), size_t(24));
    QCOMPARE(asked[6].second, u"Какая птица выводит птенцов зимой?"_s);
    QCOMPARE(asked[12 + 10].first, Board::Answer);

    const Warning &question = report.warnings[0];
    QCOMPARE(question.numbers, std::vector<int>{7});
    QCOMPARE(question.line, 7);
    QCOMPARE(question.file, rounds::questionFileName(round));
    QCOMPARE(question.message,
             u"Вопрос 7 не помещается на поле: видно около 28 из 34 знаков (до «…птица выводит птенцов»)"_s);
    // "знака" after 21; no "…" when every word shown is named.
    QCOMPARE(report.warnings[1].message,
             u"Ответ 11 не помещается на поле: видно около 10 из 21 знака (до «Twenty-one»)"_s);
    QCOMPARE(report.warnings[1].file, rounds::answerFileName(round));

    // Without a board to ask, nothing is said about fitting.
    QVERIFY(checkRound(round).warnings.empty());
}

void TestRoundCheck::encodingIsTheWindowsChoice()
{
    // Windows-1251 bytes after the twelfth field are never read by the
    // window, which takes the file as UTF-8; the checker must say the same.
    const QByteArray notes = u"Заметки ведущего"_s.toUtf8();
    QByteArray questions = joinLines(twelveQuestions()) + "\xc7\xe0\xec\xe5\xf2\xea\xe8\r\n";
    RoundReport report = checkRound(writeRound(questions));
    QCOMPARE(report.questionFile.encoding, Encoding::Utf8);
    QCOMPARE(report.answerFile.encoding, Encoding::Windows1251);
    QCOMPARE(report.questions[0], u"Вопрос номер 1?"_s);

    report = checkRound(writeRound("\xef\xbb\xbf" + joinLines(twelveQuestions()) + notes));
    QCOMPARE(report.questionFile.encoding, Encoding::Utf8Bom);

    QCOMPARE(encodingName(Encoding::Windows1251), u"Windows-1251"_s);
    QCOMPARE(encodingName(Encoding::Utf8), u"UTF-8"_s);
    QCOMPARE(encodingName(Encoding::Utf8Bom), u"UTF-8 с BOM"_s);
    QCOMPARE(encodingName(Encoding::Utf16Le), u"UTF-16 LE"_s);
    QCOMPARE(encodingName(Encoding::Utf16Be), u"UTF-16 BE"_s);
}

void TestRoundCheck::nulBytesMeanNotText()
{
    // UTF-16 saved without its mark loads, as garbage; the checker says why.
    const RoundReport report = checkRound(fixture(u"utf16nobom"_s));
    QVERIFY(report.loaded());
    const Warning *notText = find(report, Kind::NotText);
    QVERIFY(notText);
    QCOMPARE(notText->file, fixture(u"utf16nobom.txt"_s));
    QVERIFY(notText->message.contains(u"не текстовый файл"_s));
    QVERIFY(!find(report, Kind::NotText, u"o.txt"_s));

    // A NUL after the twelfth field counts too.
    QVERIFY(find(checkRound(writeRound(joinLines(twelveQuestions()) + QByteArray("\0", 1))), Kind::NotText));
}

void TestRoundCheck::fileSavedDuringTheCheck()
{
    // The question file saved again after the window's reading, before the
    // checker's own: with a question changed, then with one field fewer.
    QList<QByteArray> changed = twelveQuestions();
    changed[3] = "Saved meanwhile";
    QList<QByteArray> shorter = twelveQuestions();
    shorter.removeLast();
    for (const QList<QByteArray> &saved : {changed, shorter}) {
        const QString round = writeRound(joinLines(twelveQuestions()));
        bool done = false;
        const rounds::PullWrapper saveFirst = [&](rounds::PullBytes pull) {
            if (!std::exchange(done, true))
                mustWriteFile(rounds::questionFileName(round), joinLines(saved));
            return pull;
        };
        const RoundReport report = checkRound(round, {}, saveFirst);
        QCOMPARE(kinds(report), std::vector<Kind>{Kind::FileChanged});
        QCOMPARE(report.warnings[0].file, rounds::questionFileName(round));
        QCOMPARE(report.questions[3], u"Вопрос номер 4?"_s); // what the window loaded
    }
}

QTEST_GUILESS_MAIN(TestRoundCheck)
#include "tst_roundcheck.moc"
