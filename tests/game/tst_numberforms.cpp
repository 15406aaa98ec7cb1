#include "game/numberforms.h"

#include <QTest>

#include <limits>

class TestNumberForms : public QObject
{
    Q_OBJECT

private slots:
    void captionValue_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("value");
        QTest::newRow("design start") << "0" << 0.0;
        QTest::newRow("written score") << " 9" << 9.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("no leading number") << "очко" << 0.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
        QTest::newRow("blanks inside digits") << " 1 2" << 12.0;
        QTest::newRow("tab and line feed ignored") << "\t1\n0" << 10.0;
        QTest::newRow("negative") << "-4" << -4.0;
        QTest::newRow("explicit plus") << "+3" << 3.0;
        QTest::newRow("stops at second period") << "1.2.3" << 1.2;
        QTest::newRow("stops at letter") << "12abc" << 12.0;
        QTest::newRow("comma is not a decimal point") << "2,5" << 2.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("period alone") << "." << 0.0;
        QTest::newRow("leading period") << ".5" << 0.5;
        QTest::newRow("carriage return is not ignored") << "\r7" << 0.0;
    }
    void captionValue()
    {
        QFETCH(QString, caption);
        QFETCH(double, value);
        QCOMPARE(numberforms::captionValue(caption), value);
    }

    void signPositionOfDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << 1.0 << " 1";
        QTest::newRow("ten") << 10.0 << " 10";
        QTest::newRow("zero") << 0.0 << " 0";
        QTest::newRow("negative zero") << -0.0 << " 0";
        QTest::newRow("fraction") << 3.5 << " 3.5";
        QTest::newRow("negative") << -2.0 << "-2";
        QTest::newRow("no grouping") << 1234567.0 << " 1234567";
        QTest::newRow("fifteen digits") << 123456789012345.0 << " 123456789012345";
    }
    void signPositionOfDouble()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numberforms::signPosition(value), text);
    }

    void signPositionOfCounter()
    {
        QCOMPARE(numberforms::signPosition(std::int16_t(1)), QStringLiteral(" 1"));
        QCOMPARE(numberforms::signPosition(std::int16_t(5)), QStringLiteral(" 5"));
        QCOMPARE(numberforms::signPosition(std::int16_t(-32768)), QStringLiteral("-32768"));
    }

    void scoreRoundTrip()
    {
        // Repeated points read back what was written: 1, 2, 3 ...
        QString caption = QStringLiteral("0");
        for (int i = 1; i <= 25; ++i)
            caption = numberforms::signPosition(numberforms::captionValue(caption) + 1.0);
        QCOMPARE(caption, QStringLiteral(" 25"));
    }

    void checkedIncrement()
    {
        QCOMPARE(numberforms::checkedIncrement(0), std::optional<std::int16_t>(1));
        QCOMPARE(numberforms::checkedIncrement(-1), std::optional<std::int16_t>(0));
        QVERIFY(!numberforms::checkedIncrement(std::numeric_limits<std::int16_t>::max()));
    }
};

QTEST_GUILESS_MAIN(TestNumberForms)
#include "tst_numberforms.moc"
