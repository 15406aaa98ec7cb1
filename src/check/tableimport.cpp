#include "check/tableimport.h"

#include "check/csvtable.h"
#include "check/roundwriter.h"
#include "rounds/roundfile.h"

#include <QSet>

#include <algorithm>

namespace check {

namespace {

using rounds::kFieldCount;

QString headerWord(const QString &cell)
{
    QString word = cell.trimmed().toCaseFolded();
    while (word.endsWith(u':') || word.endsWith(u'.'))
        word.chop(1);
    return word;
}

bool isQuestionHeader(const QString &cell)
{
    static const QSet<QString> words = {QStringLiteral("вопрос"), QStringLiteral("вопросы"),
                                        QStringLiteral("question"), QStringLiteral("questions")};
    return words.contains(headerWord(cell));
}

bool isAnswerHeader(const QString &cell)
{
    static const QSet<QString> words = {QStringLiteral("ответ"), QStringLiteral("ответы"),
                                        QStringLiteral("answer"), QStringLiteral("answers")};
    return words.contains(headerWord(cell));
}

QString cellAt(const QStringList &row, qsizetype column)
{
    return column < row.size() ? row[column] : QString();
}

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// The text a field can carry that shows as the cell did: line breaks become
// one space each run, and straight double quotes, which the field syntax
// cannot hold, become « and ». *quotesReplaced says whether any were.
QString fieldTextFromCell(const QString &cell, bool *quotesReplaced)
{
    *quotesReplaced = false;
    QString text;
    text.reserve(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell[i];
        if (c == u'\r' || c == u'\n') {
            while (i + 1 < cell.size() && (cell[i + 1] == u'\r' || cell[i + 1] == u'\n'))
                ++i;
            text += u' ';
        } else if (c == u'"') {
            // Opening where a word can start, closing after one.
            const QChar before = text.isEmpty() ? QChar(u' ') : text.back();
            const bool opening = before.isSpace() || QStringLiteral("([{«—–-/").contains(before);
            text += opening ? u'«' : u'»';
            *quotesReplaced = true;
        } else {
            text += c;
        }
    }
    return text;
}

// Where the questions and answers stand, and the first row after any header.
struct Layout
{
    qsizetype questionColumn = 0;
    qsizetype answerColumn = 1;
    size_t firstRow = 0;
};

// Questions in column 1 and answers in column 2, unless a header row
// names them elsewhere ("№;Вопрос;Ответ").
Layout findLayout(const CsvTable &table)
{
    Layout layout;
    size_t &first = layout.firstRow;
    while (first < table.rows.size() && isBlank(table.rows[first].join(QString())))
        ++first;
    if (first < table.rows.size()) {
        const QStringList &head = table.rows[first];
        const auto question = std::find_if(head.begin(), head.end(), isQuestionHeader);
        const auto answer = std::find_if(head.begin(), head.end(), isAnswerHeader);
        if (question != head.end() || answer != head.end()) {
            if (question != head.end())
                layout.questionColumn = question - head.begin();
            layout.answerColumn = answer != head.end() ? answer - head.begin() : layout.questionColumn + 1;
            ++first;
        }
    }
    return layout;
}

// The rows that hold a question or an answer, as indexes into table.rows;
// *twoColumns says whether any row reaches both columns.
std::vector<size_t> questionRows(const CsvTable &table, const Layout &layout, bool *twoColumns)
{
    std::vector<size_t> rows;
    *twoColumns = false;
    for (size_t r = layout.firstRow; r < table.rows.size(); ++r) {
        const QStringList &row = table.rows[r];
        *twoColumns = *twoColumns || row.size() > std::max(layout.questionColumn, layout.answerColumn);
        if (!isBlank(cellAt(row, layout.questionColumn)) || !isBlank(cellAt(row, layout.answerColumn)))
            rows.push_back(r);
    }
    return rows;
}

// A spreadsheet's own file (.xlsx, .ods), a picture or random bytes: none
// of them is a text CSV, and all hold NUL bytes, which a text never does
// unless it is UTF-16 with its mark.
QString notTextError(const QString &tablePath, const QByteArray &bytes, rounds::Encoding encoding)
{
    const bool utf16 = encoding == rounds::Encoding::Utf16Le || encoding == rounds::Encoding::Utf16Be;
    if (utf16 || !bytes.contains('\0'))
        return QString();
    return QStringLiteral("Файл %1 — не текстовая таблица CSV (в нём нулевые байты: так бывает у .xlsx, "
                          ".ods и картинок). Откройте таблицу в LibreOffice Calc, Excel или Google Таблицах "
                          "и сохраните её как CSV: «Сохранить как» → «Текст CSV (.csv)»")
        .arg(tablePath);
}

QString unclosedQuoteText(const QString &tablePath, int row)
{
    return QStringLiteral(
               "%1, строка %2: кавычка не закрыта до конца файла — всё после неё попало в одну ячейку")
        .arg(tablePath, QString::number(row));
}

// Why the rows found make no round, or nothing when they do. A quote left
// open swallows the rows after it, so the row where it opens is named.
QString rowsError(const QString &tablePath, const CsvTable &table, const std::vector<size_t> &rows,
                  bool twoColumns)
{
    QString error;
    if (!rows.empty() && !twoColumns)
        error = QStringLiteral("В таблице %1 нет столбца ответов: в каждой строке одна ячейка (разделитель "
                               "ячеек — запятая, точка с запятой или табуляция)")
                    .arg(tablePath);
    else if (rows.size() < size_t(kFieldCount))
        error = QStringLiteral("В таблице %1 меньше %2 вопросов (найдено %3)")
                    .arg(tablePath, QString::number(kFieldCount), QString::number(rows.size()));
    if (!error.isEmpty() && table.unclosedQuoteRow > 0)
        error += QStringLiteral("; ") + unclosedQuoteText(tablePath, table.unclosedQuoteRow);
    return error;
}

// What the table as a whole shows: a quote left open, rows left out.
void checkTable(const QString &tablePath, const CsvTable &table, const std::vector<size_t> &rows,
                std::vector<Warning> &warnings)
{
    if (table.unclosedQuoteRow > 0)
        addWarning(warnings, tablePath, Warning::Kind::TableUnclosedQuote, table.unclosedQuoteRow,
                   unclosedQuoteText(tablePath, table.unclosedQuoteRow));
    if (rows.size() > size_t(kFieldCount)) {
        const int firstLeftOut = int(rows[size_t(kFieldCount)]) + 1;
        addWarning(
            warnings, tablePath, Warning::Kind::TableExtraRows, firstLeftOut,
            QStringLiteral("%1: в таблице %2 вопросов, взяты первые %3; со строки %4 в тур ничего не вошло")
                .arg(tablePath, QString::number(rows.size()), QString::number(kFieldCount),
                     QString::number(firstLeftOut)));
    }
}

// The round's texts from the first twelve question rows, with a warning for
// each cell whose straight quotes had to be replaced.
RoundTexts roundTexts(const QString &tablePath, const CsvTable &table, const Layout &layout,
                      const std::vector<size_t> &rows, std::vector<Warning> &warnings)
{
    RoundTexts texts;
    for (int k = 0; k < kFieldCount; ++k) {
        const size_t r = rows[size_t(k)];
        const QStringList &row = table.rows[r];
        const int sheetRow = int(r) + 1;
        for (const bool isAnswer : {false, true}) {
            bool quotes = false;
            QString &text = isAnswer ? texts.answers[size_t(k)] : texts.questions[size_t(k)];
            text = fieldTextFromCell(cellAt(row, isAnswer ? layout.answerColumn : layout.questionColumn),
                                     &quotes);
            if (!quotes)
                continue;
            Warning &warning = addWarning(
                warnings, tablePath, Warning::Kind::TableQuotesReplaced, sheetRow,
                QStringLiteral("%1, строка %2: кавычки \" в %3 заменены на « » — прямые кавычки в файл тура "
                               "не записать")
                    .arg(tablePath, QString::number(sheetRow),
                         isAnswer ? QStringLiteral("ответе") : QStringLiteral("вопросе")));
            warning.numbers = {k + 1};
        }
    }
    return texts;
}

// The result of writing the round, in the table's terms.
void takeWritten(const QString &tablePath, const std::vector<size_t> &rows, const WriteResult &written,
                 ImportResult &result)
{
    if (written.status == WriteResult::Status::FieldTooLong) {
        const int sheetRow = int(rows[size_t(written.tooLongField - 1)]) + 1;
        result.error = QStringLiteral("%1, строка %2: %3 длиннее %4 КиБ — такой тур программа не прочитает")
                           .arg(tablePath, QString::number(sheetRow),
                                written.tooLongAnswer ? QStringLiteral("ответ") : QStringLiteral("вопрос"),
                                QString::number(rounds::kFieldByteCap / 1024));
        result.warnings.clear();
        return;
    }
    if (written.status != WriteResult::Status::Written) {
        result.error = written.error;
        result.warnings.clear();
        return;
    }
    result.written = true;
    result.roundEncoding = written.encoding;
}

} // namespace

QString separatorName(QChar separator)
{
    if (separator == u'\t')
        return QStringLiteral("табуляция");
    return QStringLiteral("«%1»").arg(separator);
}

ImportResult importTable(const QString &tablePath, const QString &roundName, bool overwrite)
{
    ImportResult result;
    const rounds::WholeFile file = rounds::readWholeFile(tablePath, kTableByteCap);
    if (!file.value) {
        result.error = file.error;
        return result;
    }
    const CsvTable table = readCsv(*file.value);
    result.tableEncoding = table.encoding;
    result.separator = table.separator;

    const Layout layout = findLayout(table);
    bool twoColumns = false;
    const std::vector<size_t> rows = questionRows(table, layout, &twoColumns);
    QString error = notTextError(tablePath, *file.value, table.encoding);
    if (error.isEmpty())
        error = rowsError(tablePath, table, rows, twoColumns);
    if (!error.isEmpty()) {
        result.error = error;
        return result;
    }
    checkTable(tablePath, table, rows, result.warnings);
    const RoundTexts texts = roundTexts(tablePath, table, layout, rows, result.warnings);
    takeWritten(tablePath, rows, writeRound(roundName, texts, overwrite), result);
    return result;
}

} // namespace check
