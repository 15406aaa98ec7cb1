// Loading a round from the round-name box on a real window: what a good
// load resets, what it leaves alone, and that a failed load changes nothing
// but the message.

#include "support/gamewindow.h"
#include "support/testfiles.h"
#include "window/form1.h"
#include "window/messagelabel.h"
#include "window/optionbutton.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

// Round `name` in the current folder: question k is "<name>: вопрос k",
// answer k "<name>: ответ k", in Windows-1251 as hosts write them.
void writeRound(const QString &name, int fields = 12)
{
    const QByteArray tag = name.toLatin1();
    mustWriteRound(name, numberedLines(tag + ": \xE2\xEE\xEF\xF0\xEE\xF1 ", fields), // "вопрос"
                   numberedLines(tag + ": \xEE\xF2\xE2\xE5\xF2 ", fields));          // "ответ"
}

// Records the order in which number buttons are shown.
class ShowOrder : public QObject
{
public:
    std::vector<int> numbers;
    void watch(Form1 &form)
    {
        for (int n = 1; n <= 12; ++n) {
            form.numberButton(n)->installEventFilter(this);
            m_buttons.push_back(form.numberButton(n));
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShowToParent) {
            for (size_t i = 0; i < m_buttons.size(); ++i) {
                if (m_buttons[i] == watched)
                    numbers.push_back(int(i) + 1);
            }
        }
        return false;
    }

private:
    std::vector<QObject *> m_buttons;
};

} // namespace

class TestRoundLoading : public QObject, protected GameUnderTest
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString previousDir;

    void type(const QString &text) { QTest::keyClicks(form->Text1, text); }
    bool shown(QWidget *w) const { return w->isVisibleTo(form); }

