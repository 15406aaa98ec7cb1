#include "window/placement.h"

#include <algorithm>

namespace placement {

namespace {

QRect centredIn(const QRect &area, QSize size)
{
    size = size.boundedTo(area.size());
    return QRect(area.left() + (area.width() - size.width()) / 2,
                 area.top() + (area.height() - size.height()) / 2, size.width(), size.height());
}

int largestOther(const std::vector<QRect> &screens, int except)
{
    int best = -1;
    for (int i = 0; i < int(screens.size()); ++i) {
        if (i == except)
            continue;
        const auto area = [](const QRect &r) { return qint64(r.width()) * r.height(); };
        if (best < 0 || area(screens[i]) > area(screens[best]))
            best = i;
    }
    return best;
}

QRect beside(const QRect &screen, const QRect &mainFrame, QSize size)
{
    size = size.boundedTo(screen.size());
    int x;
    if (mainFrame.right() + 1 + size.width() <= screen.right() + 1)
        x = mainFrame.right() + 1;
    else if (mainFrame.left() - size.width() >= screen.left())
        x = mainFrame.left() - size.width();
    else
        x = screen.right() + 1 - size.width(); // no room on either side: over the main window's edge
    const int y = std::clamp(mainFrame.top(), screen.top(), screen.bottom() + 1 - size.height());
    return QRect(QPoint(x, y), size);
}

} // namespace

Plan planHostView(const std::vector<QRect> &screens, int hostSide, int mainScreen, const QRect &mainFrame,
                  bool mainIsFullScreen, const QSize &hostSize)
{
    Plan plan;
    if (screens.empty())
        return plan;
    const int last = int(screens.size()) - 1;
    hostSide = std::clamp(hostSide, 0, last);
    mainScreen = std::clamp(mainScreen, 0, last);
    plan.mainScreen = mainScreen;
    plan.mainFullScreen = mainIsFullScreen;
    if (screens.size() == 1) {
        plan.hostGeometry = beside(screens[0], mainFrame, hostSize);
        return plan;
    }
    plan.mainFullScreen = true;
    if (mainIsFullScreen) {
        plan.hostScreen = hostSide != mainScreen ? hostSide : largestOther(screens, mainScreen);
    } else {
        plan.hostScreen = hostSide;
        plan.mainScreen = mainScreen != hostSide ? mainScreen : largestOther(screens, hostSide);
    }
    plan.hostGeometry = centredIn(screens[plan.hostScreen], hostSize);
    return plan;
}

} // namespace placement
