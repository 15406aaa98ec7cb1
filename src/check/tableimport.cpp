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
    if (!file.bytes) {
        result.error = file.error;
        return result;
    }
    const CsvTable table = readCsv(*file.bytes);
    result.tableEncoding = table.encoding;
    result.separator = table.separator;

    // Questions in column 1 and answers in column 2, unless a header row
    // names them elsewhere ("№;Вопрос;Ответ").
    qsizetype questionColumn = 0;
    qsizetype answerColumn = 1;
    size_t first = 0;
    while (first < table.rows.size() && isBlank(table.rows[first].join(QString())))
        ++first;
    if (first < table.rows.size()) {
        const QStringList &head = table.rows[first];
        const auto question = std::find_if(head.begin(), head.end(), isQuestionHeader);
        const auto answer = std::find_if(head.begin(), head.end(), isAnswerHeader);
        if (question != head.end() || answer != head.end()) {
            if (question != head.end())
                questionColumn = question - head.begin();
            answerColumn = answer != head.end() ? answer - head.begin() : questionColumn + 1;
            ++first;
        }
    }

    std::vector<size_t> rows; // indexes into table.rows of the question rows
    bool twoColumns = false;
    for (size_t r = first; r < table.rows.size(); ++r) {
        const QStringList &row = table.rows[r];
        twoColumns = twoColumns || row.size() > std::max(questionColumn, answerColumn);
        if (!isBlank(cellAt(row, questionColumn)) || !isBlank(cellAt(row, answerColumn)))
            rows.push_back(r);
    }
    if (!rows.empty() && !twoColumns) {
        result.error =
            QStringLiteral("В таблице %1 нет столбца ответов: в каждой строке одна ячейка (разделитель "
                           "ячеек — запятая, точка с запятой или табуляция)")
                .arg(tablePath);
        return result;
    }
    if (rows.size() < size_t(kFieldCount)) {
        result.error = QStringLiteral("В таблице %1 меньше %2 вопросов (найдено %3)")
                           .arg(tablePath, QString::number(kFieldCount), QString::number(rows.size()));
        return result;
    }

    const auto warn = [&](Warning::Kind kind, int row, QString message) {
        Warning warning;
        warning.kind = kind;
        warning.file = tablePath;
        warning.line = row;
        warning.message = std::move(message);
        result.warnings.push_back(std::move(warning));
    };
    if (table.unclosedQuoteRow > 0)
        warn(Warning::Kind::TableUnclosedQuote, table.unclosedQuoteRow,
             QStringLiteral(
                 "%1, строка %2: кавычка не закрыта до конца файла — всё после неё попало в одну ячейку")
                 .arg(tablePath, QString::number(table.unclosedQuoteRow)));
    if (rows.size() > size_t(kFieldCount)) {
        const int firstLeftOut = int(rows[size_t(kFieldCount)]) + 1;
        warn(Warning::Kind::TableExtraRows, firstLeftOut,
             QStringLiteral("%1: в таблице %2 вопросов, взяты первые %3; со строки %4 в тур ничего не вошло")
                 .arg(tablePath, QString::number(rows.size()), QString::number(kFieldCount),
                      QString::number(firstLeftOut)));
    }

    RoundTexts texts;
    for (int k = 0; k < kFieldCount; ++k) {
        const size_t r = rows[size_t(k)];
        const QStringList &row = table.rows[r];
        const int sheetRow = int(r) + 1;
        for (const bool isAnswer : {false, true}) {
            bool quotes = false;
            QString &text = isAnswer ? texts.answers[size_t(k)] : texts.questions[size_t(k)];
            text = fieldTextFromCell(cellAt(row, isAnswer ? answerColumn : questionColumn), &quotes);
            if (!quotes)
                continue;
            warn(Warning::Kind::TableQuotesReplaced, sheetRow,
                 QStringLiteral("%1, строка %2: кавычки \" в %3 заменены на « » — прямые кавычки в файл тура "
                                "не записать")
                     .arg(tablePath, QString::number(sheetRow),
                          isAnswer ? QStringLiteral("ответе") : QStringLiteral("вопросе")));
            result.warnings.back().numbers = {k + 1};
        }
    }

    const WriteResult written = writeRound(roundName, texts, overwrite);
    if (written.status == WriteResult::Status::FieldTooLong) {
        const int sheetRow = int(rows[size_t(written.tooLongField - 1)]) + 1;
        result.error = QStringLiteral("%1, строка %2: %3 длиннее %4 КиБ — такой тур программа не прочитает")
                           .arg(tablePath, QString::number(sheetRow),
                                written.tooLongAnswer ? QStringLiteral("ответ") : QStringLiteral("вопрос"),
                                QString::number(rounds::kFieldByteCap / 1024));
        result.warnings.clear();
        return result;
    }
    if (written.status != WriteResult::Status::Written) {
        result.error = written.error;
        result.warnings.clear();
        return result;
    }
    result.written = true;
    result.roundEncoding = written.encoding;
    return result;
}

} // namespace check
