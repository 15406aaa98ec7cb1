#include "check/csvtable.h"
#include "check/roundwriter.h"
#include "check/tableimport.h"
#include "rounds/roundfile.h"
#include "support/testfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>

using namespace check;
using namespace Qt::StringLiterals;
using rounds::Encoding;

Q_DECLARE_METATYPE(rounds::Encoding)
Q_DECLARE_METATYPE(check::WriteStep)

namespace {

// Twelve "Вопрос k;Ответ k" rows in UTF-8, CR LF.
QByteArray twelveRows(const QByteArray &separator = ";")
{
    QByteArray rows;
    for (int k = 1; k <= 12; ++k)
        rows += u"Вопрос %1"_s.arg(k).toUtf8() + separator + u"Ответ %1"_s.arg(k).toUtf8() + "\r\n";
    return rows;
}

QStringList shownQuestions(const rounds::Round &round)
{
    QStringList list;
    for (const rounds::QuestionValue &v : round.questions)
        list << rounds::questionText(v);
    return list;
}

// Every file of a folder with its content, to see that nothing changed.
QMap<QString, QByteArray> snapshot(const QString &path)
{
    QMap<QString, QByteArray> files;
    const QDir dir(path);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(dir.filePath(name));
        files[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    return files;
}

// Writes round `round` over whatever is there, with `fault` making steps fail.
WriteResult writeFailing(const QString &round, const WriteFault &fault)
{
    RoundTexts texts;
    texts.questions.fill(u"Вопрос"_s);
    texts.answers.fill(u"Ответ"_s);
    return writeRound(round, texts, true, fault);
}

} // namespace

class TestTableImport : public QObject
{
    Q_OBJECT

private slots:
    void separatorFound_data();
    void separatorFound();
    void quotedCells();
    void roundReadsBackTheCells_data();
    void roundReadsBackTheCells();
    void whichRowsMakeTheRound();
    void existingRoundIsKept();
    void failureLeavesEverythingAsItWas_data();
    void failureLeavesEverythingAsItWas();
    void oldFileThatCannotGoBackIsNamed();
    void tableThatIsNotATextFile();

private:
    QString writeTable(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(u"t%1.csv"_s.arg(++m_tables));
        mustWriteFile(path, bytes);
        return path;
    }
    QString roundName() { return m_dir.filePath(u"r%1"_s.arg(++m_rounds)); }

    QTemporaryDir m_dir;
    int m_tables = 0;
    int m_rounds = 0;
};

void TestTableImport::separatorFound_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("separator");

    QTest::newRow("comma") << twelveRows(",") << u","_s;
    QTest::newRow("tab") << twelveRows("\t") << u"\t"_s;
    // A Russian spreadsheet quotes no commas when it separates by semicolons.
    QTest::newRow("semicolon, commas in cells")
        << twelveRows().replace("1;", "1, a, b;").replace("2;", "2, c;") << u";"_s;
    // A comma spreadsheet quotes the cells that hold a comma.
    QTest::newRow("comma, quoted commas")
        << twelveRows(",").replace(u"Вопрос 3,"_s.toUtf8(), "\"a, b; c\",") << u","_s;
    QTest::newRow("header only shows one") << "Вопрос;Ответ\r\n" + twelveRows() << u";"_s;
    QTest::newRow("one column") << QByteArray("a\r\nb\r\n") << u","_s;
}

void TestTableImport::separatorFound()
{
    QFETCH(QByteArray, table);
    QFETCH(QString, separator);
    const CsvTable parsed = readCsv(table);
    QCOMPARE(QString(parsed.separator), separator);
    if (separator != u",")
        QCOMPARE(parsed.rows.front().size(), 2);
}

