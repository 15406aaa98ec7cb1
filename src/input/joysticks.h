#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

struct SDL_Thread;

// Joysticks and game controllers, read through SDL's joystick API on a
// thread of its own, whether or not a window of the program has the focus.
// They may be plugged in and out at any time. A button acts once when it
// goes down, however long it is held.
class JoystickWatch : public QObject
{
    Q_OBJECT

public:
    explicit JoystickWatch(QObject *parent = nullptr);
    ~JoystickWatch() override;

    // Why joysticks cannot be read (Russian); empty while they can.
    QString problem() const { return m_problem; }
    // "name (GUID)" of each joystick plugged in.
    QStringList connected() const;

    // Milliseconds on the clock presses are timed with (steady, as
    // buzzers::steadyMs()).
    static qint64 nowMs();

signals:
    // On this object's thread. at: when SDL read the press, nowMs()'s clock.
    void pressed(const QString &guid, int button, qint64 at);
    void devicesChanged();

private:
    struct Shared;
    static int run(void *data);

    std::shared_ptr<Shared> m_shared;
    SDL_Thread *m_thread = nullptr;
    QString m_problem;
};
