#include "check/roundcheck.h"

#include "rounds/roundfile.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <map>

namespace check {

namespace {

using rounds::kFieldCount;

// Russian noun form after a number: 1 поле, 2 поля, 5 полей, 21 поле.
QString plural(int n, const QString &one, const QString &few, const QString &many)
{
    const int tens = n % 100;
    const int units = n % 10;
    if (units == 1 && tens != 11)
        return one;
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        return few;
    return many;
}

QString fieldsPhrase(int n)
{
    return QStringLiteral("%1 %2").arg(n).arg(
        plural(n, QStringLiteral("поле"), QStringLiteral("поля"), QStringLiteral("полей")));
}

// "1 и 9", "2, 5 и 9".
QString numberList(const std::vector<int> &numbers)
{
    QString text;
    for (size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0)
            text += k + 1 == numbers.size() ? QStringLiteral(" и ") : QStringLiteral(", ");
        text += QString::number(numbers[k]);
    }
    return text;
}

// One file read the way the window reads it and once more past the twelfth
// field. The bytes are taken once, through the window's own opening (which
// refuses pipes and devices), and both readings run over the same bytes, so
// they cannot disagree about what the file held.
struct FileScan
{
    rounds::ReadOutcome asLoaded; // twelve fields: the encoding the window decides on
    rounds::ReadOutcome deep;     // up to kDeepFieldLimit fields
    bool hasNul = false;          // among the bytes read
};

FileScan scanFile(const QString &path, const rounds::PullWrapper &wrapPull)
{
    QByteArray bytes;
    const rounds::PullWrapper tee = [&bytes, &wrapPull](rounds::PullBytes pull) -> rounds::PullBytes {
        if (wrapPull)
            pull = wrapPull(std::move(pull));
        return [&bytes, pull = std::move(pull)](char *buf, long long max) -> long long {
            const long long got = pull(buf, max);
            if (got > 0)
                bytes.append(buf, qsizetype(got));
            return got;
        };
    };
    // Its verdict is of no use: a file with fewer than kDeepFieldLimit fields
    // is "too short" here, which is what every good round file is.
    rounds::readRoundFile(path, kDeepFieldLimit, tee);

    FileScan scan;
    scan.asLoaded = rounds::readFields(rounds::memoryPull(bytes), kFieldCount);
    scan.deep = rounds::readFields(rounds::memoryPull(bytes), kDeepFieldLimit);
    scan.hasNul = bytes.contains('\0');
    return scan;
}

FileReport fileReport(const QString &path, const FileScan &scan)
{
    FileReport report;
    report.path = path;
    report.encoding = scan.asLoaded.encoding;
    report.fieldCount = int(scan.deep.fields.size());
    switch (scan.deep.status) {
    case rounds::ReadOutcome::Status::TooFewFields:
        break; // read to the end
    case rounds::ReadOutcome::Status::Ok:
        report.countIsAtLeast = true; // stopped at the limit
        break;
    case rounds::ReadOutcome::Status::FieldTooLong:
        report.fieldCount += 1; // the field that was too long is one more
        report.countIsAtLeast = true;
        break;
    case rounds::ReadOutcome::Status::ReadError:
        report.countIsAtLeast = true;
        break;
    }
    return report;
}

// A comma typed without quotes splits a field in two and shows as a line that
// holds more fields than the lines around it. Only lines that hold one of the
// twelve fields the round uses are judged: notes after them move nothing.
void checkLines(const FileReport &file, const std::vector<rounds::RawField> &fields, Board board,
                std::vector<Warning> &warnings)
{
    std::map<int, int> perLine;     // line -> fields starting on it
    std::map<int, int> firstOnLine; // line -> 1-based number of its first field
    for (size_t k = 0; k < fields.size(); ++k) {
        const int line = fields[k].line;
        ++perLine[line];
        firstOnLine.emplace(line, int(k) + 1);
    }
    std::map<int, int> linesUsed; // line -> fields on it, for the lines of the twelve
    for (int k = 0; k < kFieldCount && k < int(fields.size()); ++k)
        linesUsed[fields[size_t(k)].line] = perLine[fields[size_t(k)].line];

    // The usual number of fields on a line: the most common count, the smaller
    // one on a tie. It needs two lines agreeing; one line has no "others".
    std::map<int, int> linesWithCount;
    for (const auto &[line, count] : linesUsed)
        ++linesWithCount[count];
    int typical = 0;
    int typicalLines = 0;
    for (const auto &[count, lines] : linesWithCount) {
        if (lines > typicalLines) {
            typical = count;
            typicalLines = lines;
        }
    }
    if (typicalLines < 2)
        return;

    for (const auto &[line, count] : linesUsed) {
        if (count <= typical)
            continue;
        const int first = firstOnLine[line];
        const int shift = count - typical;
        const QString places = shift == 1 ? QStringLiteral("одно место")
                                          : QStringLiteral("%1 %2").arg(shift).arg(
                                                plural(shift, QStringLiteral("место"),
                                                       QStringLiteral("места"), QStringLiteral("мест")));
        Warning &warning = addWarning(
            warnings, file.path, Warning::Kind::ExtraFieldsOnLine, line,
            QStringLiteral("%1, строка %2: %3, а в других строках по %4 — похоже, запятая "
                           "без кавычек: %5 после %6-го сдвинуты на %7")
                .arg(file.path, QString::number(line), fieldsPhrase(count), QString::number(typical),
                     board == Board::Question ? QStringLiteral("вопросы") : QStringLiteral("ответы"),
                     QString::number(first), places));
        for (int k = first; k < first + count && k <= kFieldCount; ++k)
            warning.numbers.push_back(k);
    }
}

void checkFieldCount(const FileReport &file, const std::vector<rounds::RawField> &fields,
                     std::vector<Warning> &warnings)
{
    if (file.fieldCount <= kFieldCount)
        return;
    // The line of the first field left out; a field too long to be read
    // whole still started somewhere, but the reader does not say where.
    const int line = int(fields.size()) > kFieldCount ? fields[size_t(kFieldCount)].line : 0;
    const QString count = file.countIsAtLeast
                              ? QStringLiteral("не меньше %1").arg(fieldsPhrase(file.fieldCount))
                              : fieldsPhrase(file.fieldCount);
    const QString where = line > 0 ? QStringLiteral(" (строка %1)").arg(line) : QString();
    addWarning(
        warnings, file.path, Warning::Kind::TooManyFields, line,
        QStringLiteral("%1: %2 вместо %3; с поля %4%5 ничего не читается")
            .arg(file.path, count, QString::number(kFieldCount), QString::number(kFieldCount + 1), where));
}

// "Вопрос" or "Ответ", as a warning about one of them begins.
QString boardWord(Board board)
{
    return board == Board::Question ? QStringLiteral("Вопрос") : QStringLiteral("Ответ");
}

// The line where field k (0-based) starts, 0 when it was not read.
int lineOf(const std::vector<rounds::RawField> &fields, int k)
{
    return k < int(fields.size()) ? fields[size_t(k)].line : 0;
}

void checkEmpty(const std::array<QString, kFieldCount> &texts, const FileReport &file,
                const std::vector<rounds::RawField> &fields, Board board, std::vector<Warning> &warnings)
{
    for (int k = 0; k < kFieldCount; ++k) {
        // Blanks kept by quotes show nothing either.
        if (!texts[size_t(k)].trimmed().isEmpty())
            continue;
        const int line = lineOf(fields, k);
        const QString where =
            line > 0 ? QStringLiteral("%1, строка %2").arg(file.path, QString::number(line)) : file.path;
        addWarning(warnings, file.path,
                   board == Board::Question ? Warning::Kind::EmptyQuestion : Warning::Kind::EmptyAnswer, line,
                   QStringLiteral("%1 %2 пустой (%3)").arg(boardWord(board), QString::number(k + 1), where))
            .numbers = {k + 1};
    }
}

// Compared as shown, so 007 and 7 (both shown "7") are the same question.
void checkDuplicates(const std::array<QString, kFieldCount> &questions, std::vector<Warning> &warnings)
{
    std::vector<std::pair<QString, std::vector<int>>> groups; // in order of first appearance
    for (int k = 0; k < kFieldCount; ++k) {
        const QString key = questions[size_t(k)].trimmed().toCaseFolded();
        if (key.isEmpty())
            continue; // already reported as empty
        const auto group =
            std::find_if(groups.begin(), groups.end(), [&key](const auto &g) { return g.first == key; });
        if (group == groups.end())
            groups.push_back({key, {k + 1}});
        else
            group->second.push_back(k + 1);
    }
    for (auto &[key, numbers] : groups) {
        if (numbers.size() < 2)
            continue;
        addWarning(warnings, QString(), Warning::Kind::DuplicateQuestions, 0,
                   QStringLiteral("Вопросы %1 совпадают").arg(numberList(numbers)))
            .numbers = std::move(numbers);
    }
}

// "знака" after a number ending in 1 (but not 11): "из 21 знака", "из 25 знаков".
QString charsPhrase(int n)
{
    return QStringLiteral("%1 %2").arg(n).arg(n % 10 == 1 && n % 100 != 11 ? QStringLiteral("знака")
                                                                           : QStringLiteral("знаков"));
}

// The last few words the board still shows, so the host can find the place.
QString lastShownWords(const QString &text, int shownChars)
{
    constexpr int kWords = 3;
    const QStringList words =
        text.left(shownChars).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QString();
    const bool all = words.size() <= kWords;
    return (all ? QString() : QStringLiteral("…")) + words.mid(all ? 0 : words.size() - kWords).join(u' ');
}

void checkFit(const std::array<QString, kFieldCount> &texts, const FileReport &file,
              const std::vector<rounds::RawField> &fields, Board board, const FitFunction &fit,
              std::vector<Warning> &warnings)
{
    for (int k = 0; k < kFieldCount; ++k) {
        const QString &text = texts[size_t(k)];
        const Fit shown = fit(board, text);
        if (shown.fits)
            continue;
        const QString words = lastShownWords(text, shown.shownChars);
        addWarning(warnings, file.path, Warning::Kind::DoesNotFit, lineOf(fields, k),
                   QStringLiteral("%1 %2 не помещается на поле: видно около %3 из %4%5")
                       .arg(boardWord(board), QString::number(k + 1), QString::number(shown.shownChars),
                            charsPhrase(shown.totalChars),
                            words.isEmpty() ? QString() : QStringLiteral(" (до «%1»)").arg(words)))
            .numbers = {k + 1};
    }
}

// UTF-16 without its mark, a word processor's document or a picture: the
// window shows garbage, and the host should hear why.
void checkText(const FileReport &file, const FileScan &scan, std::vector<Warning> &warnings)
{
    const bool utf16 =
        file.encoding == rounds::Encoding::Utf16Le || file.encoding == rounds::Encoding::Utf16Be;
    if (!scan.hasNul || utf16)
        return;
    addWarning(warnings, file.path, Warning::Kind::NotText, 0,
               QStringLiteral("%1: в файле есть нулевые байты — это не текстовый файл. Сохраните его "
                              "в Блокноте как текст (ANSI, UTF-8 или Юникод)")
                   .arg(file.path));
}

// Someone saved the file between the window's reading and the scan: what
// was found now may not be what the round holds. False, with a warning,
// when the twelve fields do not give the texts the round was loaded with.
bool checkUnchanged(const FileReport &file, const FileScan &scan, Board board,
                    const std::array<QString, kFieldCount> &loaded, std::vector<Warning> &warnings)
{
    const rounds::ReadOutcome &now = scan.asLoaded;
    bool same = now.fields.size() >= size_t(kFieldCount);
    for (int k = 0; same && k < kFieldCount; ++k) {
        const rounds::RawField &field = now.fields[size_t(k)];
        const QString text = rounds::decodeField(field.bytes, now.encoding);
        same = (board == Board::Question ? rounds::questionText(rounds::questionValue(text, field.quoted))
                                         : text) == loaded[size_t(k)];
    }
    if (same)
        return true;
    addWarning(warnings, file.path, Warning::Kind::FileChanged, 0,
               QStringLiteral("%1: файл изменился во время проверки — проверьте тур ещё раз").arg(file.path));
    return false;
}

// What one file's bytes show apart from the texts the round takes from it.
void checkFile(const FileReport &file, const FileScan &scan, Board board,
               const std::array<QString, kFieldCount> &loaded, std::vector<Warning> &warnings)
{
    checkText(file, scan, warnings);
    if (!checkUnchanged(file, scan, board, loaded, warnings))
        return;
    checkLines(file, scan.deep.fields, board, warnings);
    checkFieldCount(file, scan.deep.fields, warnings);
}

} // namespace

