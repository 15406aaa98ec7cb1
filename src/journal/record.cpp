#include "journal/record.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace journal {

namespace {

const QString kFormatName = QStringLiteral("kvizor-journal");

QJsonValue questionJson(const rounds::QuestionValue &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        return *text;
    if (const auto *number = std::get_if<double>(&value))
        return *number;
    return QJsonValue::Null;
}

template <typename T, typename F> QJsonArray arrayOf(const T &items, F toJson)
{
    QJsonArray array;
    for (const auto &item : items)
        array.append(toJson(item));
    return array;
}

// Takes the fields of a JSON object one by one; the first one missing or of
// the wrong kind becomes the reason, and every later call is a no-op.
class Fields
{
public:
    explicit Fields(const QJsonObject &object) : m_object(object) {}

    QString text(const QString &key)
    {
        return take(key, QJsonValue::String, QStringLiteral("не строка")).toString();
    }
    int integer(const QString &key)
    {
        const QJsonValue v = take(key, QJsonValue::Double, QStringLiteral("не число"));
        if (v.isDouble() && v.toDouble() != double(v.toInt()))
            fail(key, QStringLiteral("не целое число"));
        return v.toInt();
    }
    // A field that records made before it was added do not have.
    int integerOr(const QString &key, int absent) { return m_object.contains(key) ? integer(key) : absent; }
    bool has(const QString &key) const { return m_object.contains(key); }
    double real(const QString &key)
    {
        const QJsonValue v = take(key, QJsonValue::Double, QStringLiteral("не число"));
        return v.toDouble();
    }
    QJsonObject object(const QString &key)
    {
        return take(key, QJsonValue::Object, QStringLiteral("не объект")).toObject();
    }
    // A time, invalid when the text is empty.
    QDateTime time(const QString &key)
    {
        const QString text = this->text(key);
        const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!text.isEmpty() && !t.isValid())
            fail(key, QStringLiteral("не время"));
        return t;
    }
    bool flag(const QString &key)
    {
        return take(key, QJsonValue::Bool, QStringLiteral("не да/нет")).toBool();
    }
    // size < 0: any number of values.
    QJsonArray array(const QString &key, qsizetype size)
    {
        const QJsonArray a = take(key, QJsonValue::Array, QStringLiteral("не список")).toArray();
        if (size >= 0 && a.size() != size)
            fail(key, QStringLiteral("не из %1 значений").arg(size));
        return a;
    }
    void fail(const QString &key, const QString &why)
    {
        if (m_reason.isEmpty())
            m_reason = QStringLiteral("поле «%1» %2").arg(key, why);
    }
    const QString &reason() const { return m_reason; }

private:
    QJsonValue take(const QString &key, QJsonValue::Type type, const QString &wrongType)
    {
        if (!m_reason.isEmpty())
            return QJsonValue();
        const auto it = m_object.constFind(key);
        if (it == m_object.constEnd())
            m_reason = QStringLiteral("нет поля «%1»").arg(key);
        else if (it->type() != type)
            fail(key, wrongType);
        else
            return *it;
        return QJsonValue();
    }

    const QJsonObject m_object;
    QString m_reason;
};

bool readQuestions(const QJsonArray &items, GameSnapshot &game, Fields &fields)
{
    for (qsizetype i = 0; i < items.size() && i < qsizetype(game.questions.size()); ++i) {
        const QJsonValue v = items[i];
        if (v.isNull()) {
            game.questions[size_t(i)] = std::monostate();
        } else if (v.isDouble() && std::isfinite(v.toDouble())) {
            game.questions[size_t(i)] = v.toDouble();
        } else if (v.isString()) {
            game.questions[size_t(i)] = v.toString();
        } else {
            fields.fail(QStringLiteral("questions"), QStringLiteral("в %1-м значении негоден").arg(i + 1));
            return false;
        }
    }
    return true;
}

template <typename T, typename F>
void readEach(const QJsonArray &items, QJsonValue::Type type, T &out, Fields &fields, const QString &key,
              F convert)
{
    for (qsizetype i = 0; i < items.size() && i < qsizetype(out.size()); ++i) {
        if (items[i].type() != type) {
            fields.fail(key, QStringLiteral("в %1-м значении негоден").arg(i + 1));
            return;
        }
        out[size_t(i)] = convert(items[i]);
    }
}

