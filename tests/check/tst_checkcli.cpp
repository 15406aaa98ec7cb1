#include "check/csvtable.h"
#include "game/evening.h"
#include "journal/journal.h"
#include "journal/record.h"
#include "rounds/roundfile.h"
#include "support/testfiles.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the checker under the C locale, so nothing in the output leans on
// the tester's language settings. stdoutFile, when given, takes the report;
// stateHome, when given, is where the program's journal is looked for.
Run runCheck(const QStringList &arguments, const QString &stdoutFile = QString(),
             const QString &stateHome = QString())
{
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C"_s);
    environment.insert(u"LANG"_s, u"C"_s);
    // The evening before there may be no display at all.
    for (const QString &name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
        environment.remove(name);
    if (!stateHome.isEmpty())
        environment.insert(u"XDG_STATE_HOME"_s, stateHome);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KVIZOR_CHECK_BIN), arguments);
    Run run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Two rounds with points, the second one's name and a team's name holding
// what a table must quote.
Evening twoRounds()
{
    Evening evening;
    evening.names = {u"Совы"_s, u"Ёжики; и Ко"_s};
    evening.rows = {{u"1"_s, 3, 1}, {u"финал \"Б\""_s, 0, 2.5}};
    evening.changed = QDateTime::currentDateTimeUtc();
    evening.began = evening.changed.addSecs(-3600);
    return evening;
}

// The journal of stateHome as the program writes it during that evening.
bool recordEvening(const QString &stateHome, const Evening &evening)
{
    journal::Journal kept(stateHome + u"/kvizor"_s, journal::FaultHook());
    GameSnapshot game;
    game.round = evening.rows.back().round;
    game.picked = true;
    game.at = evening.changed;
    game.evening = evening;
    kept.record(game);
    return kept.waitForDisk(10000) && kept.problem().isEmpty();
}

} // namespace

class TestCheckCli : public QObject
{
    Q_OBJECT

private slots:
    void report_data();
    void report();
    void textsTheBoardCutsOff_data();
    void textsTheBoardCutsOff();
    void roundThatDoesNotLoad();
    void versionAndHelp();
    void usageErrors_data();
    void usageErrors();
    void controlCharactersShownEscaped();
    void importFromTable();
    void reportThatCannotBeWritten_data();
    void reportThatCannotBeWritten();
    void eveningPrintedWhileTheGameGoesOn();
    void eveningWithNoJournal();
    void eveningTable_data();
    void eveningTable();
    void journalThatCannotBeRead_data();
    void journalThatCannotBeRead();
};

void TestCheckCli::report_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected"); // pieces of the report

    QTest::newRow("clean round") << QStringList{fixture(u"lines"_s)} << 0
                                 << QStringList{
                                        u" 1. Какая река самая длинная в Европе?\n    Ответ: Волга\n"_s,
                                        u"12. Сколько минут в сутках?\n    Ответ: 1440\n"_s,
                                        fixture(u"lines.txt: кодировка Windows-1251\n"_s),
                                        u"Предупреждений нет."_s};
    const QStringList warned{u" 4. Столица Австралии — Сидней\n"_s, fixture(u"comma.txt, строка 4: "_s),
                             u"Предупреждения (2):"_s};
    QTest::newRow("warnings") << QStringList{fixture(u"comma"_s)} << 1 << warned;
    // Options may follow the round, and "--" lets a round name start with "-".
    QTest::newRow("after --") << QStringList{u"--"_s, fixture(u"comma"_s)} << 1 << warned;
}

void TestCheckCli::report()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, expected);
    const Run run = runCheck(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.err.isEmpty());
    const QString out = QString::fromUtf8(run.out);
    for (const QString &piece : expected)
        QVERIFY2(out.contains(piece), qPrintable(piece));
}

