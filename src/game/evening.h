#pragma once

#include "game/teamnames.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

// A quiz evening: the rounds in which a point was given, each with its two
// scores, and the totals. Its rules are here, with no clock of its own and
// nothing on disk: the game follows the scores into it, and the journal
// keeps it with the game.
struct Evening
{
    // Twelve hours without a change end an evening: the next one is new.
    static constexpr qint64 kStaleSeconds = 12 * 60 * 60;

    struct Row
    {
        QString round;
        double points1 = 0;
        double points2 = 0;
        bool operator==(const Row &o) const
        {
            return round == o.round && points1 == o.points1 && points2 == o.points2;
        }
    };

    std::vector<Row> rows;
    teams::Names names; // the teams' names when the evening last changed
    QDateTime began;    // the first row's time; invalid while there is none
    QDateTime changed;  // the last change of a row; invalid while there is none

    // The row the loaded round's points go to; -1 until its first point.
    int current = -1;
    // The round's scores the current row last saw: a point or a Ctrl+Z is
    // what they moved by, so a row the host corrected keeps the correction.
    double seen1 = 0;
    double seen2 = 0;

    bool isEmpty() const { return rows.empty(); }
    double total1() const;
    double total2() const;

    // --- Following the round ------------------------------------------------
    // A round was loaded: its scores start at 0 and its first point starts a
    // new row, even when the round is the one before loaded again.
    void roundLoaded();
    // The round's scores after a point or a Ctrl+Z. A point starts the
    // round's row; a row taken back to 0 : 0 is no row. Returns whether the
    // evening changed.
    bool follow(const QString &round, double score1, double score2, const QDateTime &now);

    // --- What the host does in the host view --------------------------------
    bool deleteRow(int index);
    bool correctRow(int index, double points1, double points2, const QDateTime &now);

    // Whether an evening last changed at `changed` is over by now (a clock set
    // back by as much ends it too).
    bool staleAt(const QDateTime &now) const;

    // The same rows, names and times; which row follows the round aside.
    bool sameRows(const Evening &o) const
    {
        return rows == o.rows && names == o.names && began == o.began && changed == o.changed;
    }
    bool operator==(const Evening &o) const
    {
        return sameRows(o) && current == o.current && seen1 == o.seen1 && seen2 == o.seen2;
    }
};

namespace evening {

// A score as the scoreboard and the export write it: "12", "-3", "2.5".
QString points(double value);

// The teams' names as the scoreboard, the table and the export head them.
QString teamName(const teams::Names &names, int team);

// The evening as a table for a terminal: a row per round, then the totals.
QString table(const Evening &evening);

// The evening in the dialect the round import reads: UTF-8 with a byte
// order mark, semicolons, a header row, CR LF; fields quoted where needed.
QByteArray csv(const Evening &evening);

// The name of the file an ended evening is kept in beside the journal.
QString keptFileName(const Evening &evening);

} // namespace evening
