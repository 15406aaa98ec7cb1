#include "audio/audiodevice.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace {

constexpr int kFrameBytes = Mixer::channels * sizeof(int16_t);
// A re-pick cuts the old countdown's sounds in 5 ms instead of mid-wave.
constexpr int kCutFrames = audioformat::sampleRate / 200;
constexpr std::int64_t kNsPerMs = 1000000LL;

std::int64_t lengthNs(const Mixer::Sound &sound)
{
    return StreamClock::nsIn(std::int64_t(sound ? sound->size() / Mixer::channels : 0));
}

} // namespace

AudioDevice::AudioDevice(std::unique_ptr<AudioBackend> backend, StreamClock::Clock clock)
    : m_backend(std::move(backend)), m_clock(std::move(clock))
{
}

std::shared_ptr<AudioDevice> AudioDevice::start(std::function<void()> changed,
                                                std::unique_ptr<AudioBackend> backend,
                                                StreamClock::Clock clock)
{
    auto device = std::make_shared<AudioDevice>(std::move(backend), std::move(clock));
    device->m_changed = std::move(changed);
    auto *handle = new std::shared_ptr<AudioDevice>(device);
    device->m_thread = SDL_CreateThread(&AudioDevice::run, "kvizor-audio", handle);
    if (!device->m_thread) {
        delete handle;
        device->m_finished = true;
        device->m_outcome = {1, false, QString::fromUtf8(SDL_GetError())};
    }
    return device;
}

// An SDL thread rather than a std::thread: SDL keeps per-thread data (its
// error text) that it frees only for threads it started itself.
int AudioDevice::run(void *data)
{
    auto *handle = static_cast<std::shared_ptr<AudioDevice> *>(data);
    const std::shared_ptr<AudioDevice> self = std::move(*handle);
    delete handle;
    self->work();
    return 0;
}

void AudioDevice::work()
{
    probe();
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        const std::int64_t now = m_clock.now();
        if (m_toClose != 0) {
            closeStream(lock);
        } else if (m_phase == Phase::Opening) {
            openStream(lock);
        } else if (m_phase == Phase::Playing && now >= m_closeAtNs) {
            m_toClose = std::exchange(m_device, 0);
            m_closeLost = false;
            m_phase = Phase::Closed;
            m_countdown.forget();
        } else if (m_phase == Phase::Playing) {
            m_wake.wait_for(lock, std::chrono::nanoseconds(m_closeAtNs - now));
        } else {
            m_wake.wait(lock);
        }
    }
    const std::uint32_t open = std::exchange(m_device, 0);
    const std::uint32_t closing = std::exchange(m_toClose, 0);
    m_phase = Phase::Closed;
    lock.unlock();
    if (closing != 0)
        m_backend->close(closing);
    if (open != 0)
        m_backend->close(open);
    quit();
    lock.lock();
    m_finished = true;
    m_finishedSignal.notify_all();
}

// The sound system started and one stream opened and let go, so that the
// first pick finds everything up to the open done. The stream, still
// paused, closes beside the picks that may come meanwhile.
void AudioDevice::probe()
{
    QString error;
    const std::uint32_t id = openWithRetry(error);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (id == 0) {
        settle(false, error);
        return;
    }
    ++m_closing;
    lock.unlock();
    closeLater(id);
}

void AudioDevice::openStream(std::unique_lock<std::mutex> &lock)
{
    lock.unlock();
    QString error;
    const std::uint32_t id = openWithRetry(error);
    // At once: SDL starts the stream's thread paused, and every fill it
    // makes before this goes out as silence ahead of the first sound. The
    // fills mix from here on, the stream counted as playing.
    if (id != 0)
        m_backend->pause(id, false);
    lock.lock();
    if (id == 0) {
        m_phase = Phase::Closed;
        silence();
        settle(false, error);
        return;
    }
    m_device = id;
    if (m_quit)
        return; // closed on the way out
    const bool late = missedDeadline();
    m_phase = Phase::Playing;
    if (late) {
        // Nothing of that countdown: its beats would come late. The stream
        // stays for the next pick and closes in its turn if none comes.
        silence();
        m_clock.open(m_mixer.framesMixed());
        m_closeAtNs = m_clock.now() + closeDelayMs * kNsPerMs;
    } else {
        settle(true, {});
    }
}

