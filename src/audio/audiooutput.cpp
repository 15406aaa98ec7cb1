#include "audio/audiooutput.h"

#include "sound/stoprecording.h"
#include "sound/tone.h"

#include <QFile>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

QString noDeviceReason()
{
    return QStringLiteral("нет звукового устройства");
}

std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// One open (or close-and-reopen) on a helper thread.
//
// It is an SDL thread rather than a std::thread because SDL keeps per-thread
// data (its error text) that it frees only for threads it started itself.
//
// The output may give up on an attempt that hangs (a sound server that
// accepts the connection and never answers keeps libpulse waiting a minute)
// and be destroyed meanwhile. So the attempt owns its state, touches the
// output only under its mutex after checking it has not been abandoned, and
// if abandoned cleans up after itself: closes what it opened and quits the
// SDL audio subsystem it was handed.
struct AudioOutput::Pending
{
    AudioOutput *m_output = nullptr;
    std::uint32_t m_stale = 0;
    bool m_initialise = false;
    SDL_Thread *m_thread = nullptr;

    std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_done = false;
    bool m_abandoned = false;
    bool m_quitWhenAbandoned = false; // the output's own SDL_Init, handed over
    Attempt m_result;

    static int run(void *data)
    {
        const std::shared_ptr<Pending> self = *static_cast<std::shared_ptr<Pending> *>(data);
        delete static_cast<std::shared_ptr<Pending> *>(data);
        self->work();
        return 0;
    }

    void work()
    {
        Attempt r;
        if (m_stale != 0)
            SDL_CloseAudioDevice(m_stale);
        if (m_initialise) {
            if (SDL_Init(SDL_INIT_AUDIO) != 0) {
                r.error = QString::fromUtf8(SDL_GetError());
                publish(std::move(r));
                return;
            }
            r.initialised = true;
        }

        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_abandoned) {
                cleanUp(r);
                return;
            }
            // Sounds cut off by a lost device must not resume mid-way.
            m_output->m_mixer.stopAll();
            m_output->m_fillNs = 0;
        }

        SDL_AudioSpec wanted;
        SDL_zero(wanted);
        wanted.freq = sampleRate;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = Mixer::channels;
        wanted.samples = bufferFrames;
        wanted.callback = fill;
        wanted.userdata = m_output; // not used until unpaused below
        // No changes allowed: SDL converts for the hardware, and the mixer
        // can rely on the format it was written for.
        r.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
        if (r.device == 0)
            r.error = QString::fromUtf8(SDL_GetError());
        publish(std::move(r));
    }

    void publish(Attempt r)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_abandoned) {
            cleanUp(r);
            return;
        }
        if (r.device != 0)
            SDL_PauseAudioDevice(r.device, 0);
        m_result = std::move(r);
        m_done = true;
        m_finished.notify_all();
    }

    void cleanUp(const Attempt &r)
    {
        if (r.device != 0)
            SDL_CloseAudioDevice(r.device);
        if (r.initialised)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        if (m_quitWhenAbandoned)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_done = true;
    }

    bool wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_finished.wait_for(lock, timeout, [this] { return m_done; });
    }

    bool isDone()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_done;
    }

    // Call once done: the thread only has to return.
    Attempt finish()
    {
        SDL_WaitThread(m_thread, nullptr);
        m_thread = nullptr;
        return std::move(m_result);
    }

    // Leaves a running attempt to end on its own. Returns false if it had
    // already finished, and finish() must be called as usual.
    bool abandon(bool quitSdl)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_done)
            return false;
        m_abandoned = true;
        m_quitWhenAbandoned = quitSdl;
        SDL_DetachThread(m_thread);
        m_thread = nullptr;
        return true;
    }
};

