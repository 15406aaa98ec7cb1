// The buzzers' file: what a host writes by hand, what the host view writes,
// and what is refused.

#include "buzzers/bindings.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <linux/input-event-codes.h>

using buzzers::Binding;

namespace {

bool hostKey(quint32 code)
{
    return code == KEY_B || code == KEY_DOT || code == KEY_F9 || code == KEY_PAGEDOWN;
}

} // namespace

class TestBindings : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // each binding as the file writes it, then the problems
        QTest::newRow("keys of both teams") << "1 = key:Q\n2 = key:P\n"
                                            << "1 = key:Q|2 = key:P";
        QTest::newRow("any case, blanks, CR LF, comments")
            << "# кнопки\r\n  1=KEY:q   # первая\r\n\r\n2 = key:kp5\r\n"
            << "1 = key:Q|2 = key:KP5";
        QTest::newRow("a joystick's button") << "1 = joystick:03000000790000000600000010010000:button:3"
                                             << "1 = joystick:03000000790000000600000010010000:button:3";
        QTest::newRow("several buttons of one team") << "1 = key:1\n1 = key:2\n2 = key:0"
                                                     << "1 = key:1|1 = key:2|2 = key:0";
        QTest::newRow("a host key is refused") << "1 = key:B\n2 = key:F9\n2 = key:L"
                                               << "2 = key:L|строка 1|строка 2";
        QTest::newRow("one button for two teams") << "1 = key:Q\n2 = key:Q"
                                                  << "1 = key:Q|строка 2";
        QTest::newRow("no such team, key or joystick")
            << "3 = key:Q\n1 = key:Ё\n2 = joystick:xyz:button:1\n1 key:Q"
            << "строка 1|строка 2|строка 3|строка 4";
    }
    void lines()
    {
        QFETCH(QString, text);
        const buzzers::Parsed parsed = buzzers::parse(text, hostKey);
        QStringList read = buzzers::format(parsed.bindings).split(u'\n', Qt::SkipEmptyParts).mid(1);
        for (const QString &problem : parsed.problems)
            read << problem.section(u':', 0, 0);
        QTEST(read.join(u'|'), "read");
        // What is written reads back as the same bindings.
        QCOMPARE(buzzers::parse(buzzers::format(parsed.bindings), hostKey).bindings, parsed.bindings);
    }

    void theFileWrittenAndReadBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config/kvizor/buzzers.conf"));
        const auto none = buzzers::read(path, hostKey);
        QVERIFY(none && none.value->bindings.empty()); // no file: no buzzers
        std::vector<Binding> bindings(2);
        bindings[0].evdevCode = KEY_Q;
        bindings[1] = {2, Binding::Kind::JoystickButton, 0,
                       QStringLiteral("0300000079000000060000001001abcd"), 7};
        QVERIFY(buzzers::write(path, bindings));
        const auto back = buzzers::read(path, hostKey);
        QVERIFY2(back, qPrintable(back.error));
        QCOMPARE(back.value->bindings, bindings);

        QVERIFY(writeFile(path, QByteArray("1 = key:B\n")));
        const auto refused = buzzers::read(path, hostKey);
        QVERIFY(refused && refused.value->bindings.empty());
        QVERIFY(refused.value->problems.value(0).startsWith(path));
    }
};

QTEST_GUILESS_MAIN(TestBindings)
#include "tst_bindings.moc"
