#include "audio/audiodevice.h"

#include "audio/alsaquiet.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace {

constexpr std::int64_t kNsPerS = 1000000000LL;
constexpr int kFrameBytes = Mixer::channels * sizeof(int16_t);
// A re-pick cuts the old countdown's sounds in 5 ms instead of mid-wave.
constexpr int kCutFrames = audioformat::sampleRate / 200;

std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t framesIn(std::int64_t ns)
{
    return ns * audioformat::sampleRate / kNsPerS;
}

std::int64_t lengthNs(const Mixer::Sound &sound)
{
    const auto frames = std::int64_t(sound ? sound->size() / Mixer::channels : 0);
    return frames * kNsPerS / audioformat::sampleRate;
}

} // namespace

std::shared_ptr<AudioDevice> AudioDevice::start(std::function<void()> changed)
{
    auto device = std::make_shared<AudioDevice>();
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
    quietAlsa();
    probe();
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        if (m_toClose != 0) {
            closeStream(lock);
        } else if (m_phase == Phase::Opening) {
            openStream(lock);
        } else if (m_phase == Phase::Playing && steadyNs() >= m_closeAtNs) {
            m_toClose = std::exchange(m_device, 0);
            m_closeLost = false;
            m_phase = Phase::Closed;
        } else if (m_phase == Phase::Playing) {
            m_wake.wait_until(lock,
                              std::chrono::steady_clock::time_point(std::chrono::nanoseconds(m_closeAtNs)));
        } else {
            m_wake.wait(lock);
        }
    }
    const std::uint32_t open = std::exchange(m_device, 0);
    const std::uint32_t closing = std::exchange(m_toClose, 0);
    m_phase = Phase::Closed;
    lock.unlock();
    if (closing != 0)
        SDL_CloseAudioDevice(closing);
    if (open != 0)
        SDL_CloseAudioDevice(open);
    quitSdl();
    lock.lock();
    m_finished = true;
    m_finishedSignal.notify_all();
}

void AudioDevice::probe()
{
    QString error;
    const std::uint32_t id = openWithRetry(error);
    if (id != 0)
        SDL_CloseAudioDevice(id); // still paused: the callback never ran
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (id == 0)
        settle(false, error);
}

void AudioDevice::openStream(std::unique_lock<std::mutex> &lock)
{
    lock.unlock();
    QString error;
    const std::uint32_t id = openWithRetry(error);
    lock.lock();
    if (id == 0) {
        m_phase = Phase::Closed;
        m_mixer.stopAll();
        settle(false, error);
        return;
    }
    m_device = id;
    if (m_quit)
        return; // closed on the way out
    const std::int64_t now = steadyNs();
    const bool late = missedDeadline(now);
    m_phase = Phase::Playing;
    m_firstFill = true;
    m_fillsToAnchor = 2;
    if (late) {
        // Nothing of that countdown: its beats would come late. The stream
        // stays for the next pick and closes in its turn if none comes.
        m_mixer.stopAll();
        m_openNs = now;
        m_openFrame = m_mixer.framesMixed();
        m_closeAtNs = now + closeDelayMs * 1000000LL;
    } else {
        settle(true, {});
    }
    // The first fill is queued: unpausing now puts it out at once.
    lock.unlock();
    SDL_PauseAudioDevice(id, 0);
    lock.lock();
}

void AudioDevice::closeStream(std::unique_lock<std::mutex> &lock)
{
    const std::uint32_t id = std::exchange(m_toClose, 0);
    const bool lost = m_closeLost;
    // Closing waits for the stream's thread, which may wait for the mutex
    // in fill().
    lock.unlock();
    SDL_CloseAudioDevice(id);
    if (lost)
        quitSdl(); // the server went away: look for one afresh next time
    lock.lock();
}

// A failed open after an earlier start of SDL audio is tried once more on a
// fresh start: SDL picks its driver at the start, and a sound server that
// came up since is only found that way.
std::uint32_t AudioDevice::openWithRetry(QString &error)
{
    const bool fresh = !m_initialised;
    if (!m_initialised && !initialise(error))
        return 0;
    std::uint32_t id = openOnce(error);
    if (id == 0 && !fresh) {
        quitSdl();
        if (initialise(error))
            id = openOnce(error);
    }
    if (id == 0)
        quitSdl();
    return id;
}

std::uint32_t AudioDevice::openOnce(QString &error)
{
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = audioformat::sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = Mixer::channels;
    wanted.samples = audioformat::bufferFrames;
    wanted.callback = fill;
    wanted.userdata = this;
    // No changes allowed: SDL converts for the hardware, and the mixer can
    // rely on the format it was written for.
    const std::uint32_t id = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (id == 0)
        error = QString::fromUtf8(SDL_GetError());
    return id;
}

