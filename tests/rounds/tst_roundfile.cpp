#include "rounds/roundfile.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace rounds;
using namespace Qt::StringLiterals;

namespace {

const QStringList kQuestions = {
    u"Какая река самая длинная в Европе?"_s,
    u"Сколько планет в Солнечной системе?"_s,
    u"Кто написал роман «Война и мир»?"_s,
    u"Как называется столица Австралии?"_s,
    u"Какой элемент обозначают символом Fe?"_s,
    u"В каком году Гагарин полетел в космос?"_s,
    u"Сколько струн у балалайки?"_s,
    u"Какое озеро самое глубокое в мире?"_s,
    u"Какой океан самый большой?"_s,
    u"Кто открыл закон всемирного тяготения?"_s,
    u"Какое животное сворачивается колючим клубком?"_s,
    u"Сколько минут в сутках?"_s,
};

const QStringList kAnswers = {
    u"Волга"_s, u"Восемь"_s, u"Лев Толстой"_s, u"Канберра"_s, u"Железо"_s, u"1961"_s,
    u"Три"_s,   u"Байкал"_s, u"Тихий"_s,       u"Ньютон"_s,   u"Ёж"_s,     u"1440"_s,
};

QStringList shown(const Round &round)
{
    QStringList list;
    for (const QuestionValue &v : round.questions)
        list << questionText(v);
    return list;
}

QStringList answers(const Round &round)
{
    return QStringList(round.answers.begin(), round.answers.end());
}

// Descriptors this process holds; a file left open on some path shows here.
int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Runs the test body in another working directory and comes back.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const QString &path) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~WorkingDirectory() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

} // namespace

class TestRoundFile : public QObject
{
    Q_OBJECT

private slots:
    void sameRoundWhateverTheLayout_data();
    void sameRoundWhateverTheLayout();
    void unquotedCommaMovesLaterQuestions();
    void quotedComma();
    void blankLineLeavesSlotEmpty();
    void leadingZeros();
    void fieldRules();
    void filesThatDoNotRead_data();
    void filesThatDoNotRead();
    void openErrors_data();
    void openErrors();
    void unreadableFile();
    void bigTailIsNotRead();
    void readErrorMessage();
    void roundNeedsBothFiles();
    void demoRound();
};

void TestRoundFile::sameRoundWhateverTheLayout_data()
{
    QTest::addColumn<QString>("round");
    QTest::addColumn<Encoding>("encoding");

    QTest::newRow("twelve lines") << u"lines"_s << Encoding::Windows1251;
    QTest::newRow("one line") << u"oneline"_s << Encoding::Windows1251;
    QTest::newRow("more than twelve") << u"more"_s << Encoding::Windows1251;
    QTest::newRow("UTF-8 with BOM") << u"utf8bom"_s << Encoding::Utf8Bom;
    QTest::newRow("UTF-8 without BOM") << u"utf8"_s << Encoding::Utf8;
    QTest::newRow("UTF-16 LE") << u"utf16le"_s << Encoding::Utf16Le;
    QTest::newRow("UTF-16 BE") << u"utf16be"_s << Encoding::Utf16Be;
    QTest::newRow("lone LF") << u"lf"_s << Encoding::Windows1251;
    QTest::newRow("lone CR") << u"cr"_s << Encoding::Windows1251;
}

void TestRoundFile::sameRoundWhateverTheLayout()
{
    QFETCH(QString, round);
    QFETCH(Encoding, encoding);

    const RoundRead read = readRound(fixture(round));
    QCOMPARE(read.error, QString());
    QVERIFY(read.value);
    QCOMPARE(shown(*read.value), kQuestions);
    QCOMPARE(answers(*read.value), kAnswers);

    const FileRead file = readRoundFile(fixture(questionFileName(round)));
    QVERIFY(file.value);
    QCOMPARE(file.value->encoding, encoding);
    QCOMPARE(file.value->lines.front(), 1);
}

void TestRoundFile::unquotedCommaMovesLaterQuestions()
{
    const RoundRead read = readRound(fixture(u"comma"_s));
    QVERIFY(read.value);
    QStringList expected = kQuestions.mid(0, 3);
    expected << u"Столица Австралии — Сидней"_s << u"верно?"_s << kQuestions.mid(4, 7);
    QCOMPARE(shown(*read.value), expected);
    QVERIFY(!shown(*read.value).contains(kQuestions.last()));

    const FileRead file = readRoundFile(fixture(u"comma.txt"_s));
    QVERIFY(file.value);
    QCOMPARE(file.value->lines[4], 4); // "верно?" is still on line 4
    QCOMPARE(file.value->lines[11], 11);
}

