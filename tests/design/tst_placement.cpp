// Where the board and the host view go, over the screens hosts have and
// every order of the keys that move windows.

#include "design/designtable.h"
#include "design/placement.h"

#include <QtTest>

using placement::Key;
using Areas = std::vector<QRect>;
Q_DECLARE_METATYPE(Areas)
Q_DECLARE_METATYPE(QMargins)

namespace {

const QRect kLaptop(0, 0, 1280, 800);
const QRect kProjector(1280, 0, 1920, 1080);
const QSize kHostSize(760, 640);

// The board's frame where the program first shows it on a screen.
QRect designedFrame(const QRect &area)
{
    return QRect(area.topLeft() + QPoint(0, 24), QSize(821, 760));
}

struct Walk
{
    placement::Wanted wanted;
    placement::Board board;
    placement::Plan plan;
};

// Presses keys in order, the board moving where each plan puts it.
Walk press(const placement::Screens &screens, int boardOn, const std::vector<Key> &keys)
{
    Walk walk;
    walk.board = {boardOn, designedFrame(screens.areas[size_t(boardOn)])};
    for (Key key : keys) {
        walk.wanted = placement::afterKey(walk.wanted, key, int(screens.areas.size()));
        walk.plan = placement::plan(screens, walk.wanted, walk.board, kHostSize);
        walk.board = {walk.plan.boardScreen, walk.plan.boardFrame};
    }
    return walk;
}

QString describe(const std::vector<Key> &keys)
{
    static const char *names[] = {"F11", "F5", "Esc", "F12"};
    QStringList out;
    for (Key key : keys)
        out << QLatin1String(names[int(key)]);
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestPlacement : public QObject
{
    Q_OBJECT

private slots:
    void neverAnAnswerOnTheRoomsScreenNorOverTheBoard_data()
    {
        QTest::addColumn<Areas>("areas");
        // Separate X screens each have their own origin.
        QTest::newRow("one laptop screen") << Areas{kLaptop};
        QTest::newRow("one 1366 screen") << Areas{QRect(0, 0, 1366, 768)};
        QTest::newRow("one 1920 screen") << Areas{QRect(0, 0, 1920, 1080)};
        QTest::newRow("one 1024 screen") << Areas{QRect(0, 0, 1024, 768)};
        QTest::newRow("two X screens") << Areas{kLaptop, QRect(0, 0, 1920, 1080)};
        QTest::newRow("two monitors") << Areas{kLaptop, kProjector};
        QTest::newRow("two monitors, projector first") << Areas{kProjector, kLaptop};
        QTest::newRow("three monitors") << Areas{kLaptop, kProjector, QRect(3200, 0, 1024, 768)};
    }
    void neverAnAnswerOnTheRoomsScreenNorOverTheBoard()
    {
        QFETCH(Areas, areas);
        const int n = int(areas.size());
        const Key keys[] = {Key::ToggleFullScreen, Key::EnterFullScreen, Key::LeaveFullScreen,
                            Key::ToggleHostView};
        // Every sequence of up to four keys, from every screen, with either
        // screen the host's.
        std::vector<std::vector<Key>> sequences = {{}};
        for (int length = 1; length <= 4; ++length) {
            const size_t from = sequences.size();
            for (size_t i = 0; i < from; ++i) {
                if (int(sequences[i].size()) != length - 1)
                    continue;
                for (Key key : keys) {
                    auto next = sequences[i];
                    next.push_back(key);
                    sequences.push_back(next);
                }
            }
        }
        for (int hostSide = 0; hostSide < n; ++hostSide) {
            for (int boardOn = 0; boardOn < n; ++boardOn) {
                for (const auto &sequence : sequences) {
                    const placement::Screens screens{areas, hostSide};
                    const placement::Plan p = press(screens, boardOn, sequence).plan;
                    const QString where = QStringLiteral("host side %1, board on %2, keys %3")
                                              .arg(hostSide)
                                              .arg(boardOn)
                                              .arg(describe(sequence));
                    if (!p.hostView)
                        continue;
                    QVERIFY2(areas[size_t(p.hostScreen)].contains(p.hostGeometry), qPrintable(where));
                    if (p.hostShowsAnswers)
                        QVERIFY2(p.hostScreen != p.boardScreen, qPrintable(where));
                    if (p.hostScreen == p.boardScreen) {
                        QVERIFY2(!p.boardFullScreen, qPrintable(where));
                        QVERIFY2(!p.hostGeometry.intersects(p.boardFrame), qPrintable(where));
                    }
                    if (n > 1) {
                        QVERIFY2(p.hostScreen == hostSide && p.hostShowsAnswers, qPrintable(where));
                    }
                }
            }
        }
    }

    void whereEachWindowEnds_data()
    {
        QTest::addColumn<Areas>("areas");
        QTest::addColumn<int>("boardOn");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("boardScreen");
        QTest::addColumn<bool>("boardFullScreen");
        QTest::addColumn<bool>("hostView");
        QTest::addColumn<QRect>("hostGeometry");

        const int f11 = int(Key::ToggleFullScreen), f5 = int(Key::EnterFullScreen),
                  esc = int(Key::LeaveFullScreen), f12 = int(Key::ToggleHostView);
        const Areas two{kLaptop, kProjector};
        const QRect centredOnLaptop(QPoint(260, 80), kHostSize);
        QTest::newRow("F12 first: board full screen on the projector")
            << two << 0 << QList<int>{f12} << 1 << true << true << centredOnLaptop;
        QTest::newRow("F5 then F12: the board leaves the laptop")
            << two << 0 << QList<int>{f5, f12} << 1 << true << true << centredOnLaptop;
        QTest::newRow("F12 then Esc: the board stays on the projector")
            << two << 0 << QList<int>{f12, esc} << 1 << false << true << centredOnLaptop;
        QTest::newRow("F12 twice: the board stays full screen")
            << two << 0 << QList<int>{f12, f12} << 1 << true << false << QRect();
        QTest::newRow("F11 alone: full screen where it is")
            << two << 0 << QList<int>{f11} << 0 << true << false << QRect();
        QTest::newRow("one screen, F12: beside the board")
            << Areas{QRect(0, 0, 1920, 1080)} << 0 << QList<int>{f12} << 0 << false << true
            << QRect(QPoint(821, 24), kHostSize);
        QTest::newRow("one 1280 screen, F12: the room that is left")
            << Areas{kLaptop} << 0 << QList<int>{f12} << 0 << false << true << QRect(821, 24, 459, 640);
        QTest::newRow("one screen, full screen, F12: full screen ends")
            << Areas{kLaptop} << 0 << QList<int>{f5, f12} << 0 << false << true << QRect(821, 24, 459, 640);
        QTest::newRow("one screen, host view open, F5: the board takes the screen")
            << Areas{kLaptop} << 0 << QList<int>{f12, f5} << 0 << true << false << QRect();
    }
    void whereEachWindowEnds()
    {
        QFETCH(Areas, areas);
        QFETCH(int, boardOn);
        QFETCH(QList<int>, keys);
        std::vector<Key> sequence;
        for (int key : keys)
            sequence.push_back(Key(key));
        const placement::Plan p = press({areas, 0}, boardOn, sequence).plan;
        QTEST(p.boardScreen, "boardScreen");
        QTEST(p.boardFullScreen, "boardFullScreen");
        QTEST(p.hostView, "hostView");
        if (p.hostView)
            QTEST(p.hostGeometry, "hostGeometry");
    }

    void theBoardOpensWhollyInsideTheScreen_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("expected"); // null: scaled down, anywhere inside
        const QMargins frame(1, 24, 1, 1);
        const QRect designed(QPoint(299, 93), design::clientSize());
        QTest::newRow("1280x1024: as designed") << QRect(0, 0, 1280, 1024) << frame << designed;
        QTest::newRow("1920x1080: as designed") << QRect(0, 0, 1920, 1080) << frame << designed;
        QTest::newRow("1366x768: moved up, its size kept")
            << QRect(0, 0, 1366, 768) << frame << QRect(QPoint(299, 768 - 1 - 734), design::clientSize());
        QTest::newRow("1024x768: moved up and left, its size kept")
            << QRect(0, 0, 1024, 768) << frame
            << QRect(QPoint(1024 - 1 - 819, 768 - 1 - 734), design::clientSize());
        QTest::newRow("1366x768 under a 32 px panel: scaled down")
            << QRect(0, 32, 1366, 736) << frame << QRect();
        QTest::newRow("1024x768 under a 48 px panel: scaled down")
            << QRect(0, 0, 1024, 720) << frame << QRect();
        QTest::newRow("1024x600: scaled down") << QRect(0, 0, 1024, 600) << frame << QRect();
        QTest::newRow("a projector right of the laptop: moved onto it")
            << QRect(1280, 0, 1920, 1080) << frame << QRect(QPoint(1281, 93), design::clientSize());
    }
    void theBoardOpensWhollyInsideTheScreen()
    {
        QFETCH(QRect, area);
        QFETCH(QMargins, frame);
        QFETCH(QRect, expected);
        const QRect designed(QPoint(299, 93), design::clientSize());
        const placement::Opening open = placement::opening(area, frame, designed);
        QVERIFY2(area.contains(open.client.marginsAdded(frame)),
                 "the board's frame is partly off the screen");
        if (expected.isNull()) {
            QVERIFY(open.scale < 1.0);
            QCOMPARE(open.client.size(), design::clientSize(open.scale));
            // As large as fits: one step larger would not.
            QVERIFY(design::clientSize(open.scale + 0.01).grownBy(frame).height() > area.height() ||
                    design::clientSize(open.scale + 0.01).grownBy(frame).width() > area.width());
        } else {
            QCOMPARE(open.scale, 1.0);
            QCOMPARE(open.client, expected);
        }
    }

    void screensChangedMidGame_data()
    {
        QTest::addColumn<Areas>("areas");
        QTest::addColumn<int>("hostSide");
        QTest::addColumn<int>("hostViewOn");
        QTest::addColumn<int>("boardOn");
        QTest::addColumn<QRect>("boardFrame");
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<int>("boardScreen");
        QTest::addColumn<bool>("boardFullScreen");
        QTest::addColumn<int>("hostScreen");
        QTest::addColumn<bool>("hostShowsAnswers");

        const QRect onProjector(1280 + 299, 69, 821, 759);
        const QRect dp1(0, 0, 1920, 1080), hdmi1(1920, 0, 1920, 1080);
        // The board was full screen on the projector, the host view on the
        // laptop; the projector's cable is pulled. Qt puts the board on the
        // screen that is left, and the host asked for nothing new.
        QTest::newRow("projector unplugged")
            << Areas{kLaptop} << 0 << 0 << 0 << onProjector << false << 0 << false << 0 << false;
        QTest::newRow("projector plugged back") << Areas{kLaptop, kProjector} << 0 << 0 << 0
                                                << QRect(0, 24, 821, 759) << true << 1 << true << 0 << true;
        // No panel-named output: the primary screen was the host's; it is
        // made the room's screen at the break.
        QTest::newRow("the room's screen made primary")
            << Areas{dp1, hdmi1} << 1 << 0 << 1 << QRect(1920 + 299, 69, 821, 759) << true << 1 << true << 0
            << true;
        QTest::newRow("the room's screen made primary, projector first")
            << Areas{hdmi1, dp1} << 0 << 1 << 0 << QRect(1920 + 299, 69, 821, 759) << true << 0 << true << 1
            << true;
        // The host view's screen is gone: the host's side takes it.
        QTest::newRow("the host view's screen removed")
            << Areas{kLaptop, kProjector} << 0 << -1 << 1 << onProjector << true << 1 << true << 0 << true;
        QTest::newRow("the laptop's panel made smaller")
            << Areas{QRect(0, 0, 1024, 768), kProjector} << 0 << 0 << 1 << onProjector << true << 1 << true
            << 0 << true;
    }
    void screensChangedMidGame()
    {
        QFETCH(Areas, areas);
        QFETCH(int, hostSide);
        QFETCH(int, hostViewOn);
        QFETCH(int, boardOn);
        QFETCH(QRect, boardFrame);
        QFETCH(bool, fullScreen);
        placement::Screens screens{areas, hostSide, hostViewOn};
        const placement::Plan p =
            placement::plan(screens, {fullScreen, true}, {boardOn, boardFrame}, kHostSize);
        QTEST(p.boardScreen, "boardScreen");
        QTEST(p.boardFullScreen, "boardFullScreen");
        QTEST(p.hostScreen, "hostScreen");
        QTEST(p.hostShowsAnswers, "hostShowsAnswers");
        QVERIFY(areas[size_t(p.boardScreen)].contains(p.boardFrame));
        QVERIFY(areas[size_t(p.hostScreen)].contains(p.hostGeometry));
        if (p.hostScreen == p.boardScreen)
            QVERIFY(!p.hostGeometry.intersects(p.boardFrame));
    }

    void aBoardPushedToTheEdgeMakesRoom()
    {
        // 1024 wide, the board in the middle: no side has room enough, so
        // the board goes to the left edge and the host view takes the rest.
        const placement::Screens screens{{QRect(0, 0, 1024, 768)}, 0};
        const placement::Plan p =
            placement::plan(screens, {false, true}, {0, QRect(100, 0, 821, 760)}, kHostSize);
        QCOMPARE(p.boardFrame.left(), 0);
        QCOMPARE(p.hostGeometry.left(), 821);
        QCOMPARE(p.hostGeometry.width(), 1024 - 821);
        QVERIFY(!p.hostShowsAnswers);
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
