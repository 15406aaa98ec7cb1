#pragma once

// Games for the journal's tests: game k differs from every other in every
// field, so a record made of pieces of two games matches neither.

#include "game/gamesnapshot.h"

#include <QDateTime>

inline GameSnapshot numberedGame(int k)
{
    GameSnapshot g;
    const QString n = QString::number(k);
    g.round = QStringLiteral("тур ") + n;
    g.loadError = k % 7 == 0 ? QStringLiteral("Нет файла тур%1.txt").arg(n) : QString();
    for (int i = 0; i < 12; ++i) {
        const QString slot = n + QLatin1Char('.') + QString::number(i + 1);
        // Long enough that a record takes a few pages of the disk.
        if (i % 4 == 0)
            g.questions[size_t(i)] = k + i / 8.0;
        else if (i % 4 != 3)
            g.questions[size_t(i)] =
                QStringLiteral("Вопрос %1 «в кавычках»\t%2").arg(slot, QString(300, QChar(u'ж')));
        g.answers[size_t(i)] = QStringLiteral("Ответ ") + slot + QString(200, QChar(u'ё'));
        g.numbersLeft[size_t(i)] = ((k >> (i % 5)) & 1) != 0;
    }
    g.score1 = n;
    g.score2 = QString::number(k + 1);
    g.question = QStringLiteral("На доске ") + n;
    g.questionNumber = k % 13;
    g.answer = QStringLiteral("Держится ") + n;
    g.answerShown = k % 2 == 0;
    g.answerOffered = k % 3 == 0;
    g.countdown = k % 5 == 0 ? QStringLiteral("STOP") : QString::number(k % 10);
    g.counting = k % 4 == 1;
    g.picked = true;
    for (int i = 0; i < k % 6; ++i)
        g.givenPoints.push_back(
            {i % 2 ? GameSnapshot::Team::Two : GameSnapshot::Team::One, QString::number(k + i)});
    g.at = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < k % 4; ++i)
        g.evening.rows.push_back({QStringLiteral("тур %1.%2").arg(n).arg(i), double(k + i), i / 2.0});
    if (!g.evening.rows.empty()) {
        g.evening.began = QDateTime(QDate(2026, 12, 10), QTime(19, k % 60), Qt::UTC);
        g.evening.changed = g.at;
        g.evening.current = int(g.evening.rows.size()) - 1;
        g.evening.seen1 = k;
    }
    g.buzzing.state = Buzzing::State(k % 4);
    g.buzzing.winner = g.buzzing.state == Buzzing::State::Won ? 1 + k % 2 : 0;
    g.buzzing.lockedOut = k % 3;
    g.buzzing.at = 1'000'000'000'000LL + k;
    g.evening.names = {QStringLiteral("Сова %1").arg(n), k % 2 ? QString() : QStringLiteral("Ёж")};
    return g;
}
