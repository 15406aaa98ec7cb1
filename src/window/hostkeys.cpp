#include "window/hostkeys.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QWidget>

namespace hostkeys {

namespace {

// Linux input codes of the keys' places (linux/input-event-codes.h).
enum : quint32 {
    kEsc = 1,
    kDigit1 = 2,
    kDigit2 = 3,
    kR = 19,
    kZ = 44,
    kB = 48,
    kN = 49,
    kDot = 52,
    kF5 = 63,
    kF11 = 87,
    kF12 = 88,
    kPageUp = 104,
    kLeft = 105,
    kRight = 106,
    kPageDown = 109,
};

// X11 and Wayland both give the input code + 8 as the native scan code.
constexpr quint32 kNativeOffset = 8;

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kCompared =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

const char *const kTabFocusProperty = "kvizorTabFocus";

bool isTextBox(const QObject *widget)
{
    return qobject_cast<const QLineEdit *>(widget) != nullptr;
}

// Keys that press or move between buttons: harmless only where the host put
// the focus on purpose.
bool pressesOrMoves(int key)
{
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return false;
    }
}

} // namespace

const std::vector<Binding> &bindings()
{
    static const std::vector<Binding> list = {
        {Action::FullScreen, {{Qt::Key_F11, kNone, kF11}}, QStringLiteral("во весь экран и обратно")},
        {Action::EnterFullScreen,
         {{Qt::Key_F5, kNone, kF5}},
         QStringLiteral("во весь экран (кнопка показа на пульте)")},
        {Action::LeaveFullScreen,
         {{Qt::Key_Escape, kNone, kEsc}},
         QStringLiteral("выйти из полноэкранного показа")},
        {Action::HostView, {{Qt::Key_F12, kNone, kF12}}, QStringLiteral("открыть и закрыть окно ведущего")},
        {Action::RevealAnswer,
         {{Qt::Key_PageDown, kNone, kPageDown}, {Qt::Key_Right, kNone, kRight}},
         QStringLiteral("«ОТВЕТ» — показать ответ, когда кнопка видна (→ — не в поле тура)"),
         true},
        {Action::Previous,
         {{Qt::Key_PageUp, kNone, kPageUp}, {Qt::Key_Left, kNone, kLeft}},
         QStringLiteral("ничего (кнопка «назад» пульта ничего не отнимает)"),
         true},
        {Action::PointTeam1,
         {{Qt::Key_1, kCtrl, kDigit1}},
         QStringLiteral("«КОМАНДА 1» — очко первой команде")},
        {Action::PointTeam2,
         {{Qt::Key_2, kCtrl, kDigit2}},
         QStringLiteral("«КОМАНДА 2» — очко второй команде")},
        {Action::TakeBackPoint, {{Qt::Key_Z, kCtrl, kZ}}, QStringLiteral("отменить последнее очко")},
        {Action::Blank,
         {{Qt::Key_B, kNone, kB}, {Qt::Key_Period, kNone, kDot}},
         QStringLiteral("затемнить зал и вернуть (не в поле тура)"),
         true},
        {Action::Resume,
         {{Qt::Key_R, kCtrl, kR}},
         QStringLiteral("продолжить прерванную игру, если она есть")},
        {Action::ReopenBuzzing,
         {{Qt::Key_N, kCtrl, kN}},
         QStringLiteral("ответ нажавшей команды неверен: кнопка у другой команды")},
    };
    return list;
}

const Binding *match(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & kCompared;
    const quint32 place = event.nativeScanCode();
    for (const Binding &binding : bindings()) {
        for (const Key &key : binding.keys) {
            if (key.modifiers != modifiers)
                continue;
            // PageUp, PageDown and the arrows give the same code on the
            // keypad with Num Lock off; their Qt key is the same anyway.
            const bool samePlace = place != 0 && place == key.evdevCode + kNativeOffset;
            const bool sameKey = place == 0 && event.key() == key.qtKey;
            if (samePlace || sameKey)
                return &binding;
        }
    }
    return nullptr;
}

QString keyNames(const Binding &binding)
{
    QStringList names;
    for (const Key &key : binding.keys)
        names << QKeySequence(key.qtKey | int(key.modifiers)).toString(QKeySequence::NativeText);
    return names.join(QStringLiteral(" или "));
}

KeyRouter::KeyRouter(Act act, QObject *parent) : QObject(parent), m_act(std::move(act))
{
    // Before any widget: the round-name box would take Ctrl+Z as undoing its
    // text, a button Space as a press.
    qApp->installEventFilter(this);
}

KeyRouter::~KeyRouter()
{
    qApp->removeEventFilter(this);
}

void KeyRouter::watch(QWidget *window)
{
    m_windows.emplace_back(window);
}

bool KeyRouter::hasTabFocus(const QWidget *widget)
{
    return widget->hasFocus() && widget->property(kTabFocusProperty).toBool();
}

bool KeyRouter::isWatched(const QWidget *widget) const
{
    const QWidget *window = widget->window();
    for (const QPointer<QWidget> &w : m_windows) {
        if (w == window)
            return true;
    }
    return false;
}

bool KeyRouter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::FocusIn &&
        type != QEvent::FocusOut)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || !isWatched(widget))
        return false;
    if (type == QEvent::KeyRelease) {
        noteRelease(*static_cast<QKeyEvent *>(event));
        return false;
    }
    if (type == QEvent::KeyPress)
        return handleKey(widget, static_cast<QKeyEvent *>(event));
    // The host's Tab choice outlives a trip to the other window or a menu.
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    const bool byTab =
        type == QEvent::FocusIn && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason);
    widget->setProperty(kTabFocusProperty, byTab);
    return false;
}

// X11 repeats a held key as a release and a press with the same time, and
// Qt marks only some of those presses as repeats.
void KeyRouter::noteRelease(const QKeyEvent &key)
{
    if (key.timestamp() != 0)
        m_lastRelease = {key.nativeScanCode(), key.key(), key.timestamp()};
}

bool KeyRouter::isRepeat(const QKeyEvent &press) const
{
    if (press.isAutoRepeat())
        return true;
    return press.timestamp() != 0 && press.timestamp() == m_lastRelease.timestamp &&
           press.nativeScanCode() == m_lastRelease.scanCode && press.key() == m_lastRelease.key;
}

bool KeyRouter::handleKey(QWidget *receiver, QKeyEvent *key)
{
    const bool inTextBox = isTextBox(receiver);
    if (const Binding *binding = match(*key)) {
        if (!(inTextBox && binding->typesInTextBox)) {
            // A held key acts once: a held B must not flicker the room.
            if (!isRepeat(*key))
                m_act(binding->action);
            return true;
        }
        return false;
    }
    if (!inTextBox && pressesOrMoves(key->key()) && !hasTabFocus(receiver))
        return true; // a clicker's Space or arrow changes nothing
    return false;
}

} // namespace hostkeys
