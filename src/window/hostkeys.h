#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QKeyEvent;
class QWidget;

// The host's keys, the same in the main window and in the host view, and
// wherever the focus is. A key acts by where it sits on the keyboard, not by
// the letter the active layout gives it: under a Russian layout the B key
// types «и» and "." types «ю», and a clicker's black-screen button sends that
// same key. The keys that type (B, ".", Left, Right) are left to the round-name
// box while it has the focus, so typing a round name never blanks the room.
namespace hostkeys {

// What the keys do, in the order the host view lists them.
enum class Action {
    FullScreen,      // F11: full screen on and off
    EnterFullScreen, // F5: as a clicker's slideshow button
    LeaveFullScreen, // Esc
    HostView,        // F12
    RevealAnswer,    // PageDown or Right: "ОТВЕТ", when it is shown
    Previous,        // PageUp or Left: deliberately nothing
    PointTeam1,      // Ctrl+1
    PointTeam2,      // Ctrl+2
    TakeBackPoint,   // Ctrl+Z
    Blank,           // B or ".": the main window black and back
    Resume,          // Ctrl+R: the game a close or a crash interrupted
    ReopenBuzzing,   // Ctrl+N: the team that buzzed was wrong, the other may
};

// One key: the Qt key it gives on a Latin layout, with its modifiers, and
// its place on the keyboard as a Linux input code (X11 and Wayland report
// the key's place as that code + 8).
struct Key
{
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint32 evdevCode;
};

struct Binding
{
    Action action;
    std::vector<Key> keys;
    QString what;
    bool typesInTextBox = false; // left to the round-name box while it has the focus
};

const std::vector<Binding> &bindings();

// The binding a key press is for, or nullptr: by the key's place when the
// platform reports it, else by the Qt key.
const Binding *match(const QKeyEvent &event);

// "F11", "B или ." — the keys of a binding as the host reads them.
QString keyNames(const Binding &binding);

// Makes the keys act in the windows it watches. It also keeps the keyboard
// from changing the game by accident: held keys act once; Space and Enter
// press only a button the host reached with Tab; arrows never move the focus
// across the board.
class KeyRouter : public QObject
{
    Q_OBJECT

public:
    using Act = std::function<void(Action)>;
    explicit KeyRouter(Act act, QObject *parent = nullptr);
    ~KeyRouter() override;

    void watch(QWidget *window);

    // Whether widget has the focus because the host moved it there with Tab.
    static bool hasTabFocus(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isWatched(const QWidget *widget) const;
    bool handleKey(QWidget *receiver, QKeyEvent *key);
    void noteRelease(const QKeyEvent &key);
    bool isRepeat(const QKeyEvent &press) const;

    struct Release
    {
        quint32 scanCode = 0;
        int key = 0;
        quint64 timestamp = 0;
    };
    Release m_lastRelease;

    Act m_act;
    std::vector<QPointer<QWidget>> m_windows;
};

} // namespace hostkeys
