#pragma once

#include "check/roundcheck.h"

#include <QString>

#include <vector>

// A round made from a spreadsheet's CSV file: questions from one column,
// answers from the next, written as the round's two files.
namespace check {

// The most a table may take; twelve questions need far less.
constexpr qint64 kTableByteCap = 16 * 1024 * 1024;

struct ImportResult
{
    bool written = false;
    QString error;                 // why nothing was written (Russian)
    std::vector<Warning> warnings; // about the table; the new round's own check comes after
    rounds::Encoding tableEncoding = rounds::Encoding::Windows1251;
    QChar separator;
    rounds::Encoding roundEncoding = rounds::Encoding::Windows1251;
};

ImportResult importTable(const QString &tablePath, const QString &roundName, bool overwrite);

// "«;»", "«,»", "табуляция".
QString separatorName(QChar separator);

} // namespace check
