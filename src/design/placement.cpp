#include "design/placement.h"

#include "design/designtable.h"

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

// The frame moved onto another screen at the same offset, kept inside it.
QRect carriedTo(const QRect &frame, const QRect &from, const QRect &to)
{
    return keptInside(frame.translated(to.topLeft() - from.topLeft()), to);
}

// The host view beside the board on one screen, never over it: on the side
// with room for all of it, else on the side with more room, smaller; with
// too little room on both sides the board moves to the left edge first.
void besideTheBoard(const QRect &area, QSize size, Plan &plan)
{
    size = size.boundedTo(area.size());
    QRect &board = plan.boardFrame;
    auto roomRight = [&] { return area.right() - board.right(); };
    auto roomLeft = [&] { return board.left() - area.left(); };
    if (std::max(roomRight(), roomLeft()) < std::min(size.width(), kMinHostWidth))
        board.moveLeft(area.left());
    int x;
    int width = size.width();
    if (roomRight() >= width || roomRight() >= roomLeft()) {
        width = std::min(width, std::max(roomRight(), 1));
        x = board.right() + 1;
    } else {
        width = std::min(width, roomLeft());
        x = board.left() - width;
    }
    const int y = std::clamp(board.top(), area.top(), area.bottom() + 1 - size.height());
    plan.hostGeometry = QRect(x, y, width, size.height());
}

} // namespace

QRect keptInside(const QRect &frame, const QRect &area)
{
    QRect moved = frame;
    moved.moveLeft(
        std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
    moved.moveTop(
        std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
    return moved;
}

Opening opening(const QRect &area, const QMargins &frame, const QRect &client)
{
    Opening open;
    const QSize room = area.size().shrunkBy(frame);
    QSize size = client.size();
    if (size.width() > room.width() || size.height() > room.height()) {
        open.scale = std::min(1.0, design::fittingScale(room));
        size = design::clientSize(open.scale).boundedTo(room); // rounding never pushes it out
    }
    open.client = keptInside(QRect(client.topLeft(), size).marginsAdded(frame), area).marginsRemoved(frame);
    return open;
}

Wanted afterKey(Wanted wanted, Key key, int screenCount)
{
    const bool oneScreen = screenCount < 2;
    switch (key) {
    case Key::ToggleFullScreen:
        wanted.fullScreen = !wanted.fullScreen;
        break;
    case Key::EnterFullScreen:
        wanted.fullScreen = true;
        break;
    case Key::LeaveFullScreen:
        wanted.fullScreen = false;
        break;
    case Key::ToggleHostView:
        wanted.hostView = !wanted.hostView;
        if (wanted.hostView)
            wanted.fullScreen = !oneScreen; // one screen: the board leaves full screen to make room
        return wanted;
    }
    if (oneScreen && wanted.fullScreen)
        wanted.hostView = false; // the room would see it: the board takes the screen
    return wanted;
}

Plan plan(const Screens &screens, const Wanted &wanted, const Board &board, QSize hostSize)
{
    Plan plan;
    plan.boardFrame = board.frame;
    plan.boardFullScreen = wanted.fullScreen;
    plan.hostView = wanted.hostView;
    const std::vector<QRect> &areas = screens.areas;
    if (areas.empty())
        return plan;
    const int last = int(areas.size()) - 1;
    const int hostSide = std::clamp(screens.hostSide, 0, last);
    plan.boardScreen = std::clamp(board.screen, 0, last);
    if (!plan.boardFullScreen)
        plan.boardFrame = keptInside(board.frame, areas[size_t(plan.boardScreen)]);
    if (!wanted.hostView)
        return plan;

    if (areas.size() == 1) {
        plan.boardFullScreen = false;
        plan.hostScreen = 0;
        besideTheBoard(areas[0], hostSize, plan);
        return plan;
    }
    const bool hostViewStays =
        screens.hostViewOn >= 0 && screens.hostViewOn <= last && screens.hostViewOn != plan.boardScreen;
    const int hostScreen = hostViewStays ? screens.hostViewOn : hostSide;
    plan.hostScreen = hostScreen;
    plan.hostShowsAnswers = true;
    plan.hostGeometry = centredIn(areas[size_t(hostScreen)], hostSize);
    if (plan.boardScreen == hostScreen) {
        const int room = largestOther(areas, hostScreen);
        plan.boardFrame = carriedTo(board.frame, areas[size_t(hostScreen)], areas[size_t(room)]);
        plan.boardScreen = room;
    }
    return plan;
}

} // namespace placement
