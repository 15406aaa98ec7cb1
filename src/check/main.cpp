// kvizor-check: the evening-before look at a round. Reads the round's two
// files exactly as the window will and prints what the host will get; after
// the game, prints the evening's scores or saves them as a table.

#include "check/eveningexport.h"
#include "check/picturecheck.h"
#include "check/roundcheck.h"
#include "check/roundwriter.h"
#include "check/tableimport.h"
#include "check/visibletext.h"

#include "design/designtable.h"
#include "journal/journalfile.h"
#include "layout/textfit.h"
#include "rounds/roundfile.h"
#include "rounds/roundmessages.h"

#include <QGuiApplication>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExitClean = 0;
constexpr int kExitWarnings = 1;
constexpr int kExitNotLoaded = 2;
constexpr int kExitUsage = 64;    // EX_USAGE
constexpr int kExitNoOutput = 74; // EX_IOERR: the report could not be written

const char kProgram[] = "kvizor-check";

// The first failed write to stdout; a short write is not retried, since the
// report is useless with a hole in it.
int g_stdoutErrno = 0;

// UTF-8 whatever the locale says: the round texts are Cyrillic either way.
void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()) &&
        std::fputc('\n', stream) != EOF;
    if (!written && stream == stdout && g_stdoutErrno == 0)
        g_stdoutErrno = errno != 0 ? errno : EIO;
}

// A closed stdout or stderr would be handed to the next file opened, and
// the report would land in it. Read-only /dev/null takes the place instead,
// so writing there fails the way a closed stream should.
void holdStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int null = ::open("/dev/null", O_RDONLY | O_NOCTTY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

QString outputErrorCause(int error)
{
    switch (error) {
    case EBADF:
        return QStringLiteral("стандартный вывод закрыт");
    case EPIPE:
        return QStringLiteral("канал закрыт");
    default:
        return rounds::message::writeCause(error); // a full disk reads the same for a file and a pipe
    }
}

// Every run that printed to stdout ends here: a report that did not reach
// its reader must not pass for a clean round.
int finish(int exitCode)
{
    errno = 0;
    if (std::fflush(stdout) != 0 && g_stdoutErrno == 0)
        g_stdoutErrno = errno != 0 ? errno : EIO;
    if (g_stdoutErrno == 0 && std::ferror(stdout))
        g_stdoutErrno = EIO;
    if (g_stdoutErrno == 0)
        return exitCode;
    print(stderr, QStringLiteral("%1: не удалось вывести отчёт: %2")
                      .arg(QLatin1String(kProgram), outputErrorCause(g_stdoutErrno)));
    return kExitNoOutput;
}

QString helpText()
{
    return QStringLiteral("Использование: %1 [ПАРАМЕТР] ТУР\n"
                          "   или: %1 --import ТАБЛИЦА.csv [--force] ТУР\n"
                          "   или: %1 --evening [ФАЙЛ.csv] [--force]\n"
                          "Читает файлы тура ТУР.txt (вопросы) и ТУРo.txt (ответы) так же, как их\n"
                          "прочитает Квизория, печатает двенадцать вопросов с ответами и предупреждает\n"
                          "о лишних запятых, пустых и повторяющихся вопросах и о вопросах и ответах,\n"
                          "которые не поместятся на поле. Картинки из папки ТУР (3.jpg к вопросу 3,\n"
                          "3o.jpg к ответу 3) перечисляет с размерами и предупреждает о нечитаемых,\n"
                          "слишком больших и о файлах, которые не подходят ни к одному вопросу.\n"
                          "\n"
                          "С --import сначала делает тур из таблицы CSV (так её сохраняет LibreOffice\n"
                          "Calc, Excel или Google Таблицы): вопросы из первого столбца, ответы из\n"
                          "второго, строка заголовков («Вопрос», «Ответ») и пустые строки пропускаются,\n"
                          "берутся первые двенадцать вопросов. Разделитель (запятая, точка с запятой,\n"
                          "табуляция) и кодировка определяются по файлу. Файлы ТУР.txt и ТУРo.txt\n"
                          "записываются целиком или не записываются вовсе.\n"
                          "\n"
                          "С --evening печатает вечер из журнала игры: очки команд в каждом туре и\n"
                          "итог. С именем файла записывает вечер в него таблицей CSV (UTF-8 с BOM,\n"
                          "точка с запятой), которую откроет LibreOffice Calc или Excel. Журнал только\n"
                          "читается, и Квизория может в это время идти.\n"
                          "\n"
                          "  -h, --help        показать эту справку и выйти\n"
                          "      --version     показать версию и выйти\n"
                          "      --import ТАБЛИЦА  записать тур из таблицы, затем проверить его\n"
                          "      --evening [ФАЙЛ.csv]  напечатать вечер или записать его в ФАЙЛ.csv\n"
                          "      --force       с --import: заменить уже существующие файлы тура;\n"
                          "                    с --evening ФАЙЛ.csv: заменить уже существующий файл\n"
                          "\n"
                          "Коды выхода:\n"
                          "  0   тур загружается (с --import: записан), замечаний нет;\n"
                          "      с --evening: вечер напечатан (записан)\n"
                          "  1   тур загружается (с --import: записан), но есть предупреждения\n"
                          "  2   тур не загружается (сообщение то же, что в окне программы);\n"
                          "      с --import: ничего не записано, причина на stderr;\n"
                          "      с --evening: журнал не прочитан или файл не записан\n"
                          "  64  неверный вызов\n"
                          "  74  отчёт не удалось вывести (нет места на диске, вывод закрыт)")
        .arg(QLatin1String(kProgram));
}

int usageError(const QString &problem)
{
    print(stderr, QStringLiteral("%1: %2").arg(QLatin1String(kProgram), problem));
    print(stderr, QStringLiteral("Справка: %1 --help").arg(QLatin1String(kProgram)));
    return kExitUsage;
}

// Everything in the report may hold text from the files, the file names too.
void printReport(const check::RoundReport &report, const QStringList &pictureLines)
{
    using check::visibleText;
    for (size_t k = 0; k < report.questions.size(); ++k) {
        const QString question =
            report.questions[k].isEmpty() ? QStringLiteral("(пусто)") : report.questions[k];
        const QString answer = report.answers[k].isEmpty() ? QStringLiteral("(пусто)") : report.answers[k];
        print(stdout, QStringLiteral("%1. %2").arg(k + 1, 2).arg(visibleText(question)));
        print(stdout, QStringLiteral("    Ответ: %1").arg(visibleText(answer)));
    }
    print(stdout, QString());
    for (const check::FileReport *file : {&report.questionFile, &report.answerFile})
        print(stdout, QStringLiteral("%1: кодировка %2")
                          .arg(visibleText(file->path), check::encodingName(file->encoding)));
    print(stdout, QString());
    for (const QString &line : pictureLines)
        print(stdout, visibleText(line));
    if (!pictureLines.isEmpty())
        print(stdout, QString());

    if (report.warnings.empty()) {
        print(stdout, QStringLiteral("Предупреждений нет."));
        return;
    }
    print(stdout, QStringLiteral("Предупреждения (%1):").arg(report.warnings.size()));
    for (const check::Warning &warning : report.warnings)
        print(stdout, QStringLiteral("  - %1").arg(visibleText(warning.message)));
}

// What the board shows of a text, measured in the window's own fonts.
Fit shownOnBoard(check::Board board, const QString &text)
{
    return fitLabel(design::control(board == check::Board::Question ? "Label1" : "Label7"), text);
}

void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        print(stderr, QStringLiteral("%1: %2").arg(QLatin1String(kProgram), message));
}