void TestCheckCli::textsTheBoardCutsOff_data()
{
    QTest::addColumn<QByteArray>("questions");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QStringList>("warning"); // pieces of the one warning

    QByteArray longQuestion = numberedLines(kQuestionCp1251);
    longQuestion.replace(kQuestionCp1251 + "5\r",
                         kQuestionCp1251.repeated(400 / kQuestionCp1251.size()) + "5\r");
    QTest::newRow("cut at the bottom")
        << longQuestion << numberedLines(kAnswerCp1251)
        << QStringList{u"Предупреждения (1):\n  - Вопрос 5 не помещается на поле: видно около "_s,
                       u" из 400 знаков (до «…Вопрос Вопрос Вопрос»)\n"_s};
    // One word wider than the label stands out past both of its edges.
    const QByteArray letters40 = QByteArray("\xc6").repeated(40);
    QTest::newRow("a 40-letter answer")
        << numberedLines(kQuestionCp1251)
        << numberedLines(kAnswerCp1251).replace(kAnswerCp1251 + "3\r", letters40 + "\r")
        << QStringList{u"  - Ответ 3 не помещается на поле: видно около 0 из 40 знаков\n"_s};
    QTest::newRow("a 70-letter word in a question")
        << numberedLines(kQuestionCp1251).replace("5\r", "5 " + QByteArray("\xe0").repeated(70) + "\r")
        << numberedLines(kAnswerCp1251)
        << QStringList{u"  - Вопрос 5 не помещается на поле: видно около 9 из 79 знаков (до «Вопрос 5»)\n"_s};
}

void TestCheckCli::textsTheBoardCutsOff()
{
    QFETCH(QByteArray, questions);
    QFETCH(QByteArray, answers);
    QFETCH(QStringList, warning);
    QTemporaryDir dir;
    const QString round = dir.filePath(u"long"_s);
    mustWriteRound(round, questions, answers);

    const Run run = runCheck({round});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.isEmpty(), run.err.constData()); // nothing from Qt either
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(out.contains(u"Предупреждения (1):"_s), qPrintable(out));
    for (const QString &piece : warning)
        QVERIFY2(out.contains(piece), qPrintable(piece));
}

void TestCheckCli::roundThatDoesNotLoad()
{
    for (const QString &round : {fixture(u"eleven"_s), fixture(u"nosuchround"_s)}) {
        const Run run = runCheck({round});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(QString::fromUtf8(run.err), rounds::readRound(round).error + u'\n');
    }
}

void TestCheckCli::versionAndHelp()
{
    const Run version = runCheck({u"--version"_s});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("kvizor-check " KVIZOR_DISPLAY_VERSION "\n"));

    for (const QString &option : {u"--help"_s, u"-h"_s}) {
        const Run help = runCheck({option});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.err.isEmpty());
        QVERIFY(QString::fromUtf8(help.out).startsWith(u"Использование: kvizor-check"_s));
    }
    // Asking for help never runs a check, wherever it stands.
    QCOMPARE(runCheck({fixture(u"eleven"_s), u"--help"_s}).exitCode, 0);
}

void TestCheckCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no round") << QStringList();
    QTest::newRow("two rounds") << QStringList{fixture(u"lines"_s), fixture(u"comma"_s)};
    QTest::newRow("unknown option") << QStringList{u"--verbose"_s, fixture(u"lines"_s)};
    QTest::newRow("only an end of options") << QStringList{u"--"_s};
    QTest::newRow("--force without --import") << QStringList{u"--force"_s, fixture(u"lines"_s)};
    QTest::newRow("--import without a table") << QStringList{u"--import"_s};
    QTest::newRow("--import without a round") << QStringList{u"--import"_s, u"t.csv"_s};
    QTest::newRow("--evening with two files") << QStringList{u"--evening"_s, u"a.csv"_s, u"b.csv"_s};
    QTest::newRow("--evening with --import") << QStringList{u"--evening"_s, u"--import"_s, u"t.csv"_s};
    QTest::newRow("--force with --evening alone") << QStringList{u"--evening"_s, u"--force"_s};
}

void TestCheckCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Run run = runCheck(arguments);
    QCOMPARE(run.exitCode, 64);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.startsWith("kvizor-check: "));
    QVERIFY(run.err.contains("--help"));
}

void TestCheckCli::controlCharactersShownEscaped()
{
    // Clear the screen, retitle the terminal, a C1 CSI, a right-to-left override.
    QTemporaryDir dir;
    const QString round = dir.filePath(u"r\x1b]0;x\x07"_s);
    QByteArray questions = numberedLines("Q");
    questions.replace("Q1\r", "Q1 \x1b[2J\x7f\r")
        .replace("Q2\r", "Q2 \xc2\x9b"
                         "31m\r");
    QByteArray answers = numberedLines("A");
    answers.replace("A1\r", "A1 \xe2\x80\xae"
                            "evil\r");
    QVERIFY(writeFile(rounds::questionFileName(round), questions));
    QVERIFY(writeFile(rounds::answerFileName(round), answers));

    const Run run = runCheck({round});
    QCOMPARE(run.exitCode, 0);
    const QString out = QString::fromUtf8(run.out);
    QVERIFY(out.contains(u" 1. Q1 \\x1b[2J\\x7f\n"_s));
    QVERIFY(out.contains(u" 2. Q2 \\x9b31m\n"_s));
    QVERIFY(out.contains(u"Ответ: A1 \\u202eevil\n"_s));
    QVERIFY(out.contains(u"r\\x1b]0;x\\x07.txt: кодировка"_s));
    for (const QChar c : out)
        QVERIFY2(c == u'\n' || (c >= u' ' && c != u'\x7f' && (c < u'\x80' || c > u'\x9f') && c != u'\u202e'),
                 qPrintable(QString::number(c.unicode(), 16)));

    // The message of a round that does not load names the file as well.
    const Run missing = runCheck({dir.filePath(u"\x1b[2J"_s)});
    QCOMPARE(missing.exitCode, 2);
    QVERIFY(!missing.err.contains('\x1b'));
    QVERIFY(missing.err.contains("\\x1b[2J.txt"));
}

void TestCheckCli::importFromTable()
{
    QTemporaryDir dir;
    const QString round = dir.filePath(u"7"_s);
    const QString sheet = QStringLiteral(KVIZOR_SOURCE_DIR "/examples/sheet.csv");

    const Run clean = runCheck({u"--import"_s, sheet, round});
    QCOMPARE(clean.exitCode, 0);
    QVERIFY(clean.err.isEmpty());
    const QString out = QString::fromUtf8(clean.out);
    QVERIFY(out.startsWith(u"Из таблицы "_s));
    QVERIFY(out.contains(u"разделитель «;»"_s));
    QVERIFY(out.contains(u" 9. Продолжите пословицу: Без труда не вытащишь…\n"_s));
    QVERIFY(out.contains(u"Ответ: 007\n"_s));
    QVERIFY(out.contains(u"Предупреждений нет."_s));

    // Again: the round is there now, and stays as it is without --force.
    const QByteArray written = bytesOf(round + u".txt"_s);
    const Run refused = runCheck({u"--import"_s, sheet, round});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY(refused.out.isEmpty());
    QVERIFY(refused.err.contains("--force"));
    QCOMPARE(bytesOf(round + u".txt"_s), written);

    // A table with a quote inside a cell: written, with a warning.
    QByteArray table =
        bytesOf(sheet).replace("\xcf\xf3\xf8\xea\xe8\xed", "\"\"\"\xcf\xf3\xf8\xea\xe8\xed\"\"\"");
    const QString quoted = dir.filePath(u"quoted.csv"_s);
    QVERIFY(writeFile(quoted, table));
    const Run warned = runCheck({u"--import"_s, quoted, u"--force"_s, round});
    QCOMPARE(warned.exitCode, 1);
    QVERIFY(QString::fromUtf8(warned.out).contains(u"quoted.csv, строка 4: кавычки"_s));
    QVERIFY(QString::fromUtf8(warned.out).contains(u"Ответ: «Пушкин»"_s));
}