void AudioDevice::closeStream(std::unique_lock<std::mutex> &lock)
{
    const std::uint32_t id = std::exchange(m_toClose, 0);
    const bool lost = m_closeLost;
    if (!lost)
        ++m_closing; // counted at once: the stream is still there
    // Closing waits for the stream's thread, which may wait for the mutex
    // in fill().
    lock.unlock();
    if (lost) {
        // The server went away: look for one afresh next time, once its
        // dead stream is closed.
        m_backend->close(id);
        quit();
    } else {
        closeLater(id);
    }
    lock.lock();
}

namespace {

struct Closing
{
    std::shared_ptr<AudioDevice> device;
    std::uint32_t id;
};

} // namespace

// Closes stream id, already counted in m_closing, on a thread of its own.
// Called without the mutex.
void AudioDevice::closeLater(std::uint32_t id)
{
    // Paused first, here: once that returns, the stream's thread never
    // fills again, so the stream that opens next has the mixer to itself.
    m_backend->pause(id, true);
    auto *closing = new Closing{weak_from_this().lock(), id};
    SDL_Thread *thread =
        closing->device ? SDL_CreateThread(&AudioDevice::closeAlone, "kvizor-audio-close", closing) : nullptr;
    if (thread) {
        SDL_DetachThread(thread);
        return;
    }
    delete closing;
    m_backend->close(id);
    const std::lock_guard<std::mutex> lock(m_mutex);
    --m_closing;
    m_closedSignal.notify_all();
}

int AudioDevice::closeAlone(void *data)
{
    const std::unique_ptr<Closing> closing(static_cast<Closing *>(data));
    AudioDevice &device = *closing->device;
    device.m_backend->close(closing->id);
    const std::lock_guard<std::mutex> lock(device.m_mutex);
    --device.m_closing;
    device.m_closedSignal.notify_all();
    return 0;
}

// Called without the mutex.
void AudioDevice::waitForCloses()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_closedSignal.wait(lock, [this] { return m_closing == 0; });
}

// A failed open after an earlier start of the sound system is tried once
// more on a fresh start: SDL picks its driver at the start, and a sound
// server that came up since is only found that way.
std::uint32_t AudioDevice::openWithRetry(QString &error)
{
    const bool fresh = !m_initialised;
    if (!m_initialised && !initialise(error))
        return 0;
    std::uint32_t id = m_backend->open(&AudioDevice::fill, this, error);
    // Also what a driver with one stream at a time (SDL's dummy, a bare
    // ALSA card) needs when it refuses a second one while the last still
    // closes: the fresh start waits for that close.
    if (id == 0 && !fresh) {
        quit();
        if (initialise(error))
            id = m_backend->open(&AudioDevice::fill, this, error);
    }
    if (id == 0)
        quit();
    return id;
}

bool AudioDevice::initialise(QString &error)
{
    m_initialised = m_backend->start(error);
    return m_initialised;
}

// Stopping the sound system closes what is still open: never under a close
// in progress.
void AudioDevice::quit()
{
    if (m_initialised) {
        waitForCloses();
        m_backend->stop();
    }
    m_initialised = false;
}

void AudioDevice::fill(void *self, std::uint8_t *stream, int bytes)
{
    auto *device = static_cast<AudioDevice *>(self);
    const std::lock_guard<std::mutex> lock(device->m_mutex);
    if (device->m_phase == Phase::Closed) {
        std::memset(stream, 0, std::size_t(bytes));
        return;
    }
    const int frames = bytes / kFrameBytes;
    device->m_clock.filled(device->m_mixer.framesMixed(), frames);
    device->m_countdown.follow(device->m_mixer, StreamClock::framesIn(device->m_clock.lagNs()));
    device->m_mixer.mix(reinterpret_cast<int16_t *>(stream), frames);
}

