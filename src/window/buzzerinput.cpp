#include "window/buzzerinput.h"

#include "input/joysticks.h"
#include "window/hostkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace {

// X11 and Wayland give a key's Linux input code + 8 as its native scan code.
constexpr quint32 kNativeOffset = 8;

} // namespace

BuzzerInput::BuzzerInput(QString path, QObject *parent) : QObject(parent), m_path(std::move(path))
{
    const Outcome<buzzers::Parsed> read = buzzers::read(m_path, &BuzzerInput::isHostKey);
    if (!read) {
        m_problems << read.error;
    } else {
        m_bindings = read.value->bindings;
        m_problems << read.value->problems;
    }
    qApp->installEventFilter(this);
    // Now, before the sound's SDL thread starts: SDL cannot start two parts
    // of itself from two threads at once.
    learn(0);
}

BuzzerInput::~BuzzerInput() = default;

bool BuzzerInput::isHostKey(quint32 evdevCode)
{
    for (const hostkeys::Binding &binding : hostkeys::bindings())
        for (const hostkeys::Key &key : binding.keys)
            if (key.evdevCode == evdevCode && key.modifiers == Qt::NoModifier)
                return true;
    return false;
}

QStringList BuzzerInput::problems() const
{
    QStringList all = m_problems;
    if (m_joysticks && !m_joysticks->problem().isEmpty())
        all << m_joysticks->problem();
    return all;
}

QStringList BuzzerInput::joysticks() const
{
    return m_joysticks ? m_joysticks->connected() : QStringList();
}

void BuzzerInput::learn(int team)
{
    m_learning = team;
    if (!m_joysticks) {
        m_joysticks = new JoystickWatch(this);
        connect(m_joysticks, &JoystickWatch::pressed, this,
                [this](const QString &guid, int button, qint64 at) {
                    buzzers::Binding b;
                    b.kind = buzzers::Binding::Kind::JoystickButton;
                    b.guid = guid;
                    b.button = button;
                    take(b, at);
                });
        connect(m_joysticks, &JoystickWatch::devicesChanged, this, &BuzzerInput::bindingsChanged);
    }
}

void BuzzerInput::forget(int team)
{
    m_bindings.erase(std::remove_if(m_bindings.begin(), m_bindings.end(),
                                    [team](const buzzers::Binding &b) { return b.team == team; }),
                     m_bindings.end());
    save();
}

void BuzzerInput::save()
{
    if (Done written = buzzers::write(m_path, m_bindings); !written)
        m_problems << written.error;
    emit bindingsChanged();
}

// An X event's time is the server's milliseconds: the same steady clock on
// this machine, but its zero is its own. The least difference seen is the
// offset (a press is never read before it happened).
qint64 BuzzerInput::keyTime(const QKeyEvent &key)
{
    const qint64 now = JoystickWatch::nowMs();
    const auto stamp = qint64(key.timestamp());
    if (stamp == 0)
        return now;
    const qint64 offset = now - stamp;
    if (!m_keyClockKnown || offset < m_keyClockOffset) {
        m_keyClockOffset = offset;
        m_keyClockKnown = true;
    }
    return stamp + m_keyClockOffset;
}

bool BuzzerInput::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    if (m_bindings.empty() && m_learning == 0)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->nativeScanCode() <= kNativeOffset)
        return false;
    const quint32 place = key->nativeScanCode() - kNativeOffset;
    if (event->type() == QEvent::KeyRelease) {
        if (!key->isAutoRepeat())
            m_held.erase(place);
        return false;
    }
    // A key typed into a text box is text: a round name may have a Q in it.
    if (qobject_cast<QLineEdit *>(watched) ||
        key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key->isAutoRepeat() || !m_held.insert(place).second)
        return m_learning == 0 &&
               std::any_of(m_bindings.begin(), m_bindings.end(), [place](const buzzers::Binding &b) {
                   return b.kind == buzzers::Binding::Kind::Key && b.evdevCode == place;
               });
    if (isHostKey(place) || buzzers::keyName(place).isEmpty())
        return false;
    buzzers::Binding b;
    b.evdevCode = place;
    const qint64 at = keyTime(*key);
    const size_t before = m_bindings.size();
    const bool bound = std::any_of(m_bindings.begin(), m_bindings.end(),
                                   [&b](const buzzers::Binding &known) { return known.sameButton(b); });
    take(b, at);
    return bound || m_bindings.size() != before; // a buzzer's key does nothing else
}

void BuzzerInput::take(const buzzers::Binding &button, qint64 at)
{
    if (m_learning != 0) {
        m_bindings.erase(
            std::remove_if(m_bindings.begin(), m_bindings.end(),
                           [&button](const buzzers::Binding &b) { return b.sameButton(button); }),
            m_bindings.end());
        buzzers::Binding bound = button;
        bound.team = m_learning;
        m_bindings.push_back(bound);
        m_learning = 0;
        save();
        emit seen(buzzers::describe(bound), bound.team);
        return;
    }
    for (const buzzers::Binding &b : m_bindings) {
        if (b.sameButton(button)) {
            emit seen(buzzers::describe(b), b.team);
            emit pressed(b.team, at);
            return;
        }
    }
    emit seen(buzzers::describe(button), 0);
}