AudioOutput::AudioOutput() : m_beep(beepSound())
{
    QString error;
    m_stop = loadStopSound(error);
    if (!m_stop)
        say(QStringLiteral("kvizor: стоп-сигнал не загружен (%1)").arg(error));

    // SDL_INIT_AUDIO brings up SDL's event subsystem, which would otherwise
    // catch SIGINT and SIGTERM and wait for an SDL_QUIT nobody reads; the
    // program must stop at once on them.
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Квизория");

    startAttempt(0, true);
    if (m_pending->wait(std::chrono::milliseconds(openWaitMs))) {
        collectAttempt();
    } else {
        // A sound server that accepts the connection and then hangs keeps
        // libpulse waiting for its own timeout (a minute here); the device
        // is picked up later if it does open.
        m_whyNot = QStringLiteral("звуковой сервер не отвечает");
        m_toldUnavailable = true;
        say(QStringLiteral("kvizor: звук недоступен (%1); игра идёт без звука").arg(m_whyNot));
    }
}

AudioOutput::AudioOutput(NoDevice noDevice)
    : m_whyNot(noDevice.reason.isEmpty() ? QStringLiteral("звук выключен") : noDevice.reason)
{
}

AudioOutput::~AudioOutput()
{
    // Usually nothing is pending, or it ends within one close (tens of ms).
    // An attempt still stuck on a silent sound server is left to finish on
    // its own, so closing the program never waits for it.
    if (m_pending && !m_pending->wait(std::chrono::milliseconds(closeWaitMs)) &&
        m_pending->abandon(m_sdlAudio)) {
        return; // SDL belongs to the attempt now; nothing else is open
    }
    if (m_pending) {
        const Attempt late = m_pending->finish();
        m_sdlAudio = m_sdlAudio || late.initialised;
        if (late.device != 0)
            SDL_CloseAudioDevice(late.device);
    }
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    if (m_sdlAudio)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioOutput::fill(void *self, std::uint8_t *stream, int bytes)
{
    constexpr int frameBytes = Mixer::channels * sizeof(int16_t);
    auto *output = static_cast<AudioOutput *>(self);
    output->m_fillNs = steadyNs();
    output->m_fillFrame = output->m_mixer.framesMixed();
    output->m_mixer.mix(reinterpret_cast<int16_t *>(stream), bytes / frameBytes);
}

void AudioOutput::play(const Mixer::Sound &sound)
{
    // Fills come one buffer apart, and the last one has already written up
    // to m_fillFrame + bufferFrames. A sound asked for `since` after that
    // fill starts bufferFrames + since later in the stream, so every sound
    // lies the same distance behind its call. If the fills have stalled the
    // timing means nothing and the sound just goes next.
    const std::int64_t stalledNs = 4LL * bufferFrames * 1000000000LL / sampleRate;
    SDL_LockAudioDevice(m_device);
    std::uint64_t start = 0;
    const std::int64_t since = steadyNs() - m_fillNs;
    if (m_fillNs != 0 && since >= 0 && since < stalledNs)
        start = m_fillFrame + bufferFrames + std::uint64_t(since * sampleRate / 1000000000LL);
    m_mixer.play(sound, start);
    SDL_UnlockAudioDevice(m_device);
}

void AudioOutput::beep()
{
    if (ready())
        play(m_beep);
}

bool AudioOutput::activateStopSound(QString &whyNot)
{
    if (!ready()) {
        whyNot = m_whyNot;
        return false;
    }
    if (!m_stop) {
        whyNot = QStringLiteral("нет записи стоп-сигнала");
        return false;
    }
    play(m_stop);
    return true;
}

bool AudioOutput::isAvailable()
{
    return ready();
}

bool AudioOutput::ready()
{
    collectAttempt();
    if (m_device != 0) {
        if (SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_PLAYING)
            return true;

        // The stream died under us (sound server gone). Pausing takes the
        // device lock, so once it returns the dead stream's thread no longer
        // touches the mixer; closing it waits for that thread, which is slow,
        // so the helper closes it and tries a new stream right away.
        SDL_PauseAudioDevice(m_device, 1);
        const std::uint32_t stale = m_device;
        m_device = 0;
        m_lost = true;
        m_whyNot = QStringLiteral("звуковое устройство отключилось");
        say(QStringLiteral("kvizor: %1; игра идёт без звука, звук вернётся, когда устройство появится")
                .arg(m_whyNot));
        startAttempt(stale, false);
        return false;
    }
    // Only a device that once played is worth chasing: one that never opened
    // would fail again, and ALSA reports every failure on stderr.
    if (m_lost && !m_pending && m_sinceAttempt.elapsed() >= reopenIntervalMs)
        startAttempt(0, false);
    return false;
}

void AudioOutput::startAttempt(std::uint32_t stale, bool initialise)
{
    m_pending = std::make_shared<Pending>();
    m_pending->m_output = this;
    m_pending->m_stale = stale;
    m_pending->m_initialise = initialise;
    auto *handle = new std::shared_ptr<Pending>(m_pending);
    m_pending->m_thread = SDL_CreateThread(&Pending::run, "kvizor-audio", handle);
    if (!m_pending->m_thread) {
        // No helper to be had: do the work here, slow or not.
        delete handle;
        m_pending->work();
    }
}

void AudioOutput::collectAttempt()
{
    if (!m_pending || !m_pending->isDone())
        return;
    const Attempt result = m_pending->finish();
    m_pending.reset();
    m_sinceAttempt.start();
    m_sdlAudio = m_sdlAudio || result.initialised;

    if (result.device != 0) {
        m_device = result.device;
        m_whyNot.clear();
        // Also when a slow server answered after the start gave up on it.
        if (m_lost || m_toldUnavailable)
            say(QStringLiteral("kvizor: звук снова работает"));
        m_lost = false;
        m_toldUnavailable = false;
        return;
    }
    if (m_lost)
        return; // still gone; the next try comes after reopenIntervalMs
    m_whyNot = noDeviceReason();
    if (!m_toldUnavailable) {
        m_toldUnavailable = true;
        say(QStringLiteral("kvizor: звук недоступен (%1); игра идёт без звука").arg(result.error));
    }
}

void AudioOutput::say(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    std::fflush(stderr);
}

Mixer::Sound AudioOutput::beepSound()
{
    return tone::beep(sampleRate);
}

Mixer::Sound AudioOutput::loadStopSound(QString &error)
{
    QFile file(QString::fromLatin1(stoprecording::resourcePath));
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
        return {};
    }
    const QByteArray bytes = file.readAll();

    SDL_AudioSpec wavFormat;
    Uint8 *data = nullptr;
    Uint32 length = 0;
    SDL_RWops *stream = SDL_RWFromConstMem(bytes.constData(), int(bytes.size()));
    if (!stream || !SDL_LoadWAV_RW(stream, 1, &wavFormat, &data, &length)) {
        error = QString::fromUtf8(SDL_GetError());
        return {};
    }

    SDL_AudioCVT cvt;
    const int needed = SDL_BuildAudioCVT(&cvt, wavFormat.format, wavFormat.channels, wavFormat.freq,
                                         AUDIO_S16SYS, Mixer::channels, sampleRate);
    if (needed < 0) {
        error = QString::fromUtf8(SDL_GetError());
        SDL_FreeWAV(data);
        return {};
    }

    std::vector<Uint8> converted(data, data + length);
    SDL_FreeWAV(data);
    if (needed > 0) {
        converted.resize(std::size_t(length) * std::size_t(cvt.len_mult));
        cvt.buf = converted.data();
        cvt.len = int(length);
        if (SDL_ConvertAudio(&cvt) != 0) {
            error = QString::fromUtf8(SDL_GetError());
            return {};
        }
        converted.resize(std::size_t(cvt.len_cvt));
    }

    std::vector<int16_t> pcm(converted.size() / sizeof(int16_t));
    std::memcpy(pcm.data(), converted.data(), pcm.size() * sizeof(int16_t));
    return std::make_shared<const std::vector<int16_t>>(std::move(pcm));
}
