// The showing on a laptop with a projector (two offscreen screens, the
// projector first, so the laptop's panel is told by its name): where the
// windows go, and the ways back from full screen.

#include "support/gamewindow.h"
#include "support/testfiles.h"
#include "window/hostview.h"
#include "window/optionbutton.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestShowing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<GameWindow> game;
    QScreen *laptop = nullptr;
    QScreen *projector = nullptr;

    void act(hostkeys::Action action) { game->console.act(action); }

private slots:
    void initTestCase()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        projector = screens[0];
        laptop = screens[1];
        QCOMPARE(laptop->name(), QStringLiteral("eDP-1"));
    }
    void init()
    {
        game = std::make_unique<GameWindow>();
        game->form.setGeometry(QRect(QPoint(40, 60), game->form.size()));
        game->form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&game->form));
    }
    void cleanup() { game.reset(); }

    void theHostViewGoesOnThePanelAndTheBoardFullScreenOnTheProjector_data()
    {
        QTest::addColumn<QList<int>>("keys");
        using A = hostkeys::Action;
        QTest::newRow("F12") << QList<int>{int(A::HostView)};
        QTest::newRow("F5, then F12") << QList<int>{int(A::EnterFullScreen), int(A::HostView)};
        QTest::newRow("F11, then F12") << QList<int>{int(A::FullScreen), int(A::HostView)};
        QTest::newRow("F12, then F11 twice")
            << QList<int>{int(A::HostView), int(A::FullScreen), int(A::FullScreen)};
    }
    void theHostViewGoesOnThePanelAndTheBoardFullScreenOnTheProjector()
    {
        QFETCH(QList<int>, keys);
        for (int key : keys)
            act(hostkeys::Action(key));
        Form1 &form = game->form;
        HostView *host = game->showing.hostView();
        QVERIFY(host);
        QTRY_VERIFY(form.isFullScreen());
        QCOMPARE(form.screen(), projector);
        QTRY_COMPARE(form.geometry(), projector->geometry());
        QCOMPARE(host->screen(), laptop);
        QVERIFY(laptop->geometry().contains(host->geometry()));
        QVERIFY(game->showing.hostViewShowsAnswers());

        // The answer at the pick, for the host only.
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("7"));
        mustWriteRound(base, numberedLines(kQuestionCp1251), numberedLines(kAnswerCp1251));
        form.Text1->setText(base);
        form.Option3->click();
        QCOMPARE(host->answerLabel()->text(), QStringLiteral("Ответ 3"));
        QVERIFY(form.Label7->isHidden());
    }

    void leavingFullScreenRestoresAMaximisedBoard()
    {
        Form1 &form = game->form;
        form.showMaximized();
        QTRY_VERIFY(form.isMaximized());
        act(hostkeys::Action::EnterFullScreen);
        QTRY_VERIFY(form.isFullScreen());
        act(hostkeys::Action::LeaveFullScreen);
        QTRY_VERIFY(!form.isFullScreen());
        QTRY_VERIFY(form.isMaximized());
        QCOMPARE(form.layoutScale(), 1.0);
    }

    void closingTheBoardClosesTheHostView()
    {
        act(hostkeys::Action::HostView);
        QPointer<HostView> host = game->showing.hostView();
        QVERIFY(host);
        game->form.close();
        QTRY_VERIFY(!host);
    }
};

QTEST_MAIN(TestShowing)
#include "tst_showing.moc"
