// The host's keys, the full-screen showing and the host view, on a real
// Form1 on the offscreen platform.

#include "design/designtable.h"
#include "game/game.h"
#include "support/gamewindow.h"
#include "support/testfiles.h"
#include "window/form1.h"
#include "window/hostview.h"
#include "window/optionbutton.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestHostView : public QObject, protected GameUnderTest
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // A round whose question 3 is far longer than Label1 shows.
    void loadRound()
    {
        QByteArray questions = numberedLines(kQuestionCp1251);
        questions.replace(kQuestionCp1251 + "3\r\n", longQuestionBytes() + "\r\n");
        const QString base = dir.filePath(QStringLiteral("7"));
        mustWriteRound(base, questions, numberedLines(kAnswerCp1251));
        form->Text1->setText(base);
        QVERIFY2(form->LoadError->text().isEmpty(), qPrintable(form->LoadError->text()));
    }
    static QByteArray longQuestionBytes()
    {
        // "Вопрос " in Windows-1251, 60 times, then a mark at the end.
        return kQuestionCp1251.repeated(60) + "END";
    }
    const QString m_longQuestion = QStringLiteral("Вопрос ").repeated(60) + QStringLiteral("END");

    void press(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    static void sendKey(QWidget *target, int key, quint32 scanCode, Qt::KeyboardModifiers modifiers,
                        const QString &text, bool autoRepeat = false)
    {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, scanCode, 0, 0, text, autoRepeat);
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, scanCode, 0, 0, text, autoRepeat);
        QApplication::sendEvent(target, &up);
    }
    void showActive()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QApplication::setActiveWindow(form);
    }