private slots:
    void initTestCase()
    {
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        writeRound(QStringLiteral("1"));
        writeRound(QStringLiteral("2"));
        writeRound(QStringLiteral("3"), 11);
        QFile::copy(QStringLiteral("2.txt"), QStringLiteral("4.txt")); // no answer file
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }
    void init() { start(); }
    void cleanup() { stop(); }

    void goodLoadResetsTheBoardOnly()
    {
        type(QStringLiteral("1"));
        QVERIFY(form->LoadError->text().isEmpty());
        form->Command1_Click();
        form->Option2_Click(1);
        for (int i = 0; i < 4; ++i)
            form->Timer1_Timer(); // STOP: ОТВЕТ shown
        form->Option5_Click(1);
        form->Timer1_Timer();   // " 2", counting
        form->Command3_Click(); // answer 5 revealed early
        QCOMPARE(form->Label1->text(), QStringLiteral("1: вопрос 5"));
        QCOMPARE(form->Label7->text(), QStringLiteral("1: ответ 5"));

        form->Text1->clear();
        type(QStringLiteral("2"));
        QCOMPARE(form->LoadError->text(), QString());

        // Reset: every number back, scores, captions.
        for (int n = 1; n <= 12; ++n)
            QVERIFY(shown(form->numberButton(n)));
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
        QCOMPARE(form->Label3->text(), QStringLiteral("0"));
        QVERIFY(form->Label1->text().isEmpty());
        QVERIFY(form->Label7->text().isEmpty());
        QCOMPARE(rounds::questionText(form->question(12)), QStringLiteral("2: вопрос 12"));
        QCOMPARE(form->answer(1), QStringLiteral("2: ответ 1"));

        // Left alone: the countdown, the revealed answer's visibility,
        // ОТВЕТ, the selection, slot 0.
        QCOMPARE(form->tickCounter(), std::int16_t(2));
        QCOMPARE(form->Label5->text(), QStringLiteral(" 2"));
        QVERIFY(form->Timer1->isActive());
        QVERIFY(shown(form->Label7));
        QVERIFY(shown(form->Command3));
        QVERIFY(form->Option20->isChecked());
        QVERIFY(std::holds_alternative<std::monostate>(form->question(0)));
        QVERIFY(form->answer(0).isEmpty());

        // The countdown runs on to STOP across the load.
        for (int i = 0; i < 3; ++i)
            form->Timer1_Timer();
        QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
        QCOMPARE(sound->stopSounds, 2);
    }

    void numbersComeBackInBoardOrder()
    {
        type(QStringLiteral("1"));
        for (int n = 1; n <= 12; ++n)
            form->numberButton(n)->click();
        ShowOrder order;
        order.watch(*form);
        form->Text1->clear();
        type(QStringLiteral("2"));
        QCOMPARE(order.numbers, (std::vector<int>{1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9}));
    }

    void typingLoadsEachIntermediateName()
    {
        // "12": round 1 loads at the first key, round 12 does not exist.
        type(QStringLiteral("1"));
        form->Option3_Click(2);
        form->Command2_Click();
        type(QStringLiteral("2"));
        QCOMPARE(form->Text1->text(), QStringLiteral("12"));
        QCOMPARE(form->LoadError->text(), QStringLiteral("Нет файла 12.txt"));
        QVERIFY(!shown(form->Option3));
        QCOMPARE(form->Label3->text(), QStringLiteral(" 1"));
        QCOMPARE(form->answer(3), QStringLiteral("1: ответ 3"));

        // Back to "1": loads again, clears the message, brings 3 back.
        QTest::keyClick(form->Text1, Qt::Key_Backspace);
        QVERIFY(form->LoadError->text().isEmpty());
        QVERIFY(shown(form->Option3));
        QCOMPARE(form->Label3->text(), QStringLiteral("0"));
    }

    void aLongRoundNameIsReadWholeInItsCorner_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("short") << 2 << false;
        QTest::newRow("a path of 80 with no space: wraps inside it") << 80 << false;
        QTest::newRow("a path of 160: smaller") << 160 << true;
    }
    void aLongRoundNameIsReadWholeInItsCorner()
    {
        QFETCH(int, length);
        QFETCH(bool, shrinks);
        const QString name = QStringLiteral("/") + QStringLiteral("x").repeated(length - 1);
        form->Text1->setText(name);
        auto *message = qobject_cast<MessageLabel *>(form->LoadError);
        QVERIFY(message);
        QCOMPARE(message->text(), QStringLiteral("Нет файла %1.txt").arg(name));
        QCOMPARE(message->geometry(), QRect(648, 76, 169, 66)); // never over the board or the buttons
        QCOMPARE(message->shownPointSize() < message->font().pointSizeF(), shrinks);
        QVERIFY(message->shownPointSize() > MessageLabel::smallestPointSize);
    }

    void failedLoadsChangeNothingButTheMessage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("question file missing") << "9"
                                               << "Нет файла 9.txt";
        QTest::newRow("answer file missing") << "4"
                                             << "Нет файла 4o.txt";
        QTest::newRow("eleven questions") << "3"
                                          << "В файле 3.txt меньше 12 полей (найдено 11)";
        QTest::newRow("empty name") << ""
                                    << "Нет файла .txt";
    }
    void failedLoadsChangeNothingButTheMessage()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        type(QStringLiteral("1"));
        form->Option7_Click(3);
        form->Command1_Click();
        const QString question = form->Label1->text();

        form->Text1->selectAll();
        if (name.isEmpty())
            QTest::keyClick(form->Text1, Qt::Key_Delete);
        else
            type(name);
        QCOMPARE(form->LoadError->text(), message);
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
        QCOMPARE(form->Label1->text(), question);
        QVERIFY(!shown(form->Option7));
        for (int k = 1; k <= 12; ++k) {
            QCOMPARE(rounds::questionText(form->question(k)), QStringLiteral("1: вопрос %1").arg(k));
            QCOMPARE(form->answer(k), QStringLiteral("1: ответ %1").arg(k));
        }
    }
};

QTEST_MAIN(TestRoundLoading)
#include "tst_roundloading.moc"