// Readies a stream for a sound asked for now: false if none is to be had.
bool AudioDevice::admit()
{
    switch (m_phase) {
    case Phase::Playing:
        if (m_backend->stopped(m_device)) {
            lose();
            return false;
        }
        break;
    case Phase::Opening:
        if (missedDeadline())
            return false;
        break;
    case Phase::Closed:
        m_phase = Phase::Opening;
        m_late = false;
        m_clock.open(m_mixer.framesMixed());
        m_closeAtNs = 0;
        m_wake.notify_all();
        break;
    }
    return true;
}

// The stream stays until last, placed at start, has ended.
AudioDevice::Play AudioDevice::placed(std::uint64_t start, const Mixer::Sound &last)
{
    const std::int64_t end = m_clock.now() + m_clock.nsUntil(start) + lengthNs(last);
    m_closeAtNs = std::max<std::int64_t>(m_closeAtNs, end + closeDelayMs * kNsPerMs);
    if (m_phase == Phase::Opening)
        return Play::Opening;
    if (!m_outcome.available)
        settle(true, {});
    return Play::Started;
}

AudioDevice::Play AudioDevice::play(const Mixer::Sound &sound)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!admit())
        return Play::Silent;
    const std::uint64_t start = m_clock.frameFor();
    m_mixer.play(sound, start);
    return placed(start, sound);
}

AudioDevice::Play AudioDevice::beat(int index, const Mixer::Sound &beep, const Mixer::Sound &stop)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!admit())
        return Play::Silent;
    const std::uint64_t start = m_clock.frameFor();
    if (index == 1) {
        m_clock.mark();
        m_countdown.begin(m_mixer, start, beep, stop);
    } else if (!m_countdown.tick(m_mixer, index, start, StreamClock::framesIn(m_clock.lagNs()))) {
        m_mixer.play(beep, start);
    }
    if (!m_countdown.active())
        return placed(start, beep);
    return placed(m_countdown.lastStart(), index + 1 >= Countdown::beats ? stop : beep);
}

AudioDevice::Play AudioDevice::stopSound(const Mixer::Sound &stop)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!admit())
        return Play::Silent;
    if (m_countdown.takeStop())
        return placed(0, nullptr); // the stream's close was set when it was armed
    const std::uint64_t start = m_clock.frameFor();
    m_mixer.play(stop, start);
    return placed(start, stop);
}

// Nothing of what was asked for plays.
void AudioDevice::silence()
{
    m_mixer.stopAll();
    m_countdown.forget();
}

// The stream died under us (the sound server went away). Its thread only
// writes silence from now on; the device's thread closes it, which is slow.
void AudioDevice::lose()
{
    m_toClose = std::exchange(m_device, 0);
    m_closeLost = true;
    m_phase = Phase::Closed;
    silence();
    settle(false, QStringLiteral("звуковое устройство отключилось"));
    m_wake.notify_all();
}

bool AudioDevice::missedDeadline()
{
    if (!m_late && m_phase == Phase::Opening && m_clock.sinceOpenNs() > openDeadlineMs * kNsPerMs) {
        m_late = true;
        silence();
        settle(false, QStringLiteral("звуковой сервер не отвечает"));
    }
    return m_late;
}

void AudioDevice::settle(bool available, const QString &why)
{
    m_outcome = {m_outcome.serial + 1, available, why};
    if (m_changed)
        m_changed();
}

void AudioDevice::cutAll()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_mixer.fadeOutAll(kCutFrames);
    m_countdown.forget();
}

AudioDevice::Outcome AudioDevice::outcome()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    missedDeadline();
    return m_outcome;
}

bool AudioDevice::streaming()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_phase == Phase::Playing || m_toClose != 0 || m_closing > 0;
}

void AudioDevice::shutDown(int waitMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_quit = true;
    m_changed = nullptr;
    m_wake.notify_all();
    const bool done =
        m_finishedSignal.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return m_finished; });
    SDL_Thread *thread = std::exchange(m_thread, nullptr);
    lock.unlock();
    if (!thread)
        return;
    if (done)
        SDL_WaitThread(thread, nullptr);
    else
        SDL_DetachThread(thread); // stuck on a hung server; it cleans up if it ever returns
}
