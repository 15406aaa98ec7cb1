#pragma once

#include <QRect>
#include <QSize>

#include <vector>

// Where the host view and the main window go when the host view opens: pure
// arithmetic on the screens' available rectangles, so that it can be checked
// without screens.
namespace placement {

struct Plan
{
    int hostScreen = 0;          // index into the screens given
    QRect hostGeometry;          // the host view's frame
    int mainScreen = 0;          // the main window's screen
    bool mainFullScreen = false; // whether the main window goes full screen
};

// screens: the available rectangle of each screen; primaryScreen: the
// desktop's primary screen, a laptop's own in an extended desktop;
// mainScreen: the screen the main window is on; mainFrame: its frame there.
//
// With two or more screens the host view goes on the primary screen, which
// faces the host, and the main window full screen on another: the one it is
// on already if that is not the primary, otherwise the largest other one
// (the projector). With one screen the host view opens beside the main
// window, on whichever side has room, and the main window stays as it is.
Plan planHostView(const std::vector<QRect> &screens, int primaryScreen, int mainScreen,
                  const QRect &mainFrame, const QSize &hostSize);

} // namespace placement