void TestRoundFile::quotedComma()
{
    const RoundRead read = readRound(fixture(u"quotedcomma"_s));
    QVERIFY(read.value);
    QStringList questions = kQuestions;
    questions[3] = u"Столица Австралии — Сидней, верно?"_s;
    QStringList expectedAnswers = kAnswers;
    expectedAnswers[3] = u"Нет, Канберра"_s;
    QCOMPARE(shown(*read.value), questions);
    QCOMPARE(answers(*read.value), expectedAnswers);
}

void TestRoundFile::blankLineLeavesSlotEmpty()
{
    const RoundRead read = readRound(fixture(u"blank"_s));
    QVERIFY(read.value);
    QVERIFY(std::holds_alternative<std::monostate>(read.value->questions[5]));
    QStringList questions = kQuestions;
    questions[5].clear();
    QCOMPARE(shown(*read.value), questions);
}

void TestRoundFile::leadingZeros()
{
    const RoundRead read = readRound(fixture(u"zeros"_s));
    QVERIFY(read.value);
    QCOMPARE(std::get<double>(read.value->questions[0]), 7.0);
    QCOMPARE(questionText(read.value->questions[0]), u"7"_s);
    QCOMPARE(std::get<QString>(read.value->questions[1]), u"007"_s); // it was quoted
    QCOMPARE(read.value->answers[0], u"007"_s);                      // answers are never numbers
}

void TestRoundFile::fieldRules()
{
    const RoundRead read = readRound(fixture(u"rules"_s));
    QCOMPARE(read.error, QString());
    QVERIFY(read.value);
    const QStringList expected = {
        u"Какой газ мы выдыхаем?"_s,
        u"Кто написал «Я помню чудное мгновенье», Пушкин или Лермонтов?"_s,
        u"Кто такой агент 007?"_s,
        u"Незакрытая кавычка, до конца строки"_s,
        u"#TRUE#"_s,
        u"#2008-01-01#"_s,
        u"2.5"_s,
        u"-3"_s,
        u"0.5"_s,
        u"0"_s,
        u"Запятая в конце строки даёт пустое поле"_s,
        QString(),
    };
    QCOMPARE(shown(*read.value), expected);
    QVERIFY(std::holds_alternative<QString>(read.value->questions[4]));
    QVERIFY(std::holds_alternative<double>(read.value->questions[6]));
    QVERIFY(std::holds_alternative<std::monostate>(read.value->questions[11]));
}

void TestRoundFile::openErrors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message"); // %1 is the path as given

    QTest::newRow("missing") << u"missing"_s << u"Нет файла %1"_s;
    QTest::newRow("under a file") << u"under a file"_s << u"Нет файла %1"_s;
    QTest::newRow("directory") << u"directory"_s << u"%1 — это папка, а не файл"_s;
    QTest::newRow("FIFO") << u"fifo"_s << u"%1 — не обычный файл"_s;
    QTest::newRow("socket") << u"socket"_s << u"%1 — не обычный файл"_s;
    QTest::newRow("link to /dev/zero") << u"dev zero"_s << u"%1 — не обычный файл"_s;
    QTest::newRow("link loop") << u"loop"_s
                               << u"Не удаётся открыть файл %1: слишком много символьных ссылок"_s;
    QTest::newRow("name too long") << u"long"_s << u"Слишком длинное имя файла %1"_s;
    QTest::newRow("NUL in the name") << u"nul"_s << u"Недопустимое имя тура"_s;
}

void TestRoundFile::openErrors()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath(u"12.txt"_s);
    const QByteArray native = QFile::encodeName(path);

    if (kind == u"under a file") {
        QVERIFY(writeFile(path, "a"));
        path += u"/12.txt"_s;
    } else if (kind == u"directory") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == u"fifo") {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
    } else if (kind == u"socket") {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(native.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        const int bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::close(fd);
        QCOMPARE(bound, 0);
    } else if (kind == u"dev zero") {
        QCOMPARE(::symlink("/dev/zero", native.constData()), 0);
    } else if (kind == u"loop") {
        QCOMPARE(::symlink(native.constData(), native.constData()), 0);
    } else if (kind == u"long") {
        path = dir.filePath(QString(300, u'я') + u".txt"_s);
    } else if (kind == u"nul") {
        path = dir.filePath(u"12"_s) + QChar(0) + u".txt"_s;
    }

    const int before = openDescriptors();
    const FileRead read = readRoundFile(path);
    QCOMPARE(openDescriptors(), before);
    QVERIFY(!read.value);
    QCOMPARE(read.error, message.contains(u"%1") ? message.arg(path) : message);
}

void TestRoundFile::unreadableFile()
{
    if (::geteuid() == 0)
        QSKIP("root reads files whatever their mode");
    QTemporaryDir dir;
    const QString path = dir.filePath(u"7.txt"_s);
    QVERIFY(writeFile(path, fixtureBytes(u"lines.txt"_s)));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    const FileRead read = readRoundFile(path);
    QVERIFY(!read.value);
    QCOMPARE(read.error, u"Нет доступа к файлу %1"_s.arg(path));
}

