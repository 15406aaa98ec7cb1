#include "input/joysticks.h"

#include <QMetaObject>
#include <QPointer>

#include <SDL.h>

#include <chrono>
#include <map>
#include <mutex>

struct JoystickWatch::Shared
{
    std::atomic<bool> quit{false};
    QPointer<JoystickWatch> owner;
    qint64 ticksToSteady = 0; // nowMs() - SDL_GetTicks64()
    std::mutex mutex;
    std::map<SDL_JoystickID, std::pair<SDL_Joystick *, QString>> open; // the thread's; names under mutex
};

namespace {

QString guidOf(SDL_Joystick *joystick)
{
    char text[33] = {};
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick), text, sizeof text);
    return QString::fromLatin1(text).toLower();
}

} // namespace

qint64 JoystickWatch::nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

JoystickWatch::JoystickWatch(QObject *parent) : QObject(parent), m_shared(std::make_shared<Shared>())
{
    // Presses count while another window has the focus: the host's.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // SDL's events would otherwise catch SIGINT and SIGTERM and wait for an
    // SDL_QUIT nobody reads; the program must stop at once on them.
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    // On this thread, before the sound's SDL thread starts: SDL's start is
    // not safe from two threads at once.
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        m_problem = QStringLiteral("джойстики не читаются: %1").arg(QString::fromUtf8(SDL_GetError()));
        return;
    }
    m_shared->owner = this;
    m_shared->ticksToSteady = nowMs() - qint64(SDL_GetTicks64());
    auto *handle = new std::shared_ptr<Shared>(m_shared);
    m_thread = SDL_CreateThread(&JoystickWatch::run, "kvizor-joysticks", handle);
    if (!m_thread) {
        delete handle;
        m_problem = QStringLiteral("джойстики не читаются: %1").arg(QString::fromUtf8(SDL_GetError()));
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

JoystickWatch::~JoystickWatch()
{
    if (!m_thread)
        return;
    m_shared->quit = true;
    SDL_WaitThread(m_thread, nullptr);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

QStringList JoystickWatch::connected() const
{
    const std::lock_guard<std::mutex> hold(m_shared->mutex);
    QStringList names;
    for (const auto &[id, joystick] : m_shared->open)
        names << joystick.second;
    return names;
}

int JoystickWatch::run(void *data)
{
    auto *handle = static_cast<std::shared_ptr<Shared> *>(data);
    const std::shared_ptr<Shared> s = std::move(*handle);
    delete handle;
    const auto tell = [&s](auto call) {
        QMetaObject::invokeMethod(
            s->owner.data(),
            [owner = s->owner, call] {
                if (owner)
                    call(owner.data());
            },
            Qt::QueuedConnection);
    };
    SDL_Event event;
    while (!s->quit) {
        // Waiting pumps the joysticks about every millisecond.
        if (!SDL_WaitEventTimeout(&event, 20))
            continue;
        switch (event.type) {
        case SDL_JOYDEVICEADDED:
            if (SDL_Joystick *joystick = SDL_JoystickOpen(event.jdevice.which)) {
                const QString guid = guidOf(joystick);
                const char *name = SDL_JoystickName(joystick);
                const std::lock_guard<std::mutex> hold(s->mutex);
                s->open[SDL_JoystickInstanceID(joystick)] = {
                    joystick, QStringLiteral("%1 (%2)").arg(QString::fromUtf8(name ? name : "?"), guid)};
            }
            tell([](JoystickWatch *w) { emit w->devicesChanged(); });
            break;
        case SDL_JOYDEVICEREMOVED: {
            const std::lock_guard<std::mutex> hold(s->mutex);
            if (const auto it = s->open.find(event.jdevice.which); it != s->open.end()) {
                SDL_JoystickClose(it->second.first);
                s->open.erase(it);
            }
            tell([](JoystickWatch *w) { emit w->devicesChanged(); });
            break;
        }
        case SDL_JOYBUTTONDOWN: {
            QString guid;
            {
                const std::lock_guard<std::mutex> hold(s->mutex);
                if (const auto it = s->open.find(event.jbutton.which); it != s->open.end())
                    guid = guidOf(it->second.first);
            }
            if (guid.isEmpty())
                break;
            const int button = event.jbutton.button;
            const qint64 at = qint64(event.jbutton.timestamp) + s->ticksToSteady;
            tell([guid, button, at](JoystickWatch *w) { emit w->pressed(guid, button, at); });
            break;
        }
        default:
            break;
        }
    }
    const std::lock_guard<std::mutex> hold(s->mutex);
    for (const auto &[id, joystick] : s->open)
        SDL_JoystickClose(joystick.first);
    s->open.clear();
    return 0;
}