bool AudioDevice::initialise(QString &error)
{
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        error = QString::fromUtf8(SDL_GetError());
        return false;
    }
    m_initialised = true;
    return true;
}

void AudioDevice::quitSdl()
{
    if (m_initialised)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_initialised = false;
}

void AudioDevice::fill(void *self, std::uint8_t *stream, int bytes)
{
    auto *device = static_cast<AudioDevice *>(self);
    const std::lock_guard<std::mutex> lock(device->m_mutex);
    if (device->m_phase != Phase::Playing) {
        std::memset(stream, 0, std::size_t(bytes));
        return;
    }
    const std::int64_t now = steadyNs();
    if (device->m_fillsToAnchor > 0 && --device->m_fillsToAnchor > 0) {
        // The first fill of a stream plays as soon as it reaches the
        // server, while every later one waits behind the fill before it:
        // a sound in it would come early by a fill. It stays silent.
        std::memset(stream, 0, std::size_t(bytes));
        return;
    }
    if (device->m_firstFill)
        device->anchor(now);
    device->m_fillNs = now;
    device->m_fillFrame = device->m_mixer.framesMixed();
    device->m_mixer.mix(reinterpret_cast<int16_t *>(stream), bytes / kFrameBytes);
}

// The first fill of a stream sets how far ahead of their calls sounds go:
// one fill, or more if the stream took longer to open, so that the sounds
// queued while it opened keep their distances to the ones that follow.
void AudioDevice::anchor(std::int64_t now)
{
    const std::int64_t waited = std::max<std::int64_t>(0, framesIn(now - m_openNs));
    m_aheadFrames = std::max<std::int64_t>(audioformat::bufferFrames, audioformat::leadInFrames + waited);
    m_mixer.delayWaiting(std::uint64_t(m_aheadFrames - waited - audioformat::leadInFrames));
    m_firstFill = false;
}

std::uint64_t AudioDevice::startFrame(std::int64_t now) const
{
    if (m_firstFill)
        return m_openFrame + audioformat::leadInFrames +
               std::uint64_t(std::max<std::int64_t>(0, framesIn(now - m_openNs)));
    // Fills come one buffer apart; if they have stalled the timing means
    // nothing and the sound just goes next.
    const std::int64_t since = now - m_fillNs;
    const std::int64_t stalledNs = 4LL * audioformat::bufferFrames * kNsPerS / audioformat::sampleRate;
    if (since < 0 || since >= stalledNs)
        return m_mixer.framesMixed();
    return m_fillFrame + std::uint64_t(m_aheadFrames + framesIn(since));
}

AudioDevice::Play AudioDevice::play(const Mixer::Sound &sound)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::int64_t now = steadyNs();
    switch (m_phase) {
    case Phase::Playing:
        if (SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED) {
            lose();
            return Play::Silent;
        }
        break;
    case Phase::Opening:
        if (missedDeadline(now))
            return Play::Silent;
        break;
    case Phase::Closed:
        m_phase = Phase::Opening;
        m_firstFill = true;
        m_late = false;
        m_openNs = now;
        m_openFrame = m_mixer.framesMixed();
        m_closeAtNs = 0;
        m_wake.notify_all();
        break;
    }
    m_mixer.play(sound, startFrame(now));
    m_closeAtNs = std::max<std::int64_t>(m_closeAtNs, now + lengthNs(sound) + closeDelayMs * 1000000LL);
    if (m_phase == Phase::Opening)
        return Play::Opening;
    if (!m_outcome.available)
        settle(true, {});
    return Play::Started;
}

// The stream died under us (the sound server went away). Its thread only
// writes silence from now on; the device's thread closes it, which is slow.
void AudioDevice::lose()
{
    m_toClose = std::exchange(m_device, 0);
    m_closeLost = true;
    m_phase = Phase::Closed;
    m_mixer.stopAll();
    settle(false, QStringLiteral("звуковое устройство отключилось"));
    m_wake.notify_all();
}

bool AudioDevice::missedDeadline(std::int64_t now)
{
    if (!m_late && m_phase == Phase::Opening && now - m_openNs > openDeadlineMs * 1000000LL) {
        m_late = true;
        m_mixer.stopAll();
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
}

AudioDevice::Outcome AudioDevice::outcome()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    missedDeadline(steadyNs());
    return m_outcome;
}

bool AudioDevice::streaming()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_phase == Phase::Playing || m_toClose != 0;
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