void TestTableImport::quotedCells()
{
    const CsvTable table = parseCsv(u"\"a;b\";\"say \"\"hi\"\"\"\r\n"
                                    "\"two\r\nlines\";\"and\nthree\rhere\"\r\n"
                                    "x\"y;\"\"\r\n"
                                    ";\r\n"
                                    "last;row"_s,
                                    u';');
    QCOMPARE(table.rows.size(), size_t(5));
    QCOMPARE(table.rows[0], (QStringList{u"a;b"_s, u"say \"hi\""_s}));
    QCOMPARE(table.rows[1], (QStringList{u"two\r\nlines"_s, u"and\nthree\rhere"_s}));
    QCOMPARE(table.rows[2], (QStringList{u"x\"y"_s, QString()}));
    QCOMPARE(table.rows[3], (QStringList{QString(), QString()}));
    QCOMPARE(table.rows[4], (QStringList{u"last"_s, u"row"_s}));
    QCOMPARE(table.unclosedQuoteRow, 0);

    const CsvTable open = parseCsv(u"a;b\n\"c;d\ne;f\n"_s, u';');
    QCOMPARE(open.rows.size(), size_t(2));
    QCOMPARE(open.unclosedQuoteRow, 2);
    QCOMPARE(open.rows[1].front(), u"c;d\ne;f\n"_s);
}

void TestTableImport::roundReadsBackTheCells_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("shown"); // row 1's question as the window shows it
    QTest::addColumn<Encoding>("written");
    QTest::addColumn<int>("warnings");

    const auto withFirst = [](const QString &cell, const QByteArray &separator = ";") {
        QByteArray rows = twelveRows(separator);
        return rows.replace(u"Вопрос 1;"_s.toUtf8(), cell.toUtf8() + separator);
    };
    QTest::newRow("plain") << twelveRows() << u"Вопрос 1"_s << Encoding::Windows1251 << 0;
    QTest::newRow("number stays as typed") << withFirst(u"007"_s) << u"007"_s << Encoding::Windows1251 << 0;
    QTest::newRow("commas and blanks")
        << withFirst(u"  Да, нет,  "_s) << u"  Да, нет,  "_s << Encoding::Windows1251 << 0;
    QTest::newRow("line breaks") << withFirst(u"\"Две\r\nстроки\nи\r\n\r\nещё\""_s) << u"Две строки и ещё"_s
                                 << Encoding::Windows1251 << 0;
    QTest::newRow("quotes") << withFirst(u"\"Фильм \"\"Брат\"\" (\"\"1997\"\")\""_s)
                            << u"Фильм «Брат» («1997»)"_s << Encoding::Windows1251 << 1;
    QTest::newRow("outside Windows-1251") << withFirst(u"Ħ ☃ 🎲"_s) << u"Ħ ☃ 🎲"_s << Encoding::Utf8Bom << 0;
    // Windows-1251 that happens to be valid UTF-8 would be taken for UTF-8;
    // the other questions are ASCII ("Q k"), so nothing else gives it away.
    QByteArray ascii = twelveRows().replace(u"Вопрос"_s.toUtf8(), "Q").replace(u"Ответ"_s.toUtf8(), "A");
    QTest::newRow("Windows-1251 looking like UTF-8")
        << ascii.replace("Q 1;", "Q 1 " + u"Рѕ;"_s.toUtf8()) << u"Q 1 Рѕ"_s << Encoding::Utf8Bom << 0;

    QTest::newRow("Windows-1251 table") << numberedLines(kQuestionCp1251).replace("\r\n", ";x\r\n")
                                        << u"Вопрос 1"_s << Encoding::Windows1251 << 0;
    QTest::newRow("UTF-8 with BOM") << "\xef\xbb\xbf" + twelveRows(",") << u"Вопрос 1"_s
                                    << Encoding::Windows1251 << 0;
    QByteArray utf16("\xff\xfe");
    for (const QChar c : QString::fromUtf8(twelveRows("\t")))
        utf16.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    QTest::newRow("UTF-16 LE, tabs") << utf16 << u"Вопрос 1"_s << Encoding::Windows1251 << 0;
}

