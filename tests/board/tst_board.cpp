// The game handlers on a real window: picking, counting down, revealing and
// scoring, and the keyboard never starting a question by itself.

#include "design/designtable.h"
#include "support/gamewindow.h"
#include "support/testfiles.h"
#include "window/form1.h"
#include "window/optionbutton.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// Writes a round whose question k is "Вопрос k" and answer k "Ответ k".
QString writeRound(const QTemporaryDir &dir, const QString &name)
{
    const QString base = dir.filePath(name);
    mustWriteRound(base, numberedLines(kQuestionCp1251), numberedLines(kAnswerCp1251));
    return base;
}

// Captures what is written to stderr while it lives.
class StderrCapture
{
public:
    StderrCapture() : m_file(std::tmpfile())
    {
        std::fflush(stderr);
        m_saved = dup(2);
        dup2(fileno(m_file), 2);
    }
    ~StderrCapture()
    {
        restore();
        std::fclose(m_file);
    }
    QString text()
    {
        restore();
        std::rewind(m_file);
        QByteArray all;
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, m_file)) > 0)
            all.append(buf, static_cast<qsizetype>(n));
        return QString::fromUtf8(all);
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
        m_saved = -1;
    }
    FILE *m_file;
    int m_saved = -1;
};

} // namespace

// Form1's handler for number button N.
using NumberHandler = void (Form1::*)(int);
NumberHandler kNumberHandler(int number)
{
    static const NumberHandler handlers[] = {
        &Form1::Option1_Click, &Form1::Option2_Click,  &Form1::Option3_Click,  &Form1::Option4_Click,
        &Form1::Option5_Click, &Form1::Option6_Click,  &Form1::Option7_Click,  &Form1::Option8_Click,
        &Form1::Option9_Click, &Form1::Option10_Click, &Form1::Option11_Click, &Form1::Option12_Click,
    };
    return handlers[number - 1];
}

