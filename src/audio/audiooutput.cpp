#include "audio/audiooutput.h"

#include "sound/stoprecording.h"
#include "sound/tone.h"

#include <QFile>
#include <QMetaObject>
#include <QTimer>

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace {

QString noDeviceReason()
{
    return QStringLiteral("нет звукового устройства");
}

} // namespace

AudioOutput::AudioOutput() : m_beep(beepSound()), m_buzz{tone::buzz(sampleRate, 1), tone::buzz(sampleRate, 2)}
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

    // Posted to the event thread; dropped with m_context if the output has
    // gone meanwhile.
    QObject *context = &m_context;
    m_device = AudioDevice::start([context, this] {
        QMetaObject::invokeMethod(
            context, [this] { collect(); }, Qt::QueuedConnection);
    });
}

AudioOutput::AudioOutput(NoDevice noDevice)
    : m_whyNot(noDevice.reason.isEmpty() ? QStringLiteral("звук выключен") : noDevice.reason)
{
    reportAvailability(false);
}

AudioOutput::~AudioOutput()
{
    if (m_device)
        m_device->shutDown(closeWaitMs);
}

void AudioOutput::startCountdown()
{
    collect(); // news of an earlier attempt must not silence this countdown
    m_silentCountdown = false;
    m_beat = 0;
    if (m_device)
        m_device->cutAll();
}

// The beats and the stop sound of a countdown go to the device as such, so
// that it can place them on the stream's clock; anything past them plays
// as it comes.
void AudioOutput::beep()
{
    ++m_beat;
    if (!canPlay())
        return;
    if (m_beat <= countdownBeats)
        played(m_device->beat(m_beat, m_beep, m_stop));
    else
        played(m_device->play(m_beep));
}

Done AudioOutput::activateStopSound()
{
    if (m_device && !m_stop)
        return Done::failure(QStringLiteral("нет записи стоп-сигнала"));
    const bool fromCountdown = m_beat == countdownBeats;
    m_beat = countdownBeats + 1;
    if (!canPlay() || !played(fromCountdown ? m_device->stopSound(m_stop) : m_device->play(m_stop)))
        return Done::failure(m_whyNot.isEmpty() ? noDeviceReason() : m_whyNot);
    return {};
}

void AudioOutput::buzz(int team)
{
    m_beat = countdownBeats + 1; // the countdown is over: later sounds play as they come
    if (!m_device)
        return;
    m_device->cutAll();
    collect();
    m_silentCountdown = false; // a buzz tries for sound again
    played(m_device->play(m_buzz[team == 2 ? 1 : 0]));
}

bool AudioOutput::canPlay() const
{
    return m_device && !m_silentCountdown;
}

bool AudioOutput::played(AudioDevice::Play play)
{
    if (play == AudioDevice::Play::Opening) {
        // A stream that never opens says nothing: look once it is overdue.
        QTimer::singleShot(AudioDevice::openDeadlineMs + 5, &m_context, [this] { collect(); });
    }
    collect();
    if (play == AudioDevice::Play::Silent)
        m_silentCountdown = true;
    return !m_silentCountdown;
}

void AudioOutput::collect()
{
    if (!m_device)
        return;
    const AudioDevice::Outcome outcome = m_device->outcome();
    if (outcome.serial == m_seenOutcome)
        return;
    m_seenOutcome = outcome.serial;
    if (outcome.available) {
        m_whyNot.clear();
        if (m_toldUnavailable)
            say(QStringLiteral("kvizor: звук снова работает"));
        m_toldUnavailable = false;
    } else {
        m_silentCountdown = true;
        m_whyNot = outcome.why;
        if (!m_toldUnavailable)
            say(QStringLiteral("kvizor: звук недоступен (%1); игра идёт без звука, "
                               "звук вернётся при следующем выборе номера")
                    .arg(outcome.why));
        m_toldUnavailable = true;
    }
    reportAvailability(outcome.available);
}

bool AudioOutput::isAvailable()
{
    collect();
    return soundAvailable();
}

bool AudioOutput::isStreaming()
{
    return m_device && m_device->streaming();
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

Mixer::Sound AudioOutput::loadStopSound(QString &error, int rate)
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
                                         AUDIO_S16SYS, Mixer::channels, rate);
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