void TestRoundFile::filesThatDoNotRead_data()
{
    QTest::addColumn<QString>("round");
    QTest::addColumn<QByteArray>("questions");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QString>("message"); // %1 is the round as given

    const QByteArray lines = fixtureBytes(u"lines.txt"_s);
    QTest::newRow("eleven answers") << u"r"_s << lines << fixtureBytes(u"eleveno.txt"_s)
                                    << u"В файле %1o.txt меньше 12 полей (найдено 11)"_s;
    QTest::newRow("field over the cap")
        << u"r"_s << "1,2,3,4,\"" + QByteArray(1024 * 1024, 'x') + "\"\r\n6\r\n"
        << lines << u"В файле %1.txt поле 5 длиннее 64 КиБ"_s;
    // A round name is free text: "%2" in it is not a placeholder of the message.
    QTest::newRow("percent signs in the name")
        << u"x%2y%1"_s << QByteArray("1,2,3\r\n") << lines << u"В файле %1.txt меньше 12 полей (найдено 3)"_s;
}

void TestRoundFile::filesThatDoNotRead()
{
    QFETCH(QString, round);
    QFETCH(QByteArray, questions);
    QFETCH(QByteArray, answers);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString base = dir.filePath(round);
    mustWriteRound(base, questions, answers);
    const int before = openDescriptors();
    const RoundRead read = readRound(base);
    QCOMPARE(openDescriptors(), before);
    QVERIFY(!read.value);
    QCOMPARE(read.error, QString(message).replace(u"%1"_s, base));
}

void TestRoundFile::bigTailIsNotRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"big.txt"_s);
    const QByteArray head = fixtureBytes(u"lines.txt"_s);
    QVERIFY(writeFile(path, head));
    // A sparse gigabyte of zero bytes after the twelfth line.
    QVERIFY(QFile::resize(path, qint64(1) << 30));

    long long pulled = 0;
    const PullWrapper counting = [&pulled](PullBytes inner) -> PullBytes {
        return [&pulled, inner](char *buf, long long max) {
            const long long got = inner(buf, max);
            if (got > 0)
                pulled += got;
            return got;
        };
    };
    const FileRead read = readRoundFile(path, kFieldCount, counting);
    QVERIFY(read.value);
    QCOMPARE(read.value->texts.back(), kQuestions.last());
    QVERIFY2(pulled <= head.size() + 64 * 1024, QByteArray::number(pulled));
}

void TestRoundFile::readErrorMessage()
{
    const PullWrapper failing = [](PullBytes) -> PullBytes {
        return [](char *, long long) -> long long {
            errno = EIO;
            return -1;
        };
    };
    const QString path = fixture(u"lines.txt"_s);
    const int before = openDescriptors();
    const FileRead read = readRoundFile(path, kFieldCount, failing);
    QCOMPARE(openDescriptors(), before);
    QVERIFY(!read.value);
    QCOMPARE(read.error, u"Ошибка чтения файла %1"_s.arg(path));
}

void TestRoundFile::roundNeedsBothFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const WorkingDirectory cwd(dir.path());

    // Names are taken relative to the working directory, exactly as typed.
    QVERIFY(writeFile(u"7.txt"_s, fixtureBytes(u"lines.txt"_s)));
    RoundRead read = readRound(u"7"_s);
    QVERIFY(!read.value);
    QCOMPARE(read.error, u"Нет файла 7o.txt"_s);

    QVERIFY(QFile::rename(u"7.txt"_s, u"7o.txt"_s));
    read = readRound(u"7"_s);
    QVERIFY(!read.value);
    QCOMPARE(read.error, u"Нет файла 7.txt"_s);

    QVERIFY(QFile::copy(u"7o.txt"_s, u"7.txt"_s));
    read = readRound(u"7"_s);
    QCOMPARE(read.error, QString());
    QVERIFY(read.value);

    read = readRound(u"7"_s + QChar(0));
    QVERIFY(!read.value);
    QCOMPARE(read.error, u"Недопустимое имя тура"_s);
}

void TestRoundFile::demoRound()
{
    const RoundRead read = readRound(QStringLiteral(KVIZOR_TEST_DATA "/../../examples/1"));
    QCOMPARE(read.error, QString());
    QVERIFY(read.value);
    for (int k = 0; k < kFieldCount; ++k) {
        QVERIFY2(std::holds_alternative<QString>(read.value->questions[k]), QByteArray::number(k + 1));
        QVERIFY2(!read.value->answers[k].isEmpty(), QByteArray::number(k + 1));
    }
    // The one question with a comma is quoted, so nothing has moved.
    QVERIFY(questionText(read.value->questions[4]).contains(u','));
    QCOMPARE(read.value->answers[11], u"11"_s);
}

QTEST_GUILESS_MAIN(TestRoundFile)
#include "tst_roundfile.moc"
