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

// screens: the available rectangle of each screen; hostSide: the screen
// that faces the host (a laptop's own panel, else the desktop's primary
// screen); mainScreen: the screen the main window is on, mainFrame its frame
// there, mainIsFullScreen whether it already fills that screen.
//
// With two or more screens a main window already full screen is taken to be
// where the room looks: it stays, and the host view goes on the host's
// screen, or the largest other one if that is the same. Otherwise the host
// view goes on the host's screen and the main window full screen on another:
// the one it is on if that is not the host's, else the largest other one
// (the projector). With one screen the host view opens beside the main
// window, on whichever side has room, and the main window stays as it is.
Plan planHostView(const std::vector<QRect> &screens, int hostSide, int mainScreen, const QRect &mainFrame,
                  bool mainIsFullScreen, const QSize &hostSize);

} // namespace placement