void TestTableImport::roundReadsBackTheCells()
{
    QFETCH(QByteArray, table);
    QFETCH(QString, shown);
    QFETCH(Encoding, written);
    QFETCH(int, warnings);

    const QString round = roundName();
    const ImportResult result = importTable(writeTable(table), round, false);
    QVERIFY2(result.written, qPrintable(result.error));
    QCOMPARE(result.roundEncoding, written);
    QCOMPARE(int(result.warnings.size()), warnings);

    const rounds::RoundRead read = rounds::readRound(round);
    QVERIFY2(read.value, qPrintable(read.error));
    QStringList expected{shown};
    for (int k = 2; k <= 12; ++k)
        expected << (table.startsWith("Q ") ? u"Q %1"_s : u"Вопрос %1"_s).arg(k);
    QCOMPARE(shownQuestions(*read.value), expected);
    if (warnings > 0) {
        QCOMPARE(result.warnings.front().kind, Warning::Kind::TableQuotesReplaced);
        QCOMPARE(result.warnings.front().line, 1);
    }
}

void TestTableImport::whichRowsMakeTheRound()
{
    // Header naming the columns, blank rows, a comment in a third column.
    QByteArray rows = twelveRows().replace(u"Вопрос 5;"_s.toUtf8(), "\r\n;;\r\n" + u"Вопрос 5;"_s.toUtf8());
    QByteArray table = "№;Вопрос;Ответ\r\n";
    int number = 0;
    for (const QByteArray &line : rows.split('\n'))
        if (!line.isEmpty())
            table += QByteArray::number(++number) + ";" + line + "\n";
    table += "99;Запасной;Запас\r\n";
    const QString round = roundName();
    const ImportResult result = importTable(writeTable(table), round, false);
    QVERIFY2(result.written, qPrintable(result.error));
    const rounds::RoundRead read = rounds::readRound(round);
    QVERIFY(read.value);
    QCOMPARE(shownQuestions(*read.value).at(4), u"Вопрос 5"_s);
    QCOMPARE(read.value->answers[11], u"Ответ 12"_s);
    QCOMPARE(result.warnings.size(), size_t(1));
    QCOMPARE(result.warnings.front().kind, Warning::Kind::TableExtraRows);
    QCOMPARE(result.warnings.front().line, 16); // header, 4 rows, 2 blank, 8 rows, then the spare

    // Eleven questions: nothing written, and the count is named.
    const QString shortRound = roundName();
    const ImportResult eleven =
        importTable(writeTable(u"Question;Answer\r\n"_s.toUtf8() +
                               twelveRows().left(twelveRows().lastIndexOf(u"Вопрос 12"_s.toUtf8()))),
                    shortRound, false);
    QVERIFY(!eleven.written);
    QVERIFY2(eleven.error.endsWith(u"меньше 12 вопросов (найдено 11)"_s), qPrintable(eleven.error));
    QVERIFY(!QFile::exists(rounds::questionFileName(shortRound)));
    QVERIFY(!QFile::exists(rounds::answerFileName(shortRound)));

    // A quote left open in row 8 swallows the rows after it: the row is named.
    const ImportResult open =
        importTable(writeTable(twelveRows().replace(u"Вопрос 8;"_s.toUtf8(), u"\"Вопрос 8;"_s.toUtf8())),
                    roundName(), false);
    QVERIFY(!open.written);
    QVERIFY2(open.error.contains(u"меньше 12 вопросов (найдено 8); "_s), qPrintable(open.error));
    QVERIFY2(
        open.error.endsWith(u"t%1.csv, строка 8: кавычка не закрыта до конца файла — всё после неё попало "
                            u"в одну ячейку"_s.arg(m_tables)),
        qPrintable(open.error));
}

void TestTableImport::existingRoundIsKept()
{
    QTemporaryDir dir;
    const QString round = dir.filePath(u"r"_s);
    const QString table = writeTable(twelveRows());
    mustWriteFile(rounds::answerFileName(round), "old answers");
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    const ImportResult refused = importTable(table, round, false);
    QVERIFY(!refused.written);
    QVERIFY(refused.error.contains(u"--force"_s));
    QCOMPARE(snapshot(dir.path()), before);

    QVERIFY(importTable(table, round, true).written);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{u"r.txt"_s, u"ro.txt"_s}));
    QVERIFY(rounds::readRound(round));
}

