#include "check/csvtable.h"

#include <algorithm>
#include <map>

namespace check {

namespace {

// Enough rows to see the table's shape; a header and a few questions.
constexpr int kSampleRows = 30;

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

} // namespace

CsvTable parseCsv(const QString &text, QChar separator, int maxRows)
{
    CsvTable table;
    table.separator = separator;

    enum class State { CellStart, Unquoted, Quoted, QuoteInQuoted };
    State state = State::CellStart;
    QStringList row;
    QString cell;
    int quoteRow = 0;

    const auto endCell = [&] {
        row << cell;
        cell.clear();
        state = State::CellStart;
    };
    const auto endRow = [&] {
        endCell();
        table.rows.push_back(row);
        row.clear();
    };

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (maxRows >= 0 && int(table.rows.size()) >= maxRows)
            return table;
        const QChar c = text[i];
        // CR LF is one line end, inside quotes as well.
        const bool crlf = c == u'\r' && i + 1 < n && text[i + 1] == u'\n';
        switch (state) {
        case State::CellStart:
        case State::Unquoted:
            if (c == separator) {
                endCell();
            } else if (isLineEnd(c)) {
                endRow();
                i += crlf ? 1 : 0;
            } else if (c == u'"' && state == State::CellStart) {
                state = State::Quoted;
                quoteRow = int(table.rows.size()) + 1;
            } else {
                // A quote inside an unquoted cell is an ordinary character.
                cell += c;
                state = State::Unquoted;
            }
            break;
        case State::Quoted:
            if (c == u'"') {
                state = State::QuoteInQuoted;
            } else {
                cell += c;
                if (crlf)
                    cell += text[++i];
            }
            break;
        case State::QuoteInQuoted:
            if (c == u'"') {
                cell += c;
                state = State::Quoted;
            } else if (c == separator) {
                endCell();
            } else if (isLineEnd(c)) {
                endRow();
                i += crlf ? 1 : 0;
            } else {
                // Text after the closing quote: kept, as spreadsheets read it.
                cell += c;
                state = State::Unquoted;
            }
            break;
        }
    }
    if (state == State::Quoted)
        table.unclosedQuoteRow = quoteRow;
    // The line end closing the last row makes no row of its own.
    if (state != State::CellStart || !row.isEmpty())
        endRow();
    if (maxRows >= 0 && int(table.rows.size()) > maxRows)
        table.rows.resize(size_t(maxRows));
    return table;
}

QChar detectSeparator(const QString &text)
{
    // Preferred on a tie: a Russian spreadsheet writes semicolons, and a tab
    // seldom stands inside a cell.
    const QChar candidates[] = {u';', u'\t', u','};
    QChar best = u',';
    int bestScore = 0;
    for (const QChar separator : candidates) {
        std::map<qsizetype, int> rowsWithCount;
        for (const QStringList &row : parseCsv(text, separator, kSampleRows).rows) {
            if (row.join(QString()).trimmed().isEmpty())
                continue;
            ++rowsWithCount[row.size()];
        }
        int score = 0;
        for (const auto &[count, rows] : rowsWithCount)
            if (count >= 2)
                score = std::max(score, rows);
        if (score > bestScore) {
            best = separator;
            bestScore = score;
        }
    }
    return best;
}

CsvTable readCsv(const QByteArray &bytes)
{
    const rounds::DecodedText decoded = rounds::decodeText(bytes);
    CsvTable table = parseCsv(decoded.text, detectSeparator(decoded.text));
    table.encoding = decoded.encoding;
    return table;
}

} // namespace check
