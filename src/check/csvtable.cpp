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

// The cell syntax as a character-at-a-time machine, filling a table.
class CsvReader
{
public:
    CsvReader(CsvTable &table, QChar separator) : m_table(table), m_separator(separator) {}

    // True when the character after c, the LF of a CR LF, was taken too.
    bool take(QChar c, bool crlf)
    {
        switch (m_state) {
        case State::CellStart:
        case State::Unquoted:
            return takeUnquoted(c, crlf);
        case State::Quoted:
            return takeQuoted(c, crlf);
        case State::QuoteInQuoted:
            return takeAfterQuote(c, crlf);
        }
        return false;
    }

    // The text ended.
    void finish()
    {
        if (m_state == State::Quoted)
            m_table.unclosedQuoteRow = m_quoteRow;
        // The line end closing the last row makes no row of its own.
        if (m_state != State::CellStart || !m_row.isEmpty())
            endRow();
    }

private:
    enum class State { CellStart, Unquoted, Quoted, QuoteInQuoted };

    bool takeUnquoted(QChar c, bool crlf)
    {
        if (c == m_separator) {
            endCell();
        } else if (isLineEnd(c)) {
            endRow();
            return crlf;
        } else if (c == u'"' && m_state == State::CellStart) {
            m_state = State::Quoted;
            m_quoteRow = int(m_table.rows.size()) + 1;
        } else {
            // A quote inside an unquoted cell is an ordinary character.
            m_cell += c;
            m_state = State::Unquoted;
        }
        return false;
    }

    bool takeQuoted(QChar c, bool crlf)
    {
        if (c == u'"') {
            m_state = State::QuoteInQuoted;
            return false;
        }
        m_cell += c;
        if (crlf)
            m_cell += u'\n';
        return crlf;
    }

    bool takeAfterQuote(QChar c, bool crlf)
    {
        if (c == u'"') {
            m_cell += c;
            m_state = State::Quoted;
        } else if (c == m_separator) {
            endCell();
        } else if (isLineEnd(c)) {
            endRow();
            return crlf;
        } else {
            // Text after the closing quote: kept, as spreadsheets read it.
            m_cell += c;
            m_state = State::Unquoted;
        }
        return false;
    }

    void endCell()
    {
        m_row << m_cell;
        m_cell.clear();
        m_state = State::CellStart;
    }

    void endRow()
    {
        endCell();
        m_table.rows.push_back(m_row);
        m_row.clear();
    }

    CsvTable &m_table;
    const QChar m_separator;
    State m_state = State::CellStart;
    QStringList m_row;
    QString m_cell;
    int m_quoteRow = 0;
};

} // namespace

CsvTable parseCsv(const QString &text, QChar separator, int maxRows)
{
    CsvTable table;
    table.separator = separator;
    CsvReader reader(table, separator);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (maxRows >= 0 && int(table.rows.size()) >= maxRows)
            return table;
        const QChar c = text[i];
        // CR LF is one line end, inside quotes as well.
        const bool crlf = c == u'\r' && i + 1 < n && text[i + 1] == u'\n';
        if (reader.take(c, crlf))
            ++i;
    }
    reader.finish();
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