Warning &addWarning(std::vector<Warning> &warnings, const QString &file, Warning::Kind kind, int line,
                    QString message)
{
    Warning warning;
    warning.kind = kind;
    warning.file = file;
    warning.line = line;
    warning.message = std::move(message);
    warnings.push_back(std::move(warning));
    return warnings.back();
}

QString encodingName(rounds::Encoding encoding)
{
    switch (encoding) {
    case rounds::Encoding::Windows1251:
        return QStringLiteral("Windows-1251");
    case rounds::Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case rounds::Encoding::Utf8Bom:
        return QStringLiteral("UTF-8 с BOM");
    case rounds::Encoding::Utf16Le:
        return QStringLiteral("UTF-16 LE");
    case rounds::Encoding::Utf16Be:
        return QStringLiteral("UTF-16 BE");
    }
    return QString();
}

RoundReport checkRound(const QString &roundName, const FitFunction &fit, const rounds::PullWrapper &scanPull)
{
    RoundReport report;
    // The verdict and the texts come from the window's own loading, so the
    // message and what is shown cannot differ from what the host will see.
    const rounds::RoundRead read = rounds::readRound(roundName);
    if (!read.value) {
        report.loadError = read.error;
        return report;
    }
    for (int k = 0; k < kFieldCount; ++k) {
        report.questions[size_t(k)] = rounds::questionText(read.value->questions[size_t(k)]);
        report.answers[size_t(k)] = read.value->answers[size_t(k)];
    }

    const QString questionPath = rounds::questionFileName(roundName);
    const QString answerPath = rounds::answerFileName(roundName);
    const FileScan questionScan = scanFile(questionPath, scanPull);
    const FileScan answerScan = scanFile(answerPath, scanPull);
    report.questionFile = fileReport(questionPath, questionScan);
    report.answerFile = fileReport(answerPath, answerScan);

    checkFile(report.questionFile, questionScan, Board::Question, report.questions, report.warnings);
    checkFile(report.answerFile, answerScan, Board::Answer, report.answers, report.warnings);
    checkEmpty(report.questions, report.questionFile, questionScan.deep.fields, Board::Question,
               report.warnings);
    checkEmpty(report.answers, report.answerFile, answerScan.deep.fields, Board::Answer, report.warnings);
    checkDuplicates(report.questions, report.warnings);
    if (fit) {
        checkFit(report.questions, report.questionFile, questionScan.deep.fields, Board::Question, fit,
                 report.warnings);
        checkFit(report.answers, report.answerFile, answerScan.deep.fields, Board::Answer, fit,
                 report.warnings);
    }
    return report;
}

} // namespace check