void readGivenPoints(const QJsonArray &items, GameSnapshot &game, Fields &fields)
{
    for (const QJsonValue &item : items) {
        Fields point(item.toObject());
        const int team = point.integer(QStringLiteral("team"));
        const QString before = point.text(QStringLiteral("before"));
        if (!item.isObject() || (point.reason().isEmpty() && team != 1 && team != 2)) {
            fields.fail(QStringLiteral("givenPoints"), QStringLiteral("не из пар «команда, счёт»"));
            return;
        }
        if (!point.reason().isEmpty()) {
            fields.fail(QStringLiteral("givenPoints"), point.reason());
            return;
        }
        game.givenPoints.push_back({team == 1 ? GameSnapshot::Team::One : GameSnapshot::Team::Two, before});
    }
}

QString timeText(const QDateTime &t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QJsonObject buzzingJson(const Buzzing &b)
{
    return QJsonObject{{QStringLiteral("state"), int(b.state)},
                       {QStringLiteral("winner"), b.winner},
                       {QStringLiteral("lockedOut"), b.lockedOut},
                       {QStringLiteral("at"), double(b.at)}};
}

// Records made before buzzers were read have none: closed.
Buzzing readBuzzing(Fields &game)
{
    Buzzing b;
    if (!game.has(QStringLiteral("buzzing")))
        return b;
    Fields f(game.object(QStringLiteral("buzzing")));
    const int state = f.integer(QStringLiteral("state"));
    b.winner = f.integer(QStringLiteral("winner"));
    b.lockedOut = f.integer(QStringLiteral("lockedOut"));
    b.at = qint64(f.real(QStringLiteral("at")));
    if (f.reason().isEmpty() && (state < 0 || state > int(Buzzing::State::Tie) || b.winner < 0 ||
                                 b.winner > 2 || b.lockedOut < 0 || b.lockedOut > 3))
        f.fail(QStringLiteral("state"), QStringLiteral("негоден"));
    b.state = Buzzing::State(state);
    if (!f.reason().isEmpty()) {
        game.fail(QStringLiteral("buzzing"), f.reason());
        return Buzzing{};
    }
    return b;
}

QJsonObject eveningJson(const Evening &e)
{
    return QJsonObject{
        {QStringLiteral("rows"), arrayOf(e.rows,
                                         [](const Evening::Row &r) {
                                             return QJsonObject{{QStringLiteral("round"), r.round},
                                                                {QStringLiteral("points1"), r.points1},
                                                                {QStringLiteral("points2"), r.points2}};
                                         })},
        {QStringLiteral("team1"), e.names.first},
        {QStringLiteral("team2"), e.names.second},
        {QStringLiteral("began"), timeText(e.began)},
        {QStringLiteral("changed"), timeText(e.changed)},
        {QStringLiteral("current"), e.current},
        {QStringLiteral("seen1"), e.seen1},
        {QStringLiteral("seen2"), e.seen2},
    };
}

// Records made before the evening was kept have none: an empty evening.
Evening readEvening(Fields &game)
{
    Evening e;
    if (!game.has(QStringLiteral("evening")))
        return e;
    Fields f(game.object(QStringLiteral("evening")));
    for (const QJsonValue &item : f.array(QStringLiteral("rows"), -1)) {
        Fields row(item.toObject());
        Evening::Row r{row.text(QStringLiteral("round")), row.real(QStringLiteral("points1")),
                       row.real(QStringLiteral("points2"))};
        if (!item.isObject() || !row.reason().isEmpty()) {
            f.fail(QStringLiteral("rows"), QStringLiteral("не из строк «тур, очки, очки»"));
            break;
        }
        e.rows.push_back(r);
    }
    e.names.first = f.text(QStringLiteral("team1"));
    e.names.second = f.text(QStringLiteral("team2"));
    e.began = f.time(QStringLiteral("began"));
    e.changed = f.time(QStringLiteral("changed"));
    e.current = f.integer(QStringLiteral("current"));
    e.seen1 = f.real(QStringLiteral("seen1"));
    e.seen2 = f.real(QStringLiteral("seen2"));
    if (!f.reason().isEmpty())
        game.fail(QStringLiteral("evening"), f.reason());
    return e;
}

GameSnapshot readGame(Fields &f)
{
    GameSnapshot g;
    g.round = f.text(QStringLiteral("round"));
    g.loadError = f.text(QStringLiteral("loadError"));
    readQuestions(f.array(QStringLiteral("questions"), 12), g, f);
    readEach(f.array(QStringLiteral("answers"), 12), QJsonValue::String, g.answers, f,
             QStringLiteral("answers"), [](const QJsonValue &v) { return v.toString(); });
    readEach(f.array(QStringLiteral("numbersLeft"), 12), QJsonValue::Bool, g.numbersLeft, f,
             QStringLiteral("numbersLeft"), [](const QJsonValue &v) { return v.toBool(); });
    g.score1 = f.text(QStringLiteral("score1"));
    g.score2 = f.text(QStringLiteral("score2"));
    g.question = f.text(QStringLiteral("question"));
    g.questionNumber = f.integerOr(QStringLiteral("questionNumber"), 0);
    g.answer = f.text(QStringLiteral("answer"));
    g.answerShown = f.flag(QStringLiteral("answerShown"));
    g.answerOffered = f.flag(QStringLiteral("answerOffered"));
    g.countdown = f.text(QStringLiteral("countdown"));
    g.counting = f.flag(QStringLiteral("counting"));
    g.picked = f.flag(QStringLiteral("picked"));
    readGivenPoints(f.array(QStringLiteral("givenPoints"), -1), g, f);
    g.evening = readEvening(f);
    g.buzzing = readBuzzing(f);
    const QString at = f.text(QStringLiteral("at"));
    g.at = QDateTime::fromString(at, Qt::ISODateWithMs);
    if (f.reason().isEmpty() && !g.at.isValid())
        f.fail(QStringLiteral("at"), QStringLiteral("не время"));
    return g;
}

bool tooLong(const QString &text, int cap)
{
    return text.size() > cap;
}

QByteArray checksum(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QString jsonError(const QJsonParseError &error)
{
    return QStringLiteral("запись испорчена или оборвана: %1 (байт %2)")
        .arg(error.errorString(), QString::number(error.offset));
}

// The header line: the format, its version and the game's checksum.
QString readHeader(const QByteArray &line, const QByteArray &body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        return jsonError(error);
    Fields header(document.object());
    if (!document.isObject() || header.text(QStringLiteral("format")) != kFormatName)
        return QStringLiteral("это не журнал игры");
    const int version = header.integer(QStringLiteral("version"));
    if (header.reason().isEmpty() && version != kFormatVersion)
        return QStringLiteral("журнал другой версии (%1, а читается %2)").arg(version).arg(kFormatVersion);
    header.text(QStringLiteral("program"));
    const QString sum = header.text(QStringLiteral("sha256"));
    if (header.reason().isEmpty() && sum.toLatin1() != checksum(body))
        return QStringLiteral("запись испорчена: контрольная сумма не сходится");
    return header.reason();
}

} // namespace

QByteArray encodeRecord(const GameSnapshot &g)
{
    QJsonObject game;
    game[QStringLiteral("round")] = g.round;
    game[QStringLiteral("loadError")] = g.loadError;
    game[QStringLiteral("questions")] = arrayOf(g.questions, questionJson);
    game[QStringLiteral("answers")] = arrayOf(g.answers, [](const QString &s) { return QJsonValue(s); });
    game[QStringLiteral("numbersLeft")] = arrayOf(g.numbersLeft, [](bool b) { return QJsonValue(b); });
    game[QStringLiteral("score1")] = g.score1;
    game[QStringLiteral("score2")] = g.score2;
    game[QStringLiteral("question")] = g.question;
    game[QStringLiteral("questionNumber")] = g.questionNumber;
    game[QStringLiteral("answer")] = g.answer;
    game[QStringLiteral("answerShown")] = g.answerShown;
    game[QStringLiteral("answerOffered")] = g.answerOffered;
    game[QStringLiteral("countdown")] = g.countdown;
    game[QStringLiteral("counting")] = g.counting;
    game[QStringLiteral("picked")] = g.picked;
    game[QStringLiteral("givenPoints")] = arrayOf(g.givenPoints, [](const GameSnapshot::GivenPoint &p) {
        return QJsonObject{{QStringLiteral("team"), int(p.team)}, {QStringLiteral("before"), p.before}};
    });
    game[QStringLiteral("at")] = g.at.toUTC().toString(Qt::ISODateWithMs);
    game[QStringLiteral("evening")] = eveningJson(g.evening);
    game[QStringLiteral("buzzing")] = buzzingJson(g.buzzing);

    // The header names the format and holds the game's checksum: a byte
    // changed anywhere is a record refused, not another game.
    const QByteArray body = QJsonDocument(game).toJson(QJsonDocument::Compact);
    const QJsonObject header{{QStringLiteral("format"), kFormatName},
                             {QStringLiteral("version"), kFormatVersion},
                             {QStringLiteral("program"), QStringLiteral(KVIZOR_DISPLAY_VERSION)},
                             {QStringLiteral("sha256"), QString::fromLatin1(checksum(body))}};
    return QJsonDocument(header).toJson(QJsonDocument::Compact) + '\n' + body + '\n';
}

Done checkRecord(const GameSnapshot &g)
{
    const QString *longTexts[] = {&g.round, &g.loadError, &g.question, &g.answer};
    for (const QString *text : longTexts)
        if (tooLong(*text, kMaxLongText))
            return Done::failure(QStringLiteral("текст длиннее %1 знаков").arg(kMaxLongText));
    for (size_t i = 0; i < g.questions.size(); ++i) {
        const auto *text = std::get_if<QString>(&g.questions[i]);
        const auto *number = std::get_if<double>(&g.questions[i]);
        if ((text && tooLong(*text, kMaxLongText)) || tooLong(g.answers[i], kMaxLongText))
            return Done::failure(
                QStringLiteral("вопрос или ответ %1 длиннее %2 знаков").arg(i + 1).arg(kMaxLongText));
        if (number && !std::isfinite(*number))
            return Done::failure(QStringLiteral("вопрос %1 — не конечное число").arg(i + 1));
    }
    if (tooLong(g.score1, kMaxShortText) || tooLong(g.score2, kMaxShortText) ||
        tooLong(g.countdown, kMaxShortText))
        return Done::failure(QStringLiteral("счёт или отсчёт длиннее %1 знаков").arg(kMaxShortText));
    if (g.questionNumber < 0 || g.questionNumber > int(g.questions.size()))
        return Done::failure(QStringLiteral("номер вопроса на поле не от 0 до 12"));
    if (g.givenPoints.size() > size_t(kMaxGivenPoints))
        return Done::failure(QStringLiteral("больше %1 очков для отмены").arg(kMaxGivenPoints));
    for (const GameSnapshot::GivenPoint &point : g.givenPoints)
        if (tooLong(point.before, kMaxShortText) ||
            (point.team != GameSnapshot::Team::One && point.team != GameSnapshot::Team::Two))
            return Done::failure(QStringLiteral("негодное очко для отмены"));
    const Evening &e = g.evening;
    if (e.rows.size() > size_t(kMaxEveningRows))
        return Done::failure(QStringLiteral("в вечере больше %1 туров").arg(kMaxEveningRows));
    for (const Evening::Row &row : e.rows)
        if (tooLong(row.round, kMaxLongText) || !std::isfinite(row.points1) || !std::isfinite(row.points2))
            return Done::failure(QStringLiteral("негодная строка вечера"));
    if (tooLong(e.names.first, kMaxShortText) || tooLong(e.names.second, kMaxShortText))
        return Done::failure(QStringLiteral("название команды длиннее %1 знаков").arg(kMaxShortText));
    if (e.current < -1 || e.current >= int(e.rows.size()) || !std::isfinite(e.seen1) ||
        !std::isfinite(e.seen2))
        return Done::failure(QStringLiteral("негодная строка вечера"));
    if (!g.at.isValid())
        return Done::failure(QStringLiteral("нет времени изменения"));
    return {};
}

ParsedRecord parseRecord(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return ParsedRecord::failure(QStringLiteral("файл пуст"));
    if (bytes.size() > kMaxRecordBytes)
        return ParsedRecord::failure(
            QStringLiteral("файл больше %1 МиБ").arg(kMaxRecordBytes / (1024 * 1024)));
    // Two lines, each ended by a line feed: the header, then the game.
    const qsizetype split = bytes.indexOf('\n');
    if (split < 0 || !bytes.endsWith('\n'))
        return ParsedRecord::failure(QStringLiteral("запись оборвана"));
    const QByteArray body = bytes.mid(split + 1, bytes.size() - split - 2);
    if (const QString reason = readHeader(bytes.left(split), body); !reason.isEmpty())
        return ParsedRecord::failure(reason);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return ParsedRecord::failure(jsonError(error));
    if (!document.isObject())
        return ParsedRecord::failure(QStringLiteral("это не журнал игры"));
    Fields game(document.object());
    GameSnapshot snapshot = readGame(game);
    if (QString reason = game.reason(); !reason.isEmpty())
        return ParsedRecord::failure(reason);
    if (Done readable = checkRecord(snapshot); !readable)
        return ParsedRecord::failure(readable.error);
    return snapshot;
}

} // namespace journal
