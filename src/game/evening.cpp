#include "game/evening.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

double Evening::total1() const
{
    double sum = 0;
    for (const Row &row : rows)
        sum += row.points1;
    return sum;
}

double Evening::total2() const
{
    double sum = 0;
    for (const Row &row : rows)
        sum += row.points2;
    return sum;
}

void Evening::roundLoaded()
{
    current = -1;
    seen1 = seen2 = 0;
}

bool Evening::follow(const QString &round, double score1, double score2, const QDateTime &now)
{
    const double moved1 = score1 - seen1;
    const double moved2 = score2 - seen2;
    seen1 = score1;
    seen2 = score2;
    if (moved1 == 0 && moved2 == 0)
        return false;
    if (current < 0 || current >= int(rows.size())) {
        rows.push_back({round, 0, 0});
        current = int(rows.size()) - 1;
        if (!began.isValid())
            began = now;
    }
    Row &row = rows[size_t(current)];
    row.points1 += moved1;
    row.points2 += moved2;
    if (row.points1 == 0 && row.points2 == 0 && score1 == 0 && score2 == 0) {
        // Every point of the round taken back: it gave none.
        rows.erase(rows.begin() + current);
        current = -1;
        if (rows.empty())
            began = QDateTime();
    }
    changed = now;
    return true;
}

bool Evening::deleteRow(int index)
{
    if (index < 0 || index >= int(rows.size()))
        return false;
    rows.erase(rows.begin() + index);
    if (current == index)
        current = -1; // the round's next point starts a row again
    else if (current > index)
        --current;
    return true;
}

bool Evening::correctRow(int index, double points1, double points2, const QDateTime &now)
{
    if (index < 0 || index >= int(rows.size()) || !std::isfinite(points1) || !std::isfinite(points2))
        return false;
    Row &row = rows[size_t(index)];
    if (row.points1 == points1 && row.points2 == points2)
        return false;
    row.points1 = points1;
    row.points2 = points2;
    changed = now;
    return true;
}

bool Evening::staleAt(const QDateTime &now) const
{
    return changed.isValid() && std::abs(changed.secsTo(now)) > kStaleSeconds;
}

namespace evening {

QString points(double value)
{
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

QString teamName(const teams::Names &names, int team)
{
    const QString &name = names.of(team);
    if (!name.isEmpty())
        return name;
    return team == 1 ? QStringLiteral("КОМАНДА 1") : QStringLiteral("КОМАНДА 2");
}

QString table(const Evening &e)
{
    const QString first = teamName(e.names, 1);
    const QString second = teamName(e.names, 2);
    QStringList roundCells{QStringLiteral("Тур")};
    QStringList firstCells{first};
    QStringList secondCells{second};
    for (const Evening::Row &row : e.rows) {
        roundCells << row.round;
        firstCells << points(row.points1);
        secondCells << points(row.points2);
    }
    roundCells << QStringLiteral("Итого");
    firstCells << points(e.total1());
    secondCells << points(e.total2());
    const auto widest = [](const QStringList &cells) {
        qsizetype w = 0;
        for (const QString &cell : cells)
            w = std::max(w, cell.size());
        return int(w);
    };
    const int w0 = widest(roundCells), w1 = widest(firstCells), w2 = widest(secondCells);
    QString out;
    for (qsizetype i = 0; i < roundCells.size(); ++i) {
        if (i == roundCells.size() - 1)
            out += QString(w0 + w1 + w2 + 4, u'-') + u'\n';
        out += roundCells[i].leftJustified(w0) + QStringLiteral("  ") + firstCells[i].rightJustified(w1) +
               QStringLiteral("  ") + secondCells[i].rightJustified(w2) + u'\n';
    }
    return out;
}

namespace {

// A text a spreadsheet would take for a formula is written as text.
QString textCell(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && formulaStarts.contains(text.front()) ? u'\'' + text : text;
}

QString cell(const QString &text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r') &&
        text.trimmed() == text)
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QByteArray csv(const Evening &e)
{
    QString out;
    const auto line = [&out](const QStringList &cells) {
        QStringList quoted;
        for (const QString &c : cells)
            quoted << cell(c);
        out += quoted.join(u';') + QStringLiteral("\r\n");
    };
    line({QStringLiteral("Тур"), textCell(teamName(e.names, 1)), textCell(teamName(e.names, 2))});
    for (const Evening::Row &row : e.rows)
        line({textCell(row.round), points(row.points1), points(row.points2)});
    line({QStringLiteral("Итого"), points(e.total1()), points(e.total2())});
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QString keptFileName(const Evening &e)
{
    const QDateTime when = (e.began.isValid() ? e.began : e.changed).toLocalTime();
    return QStringLiteral("вечер-%1.csv").arg(when.toString(QStringLiteral("yyyy-MM-dd-HHmm")));
}

} // namespace evening