struct Options
{
    QString round;
    QString table; // with --import
    bool importing = false;
    bool force = false;
    bool evening = false;
    QString eveningFile; // with --evening: the table to write; empty prints the evening
};

// With --evening, what is left of the call is at most the file to write.
std::optional<int> eveningArguments(const QStringList &files, Options &options)
{
    if (options.importing)
        return usageError(QStringLiteral("--evening и --import нельзя указать вместе"));
    if (!options.eveningFile.isEmpty() ? !files.isEmpty() : files.size() > 1)
        return usageError(QStringLiteral("с --evening нужен один файл, а указано %1")
                              .arg(files.size() + (options.eveningFile.isEmpty() ? 0 : 1)));
    if (!files.isEmpty())
        options.eveningFile = files.first();
    if (options.force && options.eveningFile.isEmpty())
        return usageError(QStringLiteral("--force с --evening бывает только вместе с именем файла"));
    return std::nullopt;
}

// The options, or the exit code of a run that ends with them (help, version,
// a wrong call).
std::optional<int> parseArguments(const QStringList &arguments, Options &options)
{
    QStringList rounds;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            rounds << argument;
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--import" || argument.startsWith(u"--import=")) {
            if (options.importing)
                return usageError(QStringLiteral("--import указан дважды"));
            options.importing = true;
            if (argument != u"--import")
                options.table = argument.mid(qsizetype(sizeof "--import=") - 1);
            else if (i + 1 < arguments.size())
                options.table = arguments[++i];
            if (options.table.isEmpty())
                return usageError(QStringLiteral("после --import нужно имя таблицы"));
        } else if (argument == u"--evening" || argument.startsWith(u"--evening=")) {
            if (options.evening)
                return usageError(QStringLiteral("--evening указан дважды"));
            options.evening = true;
            if (argument != u"--evening") {
                options.eveningFile = argument.mid(qsizetype(sizeof "--evening=") - 1);
                if (options.eveningFile.isEmpty())
                    return usageError(QStringLiteral("после --evening= нужно имя файла"));
            }
        } else if (argument == u"--force") {
            options.force = true;
        } else if (argument == u"-h" || argument == u"--help") {
            print(stdout, helpText());
            return finish(kExitClean);
        } else if (argument == u"--version") {
            print(stdout, QStringLiteral("%1 %2").arg(QLatin1String(kProgram),
                                                      QStringLiteral(KVIZOR_DISPLAY_VERSION)));
            return finish(kExitClean);
        } else {
            return usageError(QStringLiteral("неизвестный параметр «%1»").arg(check::visibleText(argument)));
        }
    }
    if (options.evening)
        return eveningArguments(rounds, options);
    if (rounds.isEmpty())
        return usageError(QStringLiteral("не указан тур"));
    if (rounds.size() > 1)
        return usageError(QStringLiteral("нужен один тур, а указано %1").arg(rounds.size()));
    if (options.force && !options.importing)
        return usageError(QStringLiteral("--force бывает только вместе с --import"));
    options.round = rounds.first();
    return std::nullopt;
}