private slots:
    void init()
    {
        start();
        loadRound();
        showActive();
    }
    void cleanup() { stop(); }

    // Names on the team buttons, whole in the buttons' design font made
    // smaller; typed in the host view, they reach the board; none: as designed.
    void teamNamesOnTheButtons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("smaller");
        QTest::newRow("short") << "Совы" << false;
        QTest::newRow("two long words: two lines") << "Тридевятое Царство-Государство" << false;
        QTest::newRow("one long word") << "Превысокомногорассмотрительствующий" << true;
    }
    void teamNamesOnTheButtons()
    {
        QFETCH(QString, name);
        QFETCH(bool, smaller);
        const double designed = form->Command1->font().pointSizeF();
        form->setTeamNames({name, QString()});
        const QString shown = form->Command1->text();
        QCOMPARE(QString(shown).replace(u'\n', u' '), name);
        QCOMPARE(form->Command2->text(), QStringLiteral("КОМАНДА 2"));
        QCOMPARE(form->Command1->font().pointSizeF() < designed, smaller);
        const QFontMetrics metrics(form->Command1->font());
        for (const QString &line : shown.split(u'\n'))
            QVERIFY2(metrics.horizontalAdvance(line) <= form->Command1->width(), qPrintable(line));

        press(form, Qt::Key_F12);
        HostView *host = showing->hostView();
        QVERIFY(host);
        QCOMPARE(host->teamButton(1)->toolTip(), name);
        host->nameEdit(2)->setText(QStringLiteral("  Ёжики "));
        emit host->nameEdit(2)->editingFinished();
        QCOMPARE(form->Command2->text(), QStringLiteral("Ёжики"));
        QCOMPARE(form->game().teamNames().second, QStringLiteral("Ёжики"));

        form->setTeamNames({});
        QCOMPARE(form->Command1->text(), QStringLiteral("КОМАНДА 1"));
        QCOMPARE(form->Command1->font().pointSizeF(), designed);
    }

    void pageDownRevealsOnlyOnceTheAnswerButtonShows()
    {
        form->Option3->click();
        press(form->Text1, Qt::Key_PageDown);
        QVERIFY(form->Label7->isHidden());
        runToStop();
        press(form->Text1, Qt::Key_PageDown);
        QVERIFY(!form->Label7->isHidden());
    }

    void pageUpTakesNothing()
    {
        form->Option3->click();
        form->Command1->click();
        form->Option4->click();
        press(form->Text1, Qt::Key_PageUp);
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
        QVERIFY(form->Option3->isHidden());
        QCOMPARE(form->Label1->text(), QStringLiteral("Вопрос 4"));
        QCOMPARE(form->Text1->text(), dir.filePath(QStringLiteral("7")));
    }

    void teamKeysGivePointsWithoutTypingInTheRoundBox()
    {
        form->Text1->setFocus();
        const QString round = form->Text1->text();
        press(form->Text1, Qt::Key_1, Qt::ControlModifier);
        press(form->Text1, Qt::Key_2, Qt::ControlModifier);
        press(form->Text1, Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
        QCOMPARE(form->Label3->text(), QStringLiteral(" 2"));
        QCOMPARE(form->Text1->text(), round);
        press(form->Text1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->Label3->text(), QStringLiteral(" 1"));
    }

    void blankingKeysLeaveTheRoundBoxAlone()
    {
        form->Text1->setFocus();
        press(form->Text1, Qt::Key_B);
        QVERIFY(!showing->isBlanked());
        QVERIFY(form->Text1->text().endsWith(QLatin1Char('b')));

        form->Option5->setFocus();
        press(form->Option5, Qt::Key_B);
        QVERIFY(showing->isBlanked());
        press(form->Option5, Qt::Key_Period);
        QVERIFY(!showing->isBlanked());
    }

    void aPickTakesTheFocusWhereNoKeyDoesHarm()
    {
        // After typing the round name the host picks: a clicker's B must
        // then blank the room, not change the round name (which would
        // reload the round and lose the score).
        form->Text1->setFocus();
        const QString round = form->Text1->text();
        form->Option3->click();
        press(QApplication::focusWidget(), Qt::Key_B);
        QVERIFY(showing->isBlanked());
        QCOMPARE(form->Text1->text(), round);

        // A hidden number must not hand the focus on to "КОМАНДА 1".
        for (int number : {9, 10, 11, 12}) {
            form->numberButton(number)->setFocus(Qt::TabFocusReason);
            press(form->numberButton(number), Qt::Key_Space);
        }
        press(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(form->Label2->text(), QStringLiteral("0"));
    }

    void fullScreenScalesAndLeavingRestoresTheDesign()
    {
        const QRect before = form->geometry();
        press(form, Qt::Key_F11);
        QTRY_VERIFY(form->isFullScreen());
        QTRY_VERIFY(form->layoutScale() != 1.0);
        const double s = design::fittingScale(form->size());
        QCOMPARE(form->layoutScale(), s);
        const QPoint origin = form->layoutOrigin();
        QCOMPARE(origin.x(), (form->width() - design::clientSize(s).width()) / 2);
        QCOMPARE(form->Label1->geometry(),
                 design::pixelRect(design::control("Label1"), s).translated(origin));
        QCOMPARE(form->Option12->font().pointSizeF(), 72 * s);

        press(form, Qt::Key_Escape);
        QTRY_VERIFY(!form->isFullScreen());
        QTRY_COMPARE(form->layoutScale(), 1.0);
        QCOMPARE(form->geometry(), before);
        QCOMPARE(form->Option7->geometry(), QRect(304, 136, 153, 135));
        QCOMPARE(form->Option12->font().pointSizeF(), 72.0);

        press(form, Qt::Key_F5);
        QTRY_VERIFY(form->isFullScreen());
        press(form, Qt::Key_F11);
        QTRY_VERIFY(!form->isFullScreen());
    }

    void resizingByHandMovesNothing()
    {
        form->resize(1200, 1000);
        QCOMPARE(form->layoutScale(), 1.0);
        QCOMPARE(form->Label7->geometry(), QRect(24, 664, 785, 113));
    }

    void hostViewShowsTheWholeQuestionAndTheAnswerAtThePick()
    {
        press(form, Qt::Key_F12);
        HostView *host = showing->hostView();
        QVERIFY(host);
        QVERIFY(host->isVisible());
        QCOMPARE(host->windowTitle(), QStringLiteral("Квизория — ведущий"));
        QVERIFY(!host->answerButton()->isEnabled());

        host->numberButton(3)->click(); // drives the board's own handler
        QCOMPARE(sound->beeps, 1);
        QVERIFY(form->Option3->isHidden());
        QVERIFY(!host->numberButton(3)->isEnabled());
        QCOMPARE(host->questionLabel()->text(), m_longQuestion);
        // One screen: the room may see this window too, so the answer waits.
        QVERIFY(!showing->hostViewShowsAnswers());
        QCOMPARE(host->answerLabel()->text(), QString());
        QVERIFY(host->answerStateLabel()->text().startsWith(QStringLiteral("Один экран")));
        QVERIFY(form->Label7->isHidden()); // the room still waits for "ОТВЕТ"
        QCOMPARE(host->countdownLabel()->text(), QStringLiteral(" 1"));

        runToStop();
        QCOMPARE(host->countdownLabel()->text(), QStringLiteral("STOP"));
        QVERIFY(host->answerButton()->isEnabled());
        host->answerButton()->click();
        QVERIFY(!form->Label7->isHidden());
        QCOMPARE(host->answerLabel()->text(), QStringLiteral("Ответ 3"));

        press(host, Qt::Key_2, Qt::ControlModifier); // the keys work in the host view too
        QCOMPARE(form->Label3->text(), QStringLiteral(" 1"));
        QCOMPARE(host->scoreLabel()->text(), QStringLiteral("0 : 1"));
        QVERIFY(host->questionLabel()->text().isEmpty());

        const QRect mainBefore = form->geometry();
        press(host, Qt::Key_F12);
        QTRY_VERIFY(!showing->hostView());
        QCOMPARE(form->geometry(), mainBefore);
        QVERIFY(form->isVisible());
    }

    void hostViewShowsTheRoundLoadedNotTheBox()
    {
        console->act(hostkeys::Action::HostView);
        HostView *host = showing->hostView();
        const QString loaded = form->Text1->text();
        form->Text1->setText(loaded + QStringLiteral("x"));
        QCOMPARE(host->roundLabel()->text(), QStringLiteral("Тур: %1").arg(loaded));
        QVERIFY(!form->LoadError->text().isEmpty());
        QVERIFY(host->findChild<QLabel *>(QStringLiteral("HostLoadError"))->text() ==
                form->LoadError->text());
    }

    // Physical keys as X11 or Wayland report them under the Russian layout:
    // the Qt key is the Cyrillic letter, the scan code the key's place.
    void keysActByTheirPlaceUnderARussianLayout_data()
    {
        QTest::addColumn<bool>("inBox");
        QTest::addColumn<int>("key");
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("blanks");
        QTest::addColumn<int>("pointsTakenBack");
        const int ctrl = int(Qt::ControlModifier);
        QTest::newRow("B (и) on the board") << false << 0x418 << 56u << 0 << "и" << true << 0;
        QTest::newRow(". (ю) on the board") << false << 0x42E << 60u << 0 << "ю" << true << 0;
        QTest::newRow("B (и) in the round box") << true << 0x418 << 56u << 0 << "и" << false << 0;
        QTest::newRow(". (ю) in the round box") << true << 0x42E << 60u << 0 << "ю" << false << 0;
        QTest::newRow("Ctrl+Z (я) on the board") << false << 0x42F << 52u << ctrl << "" << false << 1;
        QTest::newRow("Ctrl+Z (я) in the round box") << true << 0x42F << 52u << ctrl << "" << false << 1;
        // A Latin B key moved elsewhere by a layout is not the B key.
        QTest::newRow("a letter b on another key")
            << false << int(Qt::Key_B) << 57u << 0 << "b" << false << 0;
    }
    void keysActByTheirPlaceUnderARussianLayout()
    {
        QFETCH(bool, inBox);
        QFETCH(int, key);
        QFETCH(quint32, scanCode);
        QFETCH(int, modifiers);
        QFETCH(QString, typed);
        QFETCH(bool, blanks);
        QFETCH(int, pointsTakenBack);
        form->Command1->click();
        const QString round = form->Text1->text();
        QWidget *target = inBox ? static_cast<QWidget *>(form->Text1) : form->Option20;
        target->setFocus();
        sendKey(target, key, scanCode, Qt::KeyboardModifiers(modifiers), typed);
        QCOMPARE(showing->isBlanked(), blanks);
        QCOMPARE(form->Label2->text(), pointsTakenBack ? QStringLiteral("0") : QStringLiteral(" 1"));
        QCOMPARE(form->Text1->text(), inBox && modifiers == 0 ? round + typed : round);
    }

    void heldKeysActOnce()
    {
        form->Option20->setFocus();
        sendKey(form->Option20, 0x418, 56, {}, QStringLiteral("и"));
        for (int i = 0; i < 7; ++i)
            sendKey(form->Option20, 0x418, 56, {}, QStringLiteral("и"), true);
        QVERIFY(showing->isBlanked());
        sendKey(form->Option20, Qt::Key_F12, 96, {}, {});
        for (int i = 0; i < 6; ++i)
            sendKey(form->Option20, Qt::Key_F12, 96, {}, {}, true);
        QVERIFY(showing->hostView());

        // X11 repeats a held key as a release and a press of the same time,
        // which Qt does not always mark as a repeat.
        auto timed = [this](QEvent::Type type, ulong time) {
            QKeyEvent key(type, 0x42E, {}, 60, 0, 0, QStringLiteral("ю"));
            key.setTimestamp(time);
            QApplication::sendEvent(form->Option20, &key);
        };
        timed(QEvent::KeyPress, 1000);
        for (ulong t = 1500; t < 2000; t += 33) {
            timed(QEvent::KeyRelease, t);
            timed(QEvent::KeyPress, t);
        }
        timed(QEvent::KeyRelease, 2000);
        QVERIFY(!showing->isBlanked());
        timed(QEvent::KeyPress, 2100); // pressed again
        QVERIFY(showing->isBlanked());
    }

    void spaceAndArrowsChangeNothingUnlessTheHostTabbed()
    {
        // A mouse click on a team button leaves nothing for Space to press.
        form->Option3->click();
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
        QVERIFY(!form->Text1->hasFocus());
        for (int key : {Qt::Key_Space, Qt::Key_Down, Qt::Key_Up, Qt::Key_Space, Qt::Key_Return})
            press(QApplication::focusWidget(), key);
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));
        QCOMPARE(sound->beeps, 1);

        // Right is "ОТВЕТ" once it shows, and moves no focus frame.
        form->Option4->click();
        QWidget *focus = QApplication::focusWidget();
        press(focus, Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), focus);
        QVERIFY(form->Label7->isHidden());
        runToStop();
        press(focus, Qt::Key_Right);
        QVERIFY(!form->Label7->isHidden());
        press(focus, Qt::Key_Left);
        QCOMPARE(form->Label2->text(), QStringLiteral(" 1"));

        // In the round box the arrows move the cursor.
        form->Text1->setFocus();
        form->Text1->setCursorPosition(0);
        press(form->Text1, Qt::Key_Right);
        QCOMPARE(form->Text1->cursorPosition(), 1);

        // Tab is the host's deliberate choice: then Space presses.
        const int beeps = sound->beeps;
        press(form->Text1, Qt::Key_Backtab); // КОМАНДА 2
        QCOMPARE(QApplication::focusWidget(), form->Command2);
        press(form->Command2, Qt::Key_Space);
        QCOMPARE(form->Label3->text(), QStringLiteral(" 1"));
        QCOMPARE(sound->beeps, beeps);
    }

    void nothingAboutKeysOnTheMainWindow()
    {
        for (const QLabel *label : form->findChildren<QLabel *>())
            QVERIFY2(!label->text().contains(QStringLiteral("F11")), qPrintable(label->objectName()));
    }
};

QTEST_MAIN(TestHostView)
#include "tst_hostview.moc"
