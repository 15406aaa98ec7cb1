#pragma once

#include <QKeySequence>
#include <QString>

#include <vector>

class Form1;
class QWidget;

// The host's keys, the same in the main window and in the host view, and
// wherever the focus is. None of them is a printable character except the
// blanking keys, which a clicker sends; those are left to the round-name box
// when it has the focus, so typing a round name never blanks the room.
namespace hostkeys {

// What the keys do, in the order the host view lists them.
enum class Action {
    FullScreen,      // F11: full screen on and off
    EnterFullScreen, // F5: as a clicker's slideshow button
    LeaveFullScreen, // Esc
    HostView,        // F12
    RevealAnswer,    // PageDown: "ОТВЕТ", when it is shown
    Previous,        // PageUp: deliberately nothing
    PointTeam1,
    PointTeam2,
    TakeBackPoint, // Ctrl+Z
    Blank,         // B or ".": the main window black and back
};

struct Binding
{
    Action action;
    std::vector<QKeySequence> keys;
    QString what;
};

const std::vector<Binding> &bindings();

// Makes every key work in window (the main window or the host view), acting
// on form.
void install(QWidget *window, Form1 *form);

// "F11", "B или ." — the keys of a binding as the host reads them.
QString keyNames(const Binding &binding);

} // namespace hostkeys