// Writes the round from the table; its warnings, or nothing when it was not written.
std::optional<std::vector<check::Warning>> importRound(const Options &options)
{
    using check::visibleText;
    const check::ImportResult imported = check::importTable(options.table, options.round, options.force);
    if (!imported.written) {
        print(stderr, visibleText(imported.error));
        return std::nullopt;
    }
    print(stdout, QStringLiteral("Из таблицы %1 (кодировка %2, разделитель %3) записан тур: %4 и %5, "
                                 "кодировка %6")
                      .arg(visibleText(options.table), check::encodingName(imported.tableEncoding),
                           check::separatorName(imported.separator),
                           visibleText(rounds::questionFileName(options.round)),
                           visibleText(rounds::answerFileName(options.round)),
                           check::encodingName(imported.roundEncoding)));
    print(stdout, QString());
    return imported.warnings;
}

// The evening from the journal, printed, or written to the table named.
int exportEvening(const Options &options)
{
    using check::visibleText;
    const check::JournalEvening read = check::readEvening(journal::stateFolder());
    if (!read.error.isEmpty()) {
        print(stderr, visibleText(read.error));
        return kExitNotLoaded;
    }
    if (const QString note = check::eveningNote(read, QDateTime::currentDateTimeUtc()); !note.isEmpty())
        print(stderr, visibleText(note));
    if (!options.eveningFile.isEmpty()) {
        const Done written = check::writeEveningTable(options.eveningFile, read.evening, options.force);
        if (!written) {
            print(stderr, visibleText(written.error));
            return kExitNotLoaded;
        }
        print(stdout, QStringLiteral("Вечер записан в %1").arg(visibleText(options.eveningFile)));
        print(stdout, QString());
    }
    // Round names come from the host's files and may hold anything.
    for (const QString &line : evening::table(read.evening).split(u'\n', Qt::SkipEmptyParts))
        print(stdout, visibleText(line));
    return finish(kExitClean);
}

} // namespace

int main(int argc, char *argv[])
{
    holdStandardStreams();
    // Taken before Qt sees them: QGuiApplication would take "-platform",
    // "-reverse" and the like for its own, even as a round's name.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // The fonts need a QGuiApplication; the evening before there may be no
    // display, and the board's size is in pixels at 96 dpi, which is what the
    // offscreen platform has.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own chatter (no XDG_RUNTIME_DIR and the like) is nothing the host
    // can act on and would only bury the report.
    qInstallMessageHandler(qtMessage);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QCoreApplication::setApplicationName(QLatin1String(kProgram));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVIZOR_DISPLAY_VERSION));

    Options options;
    if (const std::optional<int> exitCode = parseArguments(arguments, options))
        return *exitCode;

    if (options.evening)
        return exportEvening(options);

    std::vector<check::Warning> tableWarnings;
    if (options.importing) {
        std::optional<std::vector<check::Warning>> imported = importRound(options);
        if (!imported)
            return kExitNotLoaded;
        tableWarnings = std::move(*imported);
    }

    check::RoundReport report = check::checkRound(options.round, shownOnBoard);
    if (!report.loaded()) {
        // Word for word what the window shows, so the host can search for it;
        // only control characters in the name are made visible.
        print(stderr, check::visibleText(report.loadError));
        return kExitNotLoaded;
    }
    report.warnings.insert(report.warnings.begin(), tableWarnings.begin(), tableWarnings.end());
    const check::PictureReport pictures = check::checkPictures(options.round);
    report.warnings.insert(report.warnings.end(), pictures.warnings.begin(), pictures.warnings.end());
    printReport(report, pictures.lines);
    return finish(report.warnings.empty() ? kExitClean : kExitWarnings);
}