void TestCheckCli::reportThatCannotBeWritten_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("stdoutFile");
    QTest::addColumn<QString>("cause");

    QTest::newRow("disk full") << QStringList{fixture(u"lines"_s)} << u"/dev/full"_s
                               << u"нет места на диске"_s;
    QTest::newRow("help, disk full") << QStringList{u"--help"_s} << u"/dev/full"_s << u"нет места на диске"_s;
    // Closed by the shell: the round files opened later must not become stdout.
    QTest::newRow("stdout closed") << QStringList{u"-c"_s, u"exec \"$0\" \"$@\" >&-"_s,
                                                  QStringLiteral(KVIZOR_CHECK_BIN), fixture(u"lines"_s)}
                                   << QString() << u"стандартный вывод закрыт"_s;
}

void TestCheckCli::reportThatCannotBeWritten()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, stdoutFile);
    QFETCH(QString, cause);

    Run run;
    if (arguments.first() == u"-c") {
        QProcess shell;
        shell.start(u"sh"_s, arguments);
        QVERIFY(shell.waitForFinished(30000));
        run.exitCode = shell.exitCode();
        run.err = shell.readAllStandardError();
    } else {
        run = runCheck(arguments, stdoutFile);
    }
    QCOMPARE(run.exitCode, 74);
    QCOMPARE(QString::fromUtf8(run.err), u"kvizor-check: не удалось вывести отчёт: "_s + cause + u'\n');
}

void TestCheckCli::eveningPrintedWhileTheGameGoesOn()
{
    QTemporaryDir state;
    const Evening evening = twoRounds();
    QVERIFY(recordEvening(state.path(), evening));
    const QDir folder(state.filePath(u"kvizor"_s));
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QByteArray journalBytes = bytesOf(folder.filePath(u"game.json"_s));

    // The program still runs and holds the journal's lock.
    journal::Journal running(folder.path(), journal::FaultHook());
    const Run run = runCheck({u"--evening"_s}, QString(), state.path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    const QString out = QString::fromUtf8(run.out);
    QCOMPARE(out, evening::table(evening));
    QVERIFY2(out.contains(QRegularExpression(u"^1 +3 +1\n"_s, QRegularExpression::MultilineOption)) &&
                 out.contains(QRegularExpression(u"\nИтого +3 +3.5\n$"_s)),
             qPrintable(out));

    // Read, not touched.
    QCOMPARE(bytesOf(folder.filePath(u"game.json"_s)), journalBytes);
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entries);
}

void TestCheckCli::eveningWithNoJournal()
{
    // An empty evening is still printed, and written, with a note on stderr;
    // the state folder is not made.
    QTemporaryDir dir;
    const QString state = dir.filePath(u"state"_s);
    const Run printed = runCheck({u"--evening"_s}, QString(), state);
    QCOMPARE(printed.exitCode, 0);
    QCOMPARE(QString::fromUtf8(printed.out), evening::table(Evening()));
    QVERIFY(QString::fromUtf8(printed.err).startsWith(u"Вечер пуст: журнала игры "_s + state));

    const Run written = runCheck({u"--evening"_s, dir.filePath(u"e.csv"_s)}, QString(), state);
    QCOMPARE(written.exitCode, 0);
    QCOMPARE(bytesOf(dir.filePath(u"e.csv"_s)), evening::csv(Evening()));
    QVERIFY(!QFileInfo::exists(state));
}

void TestCheckCli::eveningTable_data()
{
    QTest::addColumn<QByteArray>("before"); // the file already there; none when null
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("new file") << QByteArray() << QStringList() << 0;
    QTest::newRow("a file there") << QByteArray("old;table\r\n") << QStringList() << 2;
    QTest::newRow("a file there, --force") << QByteArray("old;table\r\n") << QStringList{u"--force"_s} << 0;
    QTest::newRow("--force first") << QByteArray("") << QStringList{u"--force"_s, u"--evening"_s} << 0;
}