class TestBoard : public QObject, protected GameUnderTest
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    void loadRound()
    {
        form->Text1->setText(writeRound(dir, QStringLiteral("7")));
        QVERIFY2(form->LoadError->text().isEmpty(), qPrintable(form->LoadError->text()));
    }
    int numbersShown() const
    {
        int n = 0;
        for (int k = 1; k <= 12; ++k)
            n += form->numberButton(k)->isVisibleTo(form);
        return n;
    }
    bool anyNumberSelected() const
    {
        for (int k = 1; k <= 12; ++k) {
            if (form->numberButton(k)->isChecked())
                return true;
        }
        return false;
    }

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    void startState()
    {
        QVERIFY(form->Option20->isChecked());
        QVERIFY(!anyNumberSelected());
        QCOMPARE(numbersShown(), 12);
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->Timer1->interval(), 1000);
        QCOMPARE(form->tickCounter(), std::int16_t(0));
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
        QCOMPARE(form->Label3->text(), QStringLiteral("0"));
        QVERIFY(form->Label5->text().isEmpty());
        QVERIFY(!form->Label7->isVisibleTo(form));
        QVERIFY(!form->Command3->isVisibleTo(form));
        QCOMPARE(sound->beeps, 0);
    }

    void roadOfOneQuestion()
    {
        loadRound();
        QTest::mouseClick(form->Option3, Qt::LeftButton);

        QCOMPARE(form->Label1->text(), QStringLiteral("Вопрос 3"));
        QCOMPARE(form->Label7->text(), QStringLiteral("Ответ 3"));
        QVERIFY(!form->Label7->isVisibleTo(form));
        QVERIFY(!form->Option3->isVisibleTo(form));
        QCOMPARE(numbersShown(), 11);
        QVERIFY(form->Option20->isChecked());
        QVERIFY(!anyNumberSelected());
        QCOMPARE(form->Label5->text(), QStringLiteral(" 1"));
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(sound->beeps, 1);

        for (const char *shown : {" 2", " 3", " 4"}) {
            tick();
            QCOMPARE(form->Label5->text(), QString::fromUtf8(shown));
            QVERIFY(form->Timer1->isActive());
            QCOMPARE(sound->stopSounds, 0);
            QVERIFY(!form->Command3->isVisibleTo(form));
        }
        tick();
        QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(sound->beeps, 5);
        QCOMPARE(sound->stopSounds, 1);
        QVERIFY(form->Command3->isVisibleTo(form));

        QTest::mouseClick(form->Command3, Qt::LeftButton);
        QVERIFY(form->Label7->isVisibleTo(form));
        QCOMPARE(form->Label7->text(), QStringLiteral("Ответ 3"));

        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QVERIFY(form->Label1->text().isEmpty());
        QVERIFY(form->Label7->text().isEmpty());
        QVERIFY(!form->Label7->isVisibleTo(form));
        QCOMPARE(form->Label3->text(), QStringLiteral(" 1"));
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
        QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
        QVERIFY(form->Command3->isVisibleTo(form));
    }

    void soundNoticeFollowsTheSoundSide()
    {
        QVERIFY(!form->SoundNotice->isVisibleTo(form));
        sound->setAvailable(false);
        QVERIFY(form->SoundNotice->isVisibleTo(form));
        QCOMPARE(form->SoundNotice->text(), QStringLiteral("нет звука"));
        sound->setAvailable(true);
        QVERIFY(!form->SoundNotice->isVisibleTo(form));

        // A sound side already known to be silent shows at once when swapped in.
        FakeSound silent;
        silent.setAvailable(false);
        form->setSound(&silent);
        QVERIFY(form->SoundNotice->isVisibleTo(form));
        form->setSound(sound);
        QVERIFY(!form->SoundNotice->isVisibleTo(form));
    }

    void pickBeforeAnyRound()
    {
        form->Option12_Click(8);
        QVERIFY(form->Label1->text().isEmpty());
        QVERIFY(form->Label7->text().isEmpty());
        QVERIFY(!form->Option12->isVisibleTo(form));
        QCOMPARE(form->Label5->text(), QStringLiteral(" 1"));
        QCOMPARE(sound->beeps, 1);
    }

    void pickDuringCountdownRestartsIt()
    {
        loadRound();
        form->Option1_Click(0);
        tick(2);
        QCOMPARE(form->Label5->text(), QStringLiteral(" 3"));
        form->Option2_Click(1);
        QCOMPARE(form->Label5->text(), QStringLiteral(" 1"));
        QCOMPARE(form->Label1->text(), QStringLiteral("Вопрос 2"));
        QCOMPARE(form->Label7->text(), QStringLiteral("Ответ 2"));
        tick(3);
        QCOMPARE(form->Label5->text(), QStringLiteral(" 4"));
        QCOMPARE(sound->stopSounds, 0);
        tick();
        QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
        QCOMPARE(sound->stopSounds, 1);
        QCOMPARE(sound->beeps, 3 + 5);
        QCOMPARE(sound->countdowns, 2); // the sound side cuts the old one
    }

    void pickAfterStopRunsAgain_data()
    {
        QTest::addColumn<bool>("reload");
        QTest::newRow("revealed, no point given") << false;
        QTest::newRow("revealed, then the round loaded again") << true;
    }
    void pickAfterStopRunsAgain()
    {
        QFETCH(bool, reload);
        loadRound();
        form->Option1_Click(0);
        tick(4);
        QVERIFY(form->Command3->isVisibleTo(form));
        form->Command3_Click();
        QVERIFY(form->Label7->isVisibleTo(form));
        if (reload)
            form->Text1->setText(writeRound(dir, QStringLiteral("9")));
        form->Option4_Click(3);
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(form->Label5->text(), QStringLiteral(" 1"));
        QVERIFY(form->Command3->isVisibleTo(form));
        // The room never sees an answer as its question is asked: it is held
        // until "ОТВЕТ" even though the last one was left revealed.
        QVERIFY(!form->Label7->isVisibleTo(form));
        QCOMPARE(form->Label7->text(), QStringLiteral("Ответ 4"));
        tick(4);
        QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
        QVERIFY(!form->Label7->isVisibleTo(form));
        QCOMPARE(sound->stopSounds, 2);
        form->Command3_Click();
        QVERIFY(form->Label7->isVisibleTo(form));
    }

    void teamButtonBeforeStopDoesNotEndCountdown()
    {
        loadRound();
        form->Option9_Click(5);
        tick();
        form->Command1_Click();
        QVERIFY(form->Label1->text().isEmpty());
        QVERIFY(form->Timer1->isActive());
        tick(3);
        QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
        QCOMPARE(sound->stopSounds, 1);
        form->Command3_Click();
        QVERIFY(form->Label7->isVisibleTo(form));
        QVERIFY(form->Label7->text().isEmpty());
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
    }

    void pointsCountUpWithoutGuard()
    {
        for (int i = 0; i < 12; ++i)
            form->Command1_Click();
        QCOMPARE(form->Label2->text(), QStringLiteral(" 12"));
        QCOMPARE(form->Label3->text(), QStringLiteral("0"));
    }

    void eachNumberHidesItsOwnMember()
    {
        // The index passed with the click is ignored.
        form->Option5_Click(99);
        QVERIFY(!form->Option5->isVisibleTo(form));
        QCOMPARE(form->Option5->Index(), 1);
        form->Option7_Click(-1);
        QVERIFY(!form->Option7->isVisibleTo(form));
        QCOMPARE(form->Option7->Index(), 3);
        QCOMPARE(numbersShown(), 10);
    }

    void allTwelvePicked()
    {
        form->Option1_Click(0);
        form->Option2_Click(1);
        form->Option3_Click(2);
        form->Option4_Click(3);
        form->Option5_Click(1);
        form->Option6_Click(4);
        form->Option7_Click(3);
        form->Option8_Click(2);
        form->Option9_Click(5);
        form->Option10_Click(6);
        form->Option11_Click(7);
        form->Option12_Click(8);
        QCOMPARE(numbersShown(), 0);
        QCOMPARE(sound->beeps, 12);
        QCOMPARE(sound->stopSounds, 0);
    }

    void failingStopSoundDoesNotEndTheGame()
    {
        sound->failStopSound = true;
        StderrCapture err;
        for (int question = 1; question <= 3; ++question) {
            form->numberButton(question)->click();
            tick(4);
            QCOMPARE(form->Label5->text(), QStringLiteral("STOP"));
            QVERIFY(form->Command3->isVisibleTo(form));
        }
        QCOMPARE(sound->stopSounds, 3);
        const QString said = err.text();
        QCOMPARE(said.count(QStringLiteral("нет звукового устройства")), 1);
    }

    void keyboardNeverPicksByItself()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QApplication::setActiveWindow(form);

        // Focus on a number button selects nothing.
        form->Option1->setFocus();
        QApplication::processEvents();
        QCOMPARE(sound->beeps, 0);

        // Arrow keys from the selected neutral option or a number move the
        // focus only.
        form->Option20->setFocus();
        for (auto key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right}) {
            QTest::keyClick(QApplication::focusWidget(), key);
        }
        form->Option6->setFocus();
        for (auto key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up})
            QTest::keyClick(QApplication::focusWidget(), key);
        // Tab all the way round.
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(sound->beeps, 0);
        QVERIFY(!anyNumberSelected());
        QVERIFY(form->Option20->isChecked());
        QCOMPARE(numbersShown(), 12);

        // Space on a number the host reached with Tab is a deliberate press;
        // hiding it moves the focus on without selecting the next one.
        form->Option2->setFocus(Qt::TabFocusReason);
        QTest::keyClick(form->Option2, Qt::Key_Space);
        QCOMPARE(sound->beeps, 1);
        QVERIFY(!form->Option2->isVisible());
        QApplication::processEvents();
        QCOMPARE(sound->beeps, 1);
        QCOMPARE(numbersShown(), 11);

        // Enter too.
        form->Option10->setFocus(Qt::TabFocusReason);
        QTest::keyClick(form->Option10, Qt::Key_Return);
        QCOMPARE(sound->beeps, 2);
        QVERIFY(!form->Option10->isVisible());
        QVERIFY(!anyNumberSelected());
    }

    void selectingNeutralOptionRunsNothing()
    {
        form->Option20->click();
        form->Option20->setChecked(true);
        QCOMPARE(sound->beeps, 0);
        QCOMPARE(numbersShown(), 12);
    }

    void clickAnywhereOnTheFacePicks()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QTest::mouseClick(form->Option11, Qt::LeftButton, {}, QPoint(140, 120));
        QCOMPARE(sound->beeps, 1);
        QVERIFY(!form->Option11->isVisible());
    }

    void designSpotChecks()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("Квизория"));
        QCOMPARE(form->size(), QSize(819, 734));
        QCOMPARE(form->Option7->geometry(), QRect(304, 136, 153, 135));
        QCOMPARE(form->Option7->faceColour(), QColor(0xFF, 0x80, 0x80));
        QVERIFY(form->Option7->hasPushButtonLook());
        QVERIFY(!form->Option20->hasPushButtonLook());
        QCOMPARE(form->Option20->geometry(), QRect(760, 0, 17, 17));
        QCOMPARE(form->Label7->geometry(), QRect(24, 664, 785, 113));
        QCOMPARE(form->Label5->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
        QCOMPARE(form->Label1->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
        QCOMPARE(form->Command3->palette().color(QPalette::Button), QColor(0xFF, 0x80, 0x80));
        QCOMPARE(form->Command1->text(), QStringLiteral("КОМАНДА 1"));
        QCOMPARE(form->Label1->font().pointSizeF(), 27.75);
        QVERIFY(form->Label1->wordWrap());
        QCOMPARE(form->Label1->textFormat(), Qt::PlainText);
        QCOMPARE(form->Label1->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    }

    void eachPickHidesItsDesignedMember()
    {
        // The control-array member each number's pick hides, as the design
        // numbers them: they do not follow the numbers and repeat.
        const int designedIndex[12] = {0, 1, 2, 3, 1, 4, 3, 2, 5, 6, 7, 8};
        for (int number = 1; number <= 12; ++number) {
            (form->*kNumberHandler(number))(99); // the click's own index is not used
            OptionButton *hidden = nullptr;
            for (OptionButton *b : form->findChildren<OptionButton *>()) {
                if (b->isHidden() && b->objectName() == QStringLiteral("Option%1").arg(number))
                    hidden = b;
            }
            QVERIFY2(hidden, qPrintable(QStringLiteral("number %1 stays on the board").arg(number)));
            QCOMPARE(hidden->Index(), designedIndex[number - 1]);
            QCOMPARE(numbersShown(), 12 - number);
        }
    }

    void tabOrderFollowsDesign()
    {
        // The keyboard order skips labels; hidden Command3 keeps its place.
        auto next = [](QWidget *w) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        QCOMPARE(next(form->Option1), form->Option2);
        QCOMPARE(next(form->Option2), form->Option20);
        QCOMPARE(next(form->Option20), form->Option3);
        QCOMPARE(next(form->Option4), form->Option5);
        QCOMPARE(next(form->Option8), form->Option7);
        QCOMPARE(next(form->Option7), form->Option6);
        QCOMPARE(next(form->Command2), form->Text1);
        QCOMPARE(next(form->Text1), form->Command3);
    }

    void tabReachesEveryControlAfterAPick()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QApplication::setActiveWindow(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        form->Text1->setFocus();
        form->Option1->setFocus(Qt::TabFocusReason);
        QTest::keyClick(form->Option1, Qt::Key_Space); // picks 1, which leaves the board
        QCOMPARE(sound->beeps, 1);

        form->Text1->setFocus();
        std::vector<QWidget *> visited;
        for (int i = 0; i < 16; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget());
        }
        const std::vector<QWidget *> expected = {
            form->Option2,  form->Option20, form->Option3, form->Option4,  form->Option5,  form->Option8,
            form->Option7,  form->Option6,  form->Option9, form->Option10, form->Option11, form->Option12,
            form->Command1, form->Command2, form->Text1,   form->Option2};
        QCOMPARE(visited, expected);
        QCOMPARE(sound->beeps, 1); // moving the focus picked nothing
    }

    void roundNameHasNoLengthLimit()
    {
        const QString longName(40000, QLatin1Char('x'));
        form->Text1->setText(longName);
        QCOMPARE(form->Text1->text().size(), 40000);
    }

    void takeBackPoints()
    {
        loadRound();
        form->Command1_Click();
        form->Command2_Click();
        form->Command1_Click();
        QCOMPARE(form->Label2->text(), QStringLiteral(" 2"));
        form->Option4_Click(3);
        const QString question = form->Label1->text();

        form->takeBackPoint();
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
        QCOMPARE(form->Label3->text(), QStringLiteral(" 1"));
        form->takeBackPoint();
        QCOMPARE(form->Label3->text(), QStringLiteral("0"));
        form->takeBackPoint();
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
        form->takeBackPoint(); // nothing left
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
        QCOMPARE(form->Label3->text(), QStringLiteral("0"));
        // Nothing else moved.
        QCOMPARE(form->Label1->text(), question);
        QVERIFY(!form->Option4->isVisibleTo(form));
        QCOMPARE(form->Label5->text(), QStringLiteral(" 1"));
    }

    void loadStartsFreshHistory()
    {
        loadRound();
        form->Command1_Click();
        form->Command1_Click();
        form->Text1->setText(writeRound(dir, QStringLiteral("9"))); // a fresh round
        form->Command2_Click();
        form->takeBackPoint();
        form->takeBackPoint();
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
        QCOMPARE(form->Label3->text(), QStringLiteral("0"));
    }

    void ctrlZWorksInTheRoundNameBox()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QApplication::setActiveWindow(form);
        const QString base = writeRound(dir, QStringLiteral("8"));
        form->Text1->setFocus();
        QTest::keyClicks(form->Text1, base);
        QVERIFY(form->LoadError->text().isEmpty());
        form->Command1_Click();
        form->Command1_Click();

        QTest::keyClick(form->Text1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
        QCOMPARE(form->Text1->text(), base); // the text was not undone
        QVERIFY(form->LoadError->text().isEmpty());

        form->Option1->setFocus();
        QTest::keyClick(form->Option1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
        QCOMPARE(sound->beeps, 0);
    }

    void questionTextIsNeverMarkup()
    {
        form->Label1->setText(QStringLiteral("<b>жирный</b>"));
        QCOMPARE(form->Label1->textFormat(), Qt::PlainText);
    }
};

QTEST_MAIN(TestBoard)
#include "tst_board.moc"
