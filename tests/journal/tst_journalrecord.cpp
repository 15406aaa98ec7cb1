#include "journal/record.h"
#include "journalgames.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace journal;

Q_DECLARE_METATYPE(GameSnapshot)

namespace {

// The record of a game with one change made to its header or its game, and
// a checksum that fits unless `keepSum`.
QByteArray edited(const std::function<void(QJsonObject &header, QJsonObject &game)> &edit,
                  bool keepSum = false)
{
    const QList<QByteArray> lines = encodeRecord(numberedGame(5)).split('\n');
    QJsonObject header = QJsonDocument::fromJson(lines[0]).object();
    QJsonObject game = QJsonDocument::fromJson(lines[1]).object();
    edit(header, game);
    const QByteArray body = QJsonDocument(game).toJson(QJsonDocument::Compact);
    if (!keepSum)
        header[QStringLiteral("sha256")] =
            QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex());
    return QJsonDocument(header).toJson(QJsonDocument::Compact) + '\n' + body + '\n';
}

} // namespace

class TestJournalRecord : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<GameSnapshot>("game");
        QTest::newRow("start of the evening") << [] {
            GameSnapshot g;
            g.at = QDateTime::currentDateTimeUtc();
            return g;
        }();
        for (int k : {1, 6, 35})
            QTest::newRow(qPrintable(QStringLiteral("game %1").arg(k))) << numberedGame(k);
        QTest::newRow("numbers, controls and quotes") << [] {
            GameSnapshot g = numberedGame(2);
            g.questions = {
                0.1, -3.0, 1e300, 2.5e-300, QString(), QStringLiteral("\"\\\x01\u2028"), std::monostate()};
            g.answers[0] = QStringLiteral("строка\r\nи ещё\u0000");
            g.at = QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);
            return g;
        }();
    }
    void roundTrip()
    {
        QFETCH(GameSnapshot, game);
        const ParsedRecord parsed = parseRecord(encodeRecord(game));
        QVERIFY2(parsed.value, qPrintable(parsed.error));
        QVERIFY(parsed.value->sameGame(game));
        QVERIFY(parsed.value->evening == game.evening);
        QCOMPARE(parsed.value->at, game.at);
        QCOMPARE(checkRecord(game).error, QString());
    }

    void badRecords_data()
    {
        using Edit = std::function<void(QJsonObject &, QJsonObject &)>;
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("\x00\xff\xfe garbage", 12);
        QTest::newRow("garbage after the record") << encodeRecord(numberedGame(1)) + "{}";
        QTest::newRow("an array") << QByteArray("[1, 2]");
        const std::pair<const char *, Edit> edits[] = {
            {"another format",
             [](auto &r, auto &) { r[QStringLiteral("format")] = QStringLiteral("other"); }},
            {"next version", [](auto &r, auto &) { r[QStringLiteral("version")] = kFormatVersion + 1; }},
            {"version as text", [](auto &r, auto &) { r[QStringLiteral("version")] = QStringLiteral("1"); }},
            {"no score", [](auto &, auto &g) { g.remove(QStringLiteral("score2")); }},
            {"score as number", [](auto &, auto &g) { g[QStringLiteral("score1")] = 3; }},
            {"flag as text", [](auto &, auto &g) { g[QStringLiteral("picked")] = QStringLiteral("true"); }},
            {"eleven answers",
             [](auto &, auto &g) {
                 QJsonArray a = g[QStringLiteral("answers")].toArray();
                 a.removeLast();
                 g[QStringLiteral("answers")] = a;
             }},
            {"thirteen numbers",
             [](auto &, auto &g) {
                 QJsonArray a = g[QStringLiteral("numbersLeft")].toArray();
                 a.append(true);
                 g[QStringLiteral("numbersLeft")] = a;
             }},
            {"a question as a list",
             [](auto &, auto &g) {
                 QJsonArray a = g[QStringLiteral("questions")].toArray();
                 a[3] = QJsonArray();
                 g[QStringLiteral("questions")] = a;
             }},
            {"team three",
             [](auto &, auto &g) {
                 g[QStringLiteral("givenPoints")] = QJsonArray{QJsonObject{
                     {QStringLiteral("team"), 3}, {QStringLiteral("before"), QStringLiteral("0")}}};
             }},
            {"question 13 on the board", [](auto &, auto &g) { g[QStringLiteral("questionNumber")] = 13; }},
            {"no time", [](auto &, auto &g) { g[QStringLiteral("at")] = QStringLiteral("вчера"); }},
            {"score too long",
             [](auto &, auto &g) { g[QStringLiteral("score1")] = QString(kMaxShortText + 1, u'1'); }},
            {"answer too long",
             [](auto &, auto &g) {
                 QJsonArray a = g[QStringLiteral("answers")].toArray();
                 a[0] = QString(kMaxLongText + 1, u'ж');
                 g[QStringLiteral("answers")] = a;
             }},
        };
        for (const auto &[name, edit] : edits)
            QTest::newRow(name) << edited(edit);
        QTest::newRow("the game changed, not its checksum")
            << edited([](auto &, auto &g) { g[QStringLiteral("score1")] = QStringLiteral("99"); }, true);
        QTest::newRow("no checksum") << edited([](auto &r, auto &) { r.remove(QStringLiteral("sha256")); },
                                               true);
        QTest::newRow("the checksum edited alone")
            << edited([](auto &r, auto &) { r[QStringLiteral("sha256")] = QString(64, u'0'); }, true);
        QTest::newRow("far too large") << QByteArray(kMaxRecordBytes + 1, ' ');
    }
    void badRecords()
    {
        QFETCH(QByteArray, bytes);
        const ParsedRecord parsed = parseRecord(bytes);
        QVERIFY(!parsed.value);
        QVERIFY(!parsed.error.isEmpty());
    }

    // A record made before the board's question kept its number still reads.
    void recordWithoutTheQuestionNumber()
    {
        const ParsedRecord parsed =
            parseRecord(edited([](auto &, auto &g) { g.remove(QStringLiteral("questionNumber")); }));
        QVERIFY2(parsed.value, qPrintable(parsed.error));
        QCOMPARE(parsed.value->questionNumber, 0);
    }

    // A record cut short anywhere, or with any byte of its game changed, is
    // refused.
    void cutOrFlipped()
    {
        const GameSnapshot game = numberedGame(9);
        const QByteArray whole = encodeRecord(game);
        for (qsizetype n = 0; n < whole.size() - 1; n += 1 + n / 64)
            QVERIFY2(!parseRecord(whole.left(n)).value, qPrintable(QString::number(n)));
        for (qsizetype i = whole.indexOf('\n') + 1; i < whole.size(); i += 1 + i / 64) {
            QByteArray flipped = whole;
            flipped[i] = char(flipped[i] ^ 0x20);
            QVERIFY2(!parseRecord(flipped).value, qPrintable(QString::number(i)));
        }
    }
};

QTEST_APPLESS_MAIN(TestJournalRecord)
#include "tst_journalrecord.moc"