void TestCheckCli::eveningTable()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QTemporaryDir state;
    const Evening evening = twoRounds();
    QVERIFY(recordEvening(state.path(), evening));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"вечер.csv"_s);
    if (!before.isNull())
        QVERIFY(writeFile(path, before));

    QStringList arguments = options;
    if (!arguments.contains(u"--evening"_s))
        arguments.prepend(u"--evening"_s);
    const Run run = runCheck(arguments << path, QString(), state.path());
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"вечер.csv"_s}); // no temporary file left
    if (exitCode != 0) {
        QVERIFY(run.out.isEmpty());
        QCOMPARE(QString::fromUtf8(run.err),
                 u"Файл "_s + path + u" уже есть; чтобы заменить его, добавьте --force\n"_s);
        QCOMPARE(bytesOf(path), before);
        return;
    }
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    QCOMPARE(QString::fromUtf8(run.out), u"Вечер записан в "_s + path + u"\n\n"_s + evening::table(evening));

    // What the round import would read of it.
    const QByteArray bytes = bytesOf(path);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(bytes.count("\r\n"), 4);
    QCOMPARE(bytes.count('\n'), 4);
    const check::CsvTable table = check::readCsv(bytes);
    QCOMPARE(table.encoding, rounds::Encoding::Utf8Bom);
    QCOMPARE(table.separator, QChar(u';'));
    const std::vector<QStringList> cells{{u"Тур"_s, u"Совы"_s, u"Ёжики; и Ко"_s},
                                         {u"1"_s, u"3"_s, u"1"_s},
                                         {u"финал \"Б\""_s, u"0"_s, u"2.5"_s},
                                         {u"Итого"_s, u"3"_s, u"3.5"_s}};
    QCOMPARE(table.rows, cells);
}

void TestCheckCli::journalThatCannotBeRead_data()
{
    QTest::addColumn<QByteArray>("journal"); // game.json's bytes; a folder when null
    QTest::addColumn<QString>("cause");

    const QByteArray record = journal::encodeRecord([] {
        GameSnapshot game;
        game.at = QDateTime::currentDateTimeUtc();
        game.evening = twoRounds();
        return game;
    }());
    QTest::newRow("another program's file")
        << QByteArray("{\"программа\": \"другая\"}") << u"запись оборвана"_s;
    QTest::newRow("cut short") << record.left(record.size() / 2) << QString();
    QTest::newRow("a folder") << QByteArray() << u"это папка"_s;
}

void TestCheckCli::journalThatCannotBeRead()
{
    QFETCH(QByteArray, journal);
    QFETCH(QString, cause);
    QTemporaryDir state;
    const QString path = state.filePath(u"kvizor/game.json"_s);
    QVERIFY(QDir().mkpath(state.filePath(u"kvizor"_s)));
    if (journal.isNull())
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(writeFile(path, journal));

    const QString table = state.filePath(u"e.csv"_s);
    for (const QStringList &arguments : {QStringList{u"--evening"_s}, QStringList{u"--evening"_s, table}}) {
        const Run run = runCheck(arguments, QString(), state.path());
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        const QString err = QString::fromUtf8(run.err);
        QVERIFY2(err.startsWith(u"Журнал игры "_s + path + u" не прочитан: "_s + cause), qPrintable(err));
        QCOMPARE(err.count(u'\n'), 1);
    }
    QVERIFY(!QFileInfo::exists(table));
    // Left where it is for the program, which sets a bad journal aside itself.
    QCOMPARE(
        QDir(state.filePath(u"kvizor"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{u"game.json"_s});
    if (!journal.isNull())
        QCOMPARE(bytesOf(path), journal);
}

QTEST_GUILESS_MAIN(TestCheckCli)
#include "tst_checkcli.moc"
