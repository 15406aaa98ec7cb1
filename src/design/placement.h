#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <vector>

// Where the board and the host view go, whatever the screens and whatever
// was pressed first: pure arithmetic on the screens' available rectangles,
// checked without screens.
//
// The host's screen is a laptop's own panel where it can be told, else the
// primary screen. With two or more screens the room looks at another one:
// while the host view is open it is on the host's screen and the board on
// another (the one it is on, else the largest), full screen unless the host
// left it; the host view then shows answers before the room does. With one
// screen the room may see all of it (a mirrored projector, a TV): full screen
// and the host view take turns, the host view opens beside the board without
// covering it, and it never shows an answer before the room sees it.
namespace placement {

// The keys that move windows.
enum class Key { ToggleFullScreen, EnterFullScreen, LeaveFullScreen, ToggleHostView };

// What the host asked for.
struct Wanted
{
    bool fullScreen = false;
    bool hostView = false;
};

// Wanted after a key, on screenCount screens.
Wanted afterKey(Wanted wanted, Key key, int screenCount);

struct Screens
{
    std::vector<QRect> areas; // each screen's available rectangle
    int hostSide = 0;         // the host's screen
    // The screen the open host view is on, -1 if none. Where it is not the
    // board's, it stays the host's screen whatever the screens did since (a
    // primary screen changed at the break does not swap the windows).
    int hostViewOn = -1;
};

// Where the board is now: its screen and its frame when not full screen.
struct Board
{
    int screen = 0;
    QRect frame;
};

struct Plan
{
    int boardScreen = 0;
    bool boardFullScreen = false;
    QRect boardFrame; // where the board's frame goes when not full screen
    bool hostView = false;
    int hostScreen = 0;
    QRect hostGeometry;
    bool hostShowsAnswers = false; // the room cannot see the host view
};

// hostSize: the host view's preferred frame size; it takes less where that
// is all the room left beside the board.
Plan plan(const Screens &screens, const Wanted &wanted, const Board &board, QSize hostSize);

// Where the board's window opens on a screen: its client rectangle and the
// scale of the design in it.
struct Opening
{
    QRect client;
    double scale = 1.0;
};

// Where a board meant to open at client (the designed place and size, in
// the desktop's coordinates) goes on a screen with available area area:
// there where its whole frame fits; else moved inside it; where even its
// size does not fit, the design scaled down to fit, as full screen scales it
// up. frame is the window manager's frame around the client area.
Opening opening(const QRect &area, const QMargins &frame, const QRect &client);

// A frame moved, not resized, to lie wholly inside area (its top-left kept
// inside where it is larger).
QRect keptInside(const QRect &frame, const QRect &area);

// The narrowest host view that still reads.
constexpr int kMinHostWidth = 320;

} // namespace placement
