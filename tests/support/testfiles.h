#pragma once

// Files the tests read and write: the round fixtures, and small rounds
// written on the fly.

#include "rounds/roundfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#ifndef KVIZOR_TEST_DATA
#error "KVIZOR_TEST_DATA must name the tests' data folder"
#endif

// A round file among the fixtures in tests/data/rounds.
inline QString fixture(const QString &name)
{
    return QStringLiteral(KVIZOR_TEST_DATA "/rounds/") + name;
}

inline QByteArray fixtureBytes(const QString &name)
{
    QFile file(fixture(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// For helpers that cannot report a failure to the test: stop the run.
inline void mustWriteFile(const QString &path, const QByteArray &bytes)
{
    if (!writeFile(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
}

// `count` lines "<prefix>k" (k = 1 ...), each ended by CR LF as Notepad
// writes them; the prefix is given in the file's own bytes.
inline QByteArray numberedLines(const QByteArray &prefix, int count = 12)
{
    QByteArray lines;
    for (int k = 1; k <= count; ++k)
        lines += prefix + QByteArray::number(k) + "\r\n";
    return lines;
}

// "Вопрос " and "Ответ " in Windows-1251.
inline const QByteArray kQuestionCp1251("\xC2\xEE\xEF\xF0\xEE\xF1 ");
inline const QByteArray kAnswerCp1251("\xCE\xF2\xE2\xE5\xF2 ");

// Writes round `base` (a path without the suffixes): its question file and
// its answer file, named as the program names them.
inline void mustWriteRound(const QString &base, const QByteArray &questions, const QByteArray &answers)
{
    mustWriteFile(rounds::questionFileName(base), questions);
    mustWriteFile(rounds::answerFileName(base), answers);
}
