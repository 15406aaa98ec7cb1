// Where the host view and the main window go when the host view opens.

#include "window/placement.h"

#include <QtTest>

using Screens = std::vector<QRect>;
Q_DECLARE_METATYPE(Screens)

class TestPlacement : public QObject
{
    Q_OBJECT

private slots:
    void plans_data()
    {
        QTest::addColumn<Screens>("screens");
        QTest::addColumn<int>("hostSide");
        QTest::addColumn<int>("mainOn");
        QTest::addColumn<QRect>("mainFrame");
        QTest::addColumn<bool>("mainIsFullScreen");
        QTest::addColumn<int>("hostScreen");
        QTest::addColumn<int>("mainScreen");
        QTest::addColumn<bool>("mainFullScreen");
        QTest::addColumn<QRect>("hostGeometry");

        const QRect laptop(0, 0, 1280, 800);
        const QRect projector(1280, 0, 1920, 1080);
        const QSize host(760, 640);
        QTest::newRow("one screen, room on the right")
            << Screens{QRect(0, 0, 1920, 1080)} << 0 << 0 << QRect(100, 50, 819, 734) << false << 0 << 0
            << false << QRect(QPoint(919, 50), host);
        QTest::newRow("one screen, room on the left only")
            << Screens{QRect(0, 0, 1920, 1080)} << 0 << 0 << QRect(1000, 50, 819, 734) << false << 0 << 0
            << false << QRect(QPoint(240, 50), host);
        QTest::newRow("one small screen: at its right edge")
            << Screens{laptop} << 0 << 0 << QRect(299, 93, 819, 734) << false << 0 << 0 << false
            << QRect(QPoint(520, 93), QSize(760, 640));
        QTest::newRow("two screens, main on the laptop: it moves to the projector")
            << Screens{laptop, projector} << 0 << 0 << QRect(299, 93, 819, 734) << false << 0 << 1 << true
            << QRect(QPoint(260, 80), host);
        QTest::newRow("two screens, main already on the projector: it stays")
            << Screens{laptop, projector} << 0 << 1 << QRect(1400, 10, 819, 734) << false << 0 << 1 << true
            << QRect(QPoint(260, 80), host);
        QTest::newRow("three screens: the largest other one")
            << Screens{laptop, QRect(3200, 0, 1024, 768), projector} << 0 << 0 << QRect(0, 0, 819, 734)
            << false << 0 << 2 << true << QRect(QPoint(260, 80), host);
    }
    void plans()
    {
        QFETCH(Screens, screens);
        QFETCH(int, hostSide);
        QFETCH(int, mainOn);
        QFETCH(QRect, mainFrame);
        QFETCH(bool, mainIsFullScreen);
        const placement::Plan plan =
            placement::planHostView(screens, hostSide, mainOn, mainFrame, mainIsFullScreen, QSize(760, 640));
        QTEST(plan.hostScreen, "hostScreen");
        QTEST(plan.mainScreen, "mainScreen");
        QTEST(plan.mainFullScreen, "mainFullScreen");
        QTEST(plan.hostGeometry, "hostGeometry");
        QVERIFY(screens[size_t(plan.hostScreen)].contains(plan.hostGeometry));
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
