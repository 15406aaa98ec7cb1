// A netbook's 1024x600 panel, smaller than the designed board: the board
// opens wholly on the screen, the design scaled down to fit, and comes back
// to that size after full screen.

#include "design/designtable.h"
#include "support/gamewindow.h"

#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

QRect answersFirstLine(const Form1 &form)
{
    const QRect label = form.Label7->geometry();
    return QRect(label.topLeft(), QSize(label.width(), form.Label7->fontMetrics().height()));
}

} // namespace

class TestSmallScreen : public QObject
{
    Q_OBJECT

private slots:
    void theBoardOpensScaledDownInsideTheScreen()
    {
        GameWindow game;
        Form1 &form = game.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect screen = form.screen()->availableGeometry();
        QCOMPARE(screen.size(), QSize(1024, 600));
        QVERIFY2(screen.contains(form.frameGeometry()), "the board is partly off the screen");
        const double scale = form.layoutScale();
        QVERIFY(scale < 1.0);
        QCOMPARE(form.size(), design::clientSize(scale));
        // The answer's first line and the scores are inside the window (the
        // answer's label reaches below the window by design).
        QVERIFY(form.rect().contains(answersFirstLine(form)));
        QVERIFY(form.rect().contains(form.Label3->geometry()));

        game.console.act(hostkeys::Action::FullScreen);
        QTRY_VERIFY(form.isFullScreen());
        QTRY_COMPARE(form.layoutScale(), design::fittingScale(QSize(1024, 600)));
        game.console.act(hostkeys::Action::FullScreen);
        QTRY_VERIFY(!form.isFullScreen());
        QTRY_COMPARE(form.layoutScale(), scale);
        QVERIFY(form.rect().contains(answersFirstLine(form)));
    }
};

QTEST_MAIN(TestSmallScreen)
#include "tst_smallscreen.moc"
