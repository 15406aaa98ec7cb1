#pragma once

#include "buzzers/bindings.h"

#include <QObject>
#include <QString>

#include <set>
#include <vector>

class JoystickWatch;
class QKeyEvent;

// The teams' buzzers as they are pressed: bound keys by their place on the
// keyboard, in any of the program's windows, and bound joystick buttons
// wherever the focus is. Each press comes with its time on one clock
// (JoystickWatch::nowMs()), taken from the device's own event time. A held
// key acts once. Without a binding nothing is read or changed.
class BuzzerInput : public QObject
{
    Q_OBJECT

public:
    // Reads the bindings from path (buzzers::configPath() by default).
    explicit BuzzerInput(QString path = buzzers::configPath(), QObject *parent = nullptr);
    ~BuzzerInput() override;

    const std::vector<buzzers::Binding> &bindings() const { return m_bindings; }
    // Why the file or the joysticks cannot be read, for the host view.
    QStringList problems() const;
    QStringList joysticks() const;

    // The next press of a button that is not a host key becomes one of
    // team's buzzers, and the file is written; 0 stops waiting.
    void learn(int team);
    int learning() const { return m_learning; }
    // Team's buttons all unbound.
    void forget(int team);

    // Whether a host key sits at this place on the keyboard.
    static bool isHostKey(quint32 evdevCode);

signals:
    // A bound button: team 1 or 2, at its time.
    void pressed(int team, qint64 at);
    // Any button, bound or not, for the host view's test line.
    void seen(const QString &button, int team);
    void bindingsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void take(const buzzers::Binding &button, qint64 at);
    qint64 keyTime(const QKeyEvent &key);
    void save();

    QString m_path;
    std::vector<buzzers::Binding> m_bindings;
    QStringList m_problems;
    JoystickWatch *m_joysticks = nullptr;
    std::set<quint32> m_held;    // keys down, until released
    qint64 m_keyClockOffset = 0; // nowMs() - X time, least seen
    bool m_keyClockKnown = false;
    int m_learning = 0;
};
