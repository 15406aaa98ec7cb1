#pragma once

#include "rounds/fieldreader.h"

#include <QString>
#include <QStringList>

#include <vector>

// A table as spreadsheets save it as CSV (RFC 4180): cells split by one
// separator, a cell in double quotes may hold the separator, line breaks and
// doubled quotes. Pure: bytes in, cells out.
namespace check {

struct CsvTable
{
    rounds::Encoding encoding = rounds::Encoding::Windows1251;
    QChar separator = u',';
    std::vector<QStringList> rows; // every row in order: rows[k] is the sheet's row k + 1
    int unclosedQuoteRow = 0;      // row whose quote runs to the end of the file, 0 when none
};

// The rows of decoded text split at separator; at most maxRows, all when negative.
CsvTable parseCsv(const QString &text, QChar separator, int maxRows = -1);

// Comma, semicolon or tab: whichever splits the first rows into the same
// number of cells (two or more) most often. Comma when none does.
QChar detectSeparator(const QString &text);

// Decodes the bytes as round files are decoded, finds the separator and
// splits the whole table.
CsvTable readCsv(const QByteArray &bytes);

} // namespace check