void TestTableImport::failureLeavesEverythingAsItWas_data()
{
    QTest::addColumn<WriteStep>("failing");
    QTest::addColumn<bool>("oldRound");

    for (const bool old : {false, true}) {
        const char *suffix = old ? ", over an old round" : "";
        QTest::addRow("writing questions%s", suffix) << WriteStep::WriteQuestions << old;
        QTest::addRow("writing answers%s", suffix) << WriteStep::WriteAnswers << old;
        QTest::addRow("placing questions%s", suffix) << WriteStep::PlaceQuestions << old;
        QTest::addRow("placing answers%s", suffix) << WriteStep::PlaceAnswers << old;
    }
}

void TestTableImport::failureLeavesEverythingAsItWas()
{
    QFETCH(WriteStep, failing);
    QFETCH(bool, oldRound);

    QTemporaryDir dir;
    const QString round = dir.filePath(u"r"_s);
    if (oldRound)
        mustWriteRound(round, "old questions", "old answers");
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    const WriteResult result =
        writeFailing(round, [failing](WriteStep step) { return step == failing ? ENOSPC : 0; });
    QCOMPARE(result.status, WriteResult::Status::Failed);
    QVERIFY2(result.error.endsWith(u": нет места на диске"_s), qPrintable(result.error));
    QCOMPARE(snapshot(dir.path()), before);
}

void TestTableImport::oldFileThatCannotGoBackIsNamed()
{
    // The answers cannot be placed, and the old questions, moved aside for
    // the new ones, cannot be put back either: where they are is said.
    QTemporaryDir dir;
    const QString round = dir.filePath(u"r"_s);
    mustWriteRound(round, "old questions", "old answers");
    const WriteResult result = writeFailing(round, [](WriteStep step) {
        return step == WriteStep::PlaceAnswers ? ENOSPC : step == WriteStep::PutBackQuestions ? EIO : 0;
    });
    QCOMPARE(result.status, WriteResult::Status::Failed);
    const QString prefix = u"Не удаётся записать файл %1: нет места на диске; прежний %2 сохранён как "_s.arg(
        rounds::answerFileName(round), rounds::questionFileName(round));
    QVERIFY2(result.error.startsWith(prefix), qPrintable(result.error));
    QFile kept(result.error.mid(prefix.size()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old questions"));
    const QMap<QString, QByteArray> after = snapshot(dir.path());
    QCOMPARE(after.value(u"ro.txt"_s), QByteArray("old answers"));
    QCOMPARE(after.size(), 3); // the new questions, the old answers, the old questions
}

void TestTableImport::tableThatIsNotATextFile()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"fifo.csv"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {dir.filePath(u"missing.csv"_s), dir.path(), fifo, u"/dev/zero"_s}) {
        const ImportResult result = importTable(path, dir.filePath(u"r"_s), false);
        QVERIFY(!result.written);
        QCOMPARE(result.error, rounds::readRoundFile(path).error);
    }

    // Random bytes, a picture, a workbook saved without converting: refused,
    // with how to save a CSV, even where the bytes happen to split in twelve rows.
    QByteArray random(5 * 1024, Qt::Uninitialized);
    QRandomGenerator(18).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    const QByteArray picture = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + twelveRows();
    const QByteArray workbook = QByteArray("PK\x03\x04\x14\0\x06\0", 8) + twelveRows(",");
    for (const QByteArray &bytes : {random, picture, workbook}) {
        const QString table = dir.filePath(u"table.csv"_s);
        QVERIFY(writeFile(table, bytes));
        const ImportResult result = importTable(table, dir.filePath(u"r"_s), false);
        QVERIFY(!result.written);
        QVERIFY2(result.error.startsWith(u"Файл %1 — не текстовая таблица CSV"_s.arg(table)),
                 qPrintable(result.error));
        QVERIFY(result.error.contains(u"«Текст CSV (.csv)»"_s));
        QVERIFY(QFile::remove(table));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

QTEST_GUILESS_MAIN(TestTableImport)
#include "tst_tableimport.moc"
