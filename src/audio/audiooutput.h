#pragma once

#include "sound/audioformat.h"
#include "sound/mixer.h"
#include "sound/soundinterface.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <memory>

// Plays the countdown's beeps and the stop chime through one SDL audio
// stream (22 050 Hz, 16-bit stereo) fed by a Mixer.
//
// Each sound is placed at the stream frame matching the moment it was asked
// for, one buffer later, instead of at the start of the next buffer: that
// keeps beats a second apart to the millisecond rather than to the 23 ms of
// a buffer.
//
// Sound is never required: without a device the game goes on silently, with
// one line on stderr, and activateStopSound() says why. A device that goes
// away mid-game (the sound server dies, say) is noticed on the next beep and
// reopened in the background, at most once every few seconds. Opening and
// closing devices happens on a helper thread because both can take far longer
// than the event thread may wait: closing a lost PulseAudio stream takes about
// 60 ms, and connecting to a server that does not answer takes up to a minute.
class AudioOutput final : public SoundInterface
{
public:
    // Never touches SDL; every stop sound is refused with reason.
    struct NoDevice
    {
        QString reason;
    };

    // Starts SDL audio and opens the output. Returns as soon as the device is
    // open or has failed, or after openWaitMs if the sound server keeps
    // silent (the device may then still appear later).
    AudioOutput();
    explicit AudioOutput(NoDevice noDevice);
    // Closes the device and quits SDL audio. Waits at most closeWaitMs for a
    // helper still at work; one stuck on a silent server is left to finish
    // and clean up on its own.
    ~AudioOutput() override;

    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    void beep() override;
    bool activateStopSound(QString &whyNot) override;

    // Whether sound can be played right now.
    bool isAvailable();

    // A 120 ms, 880 Hz tone at about -18 dBFS, in the mixer's format.
    static Mixer::Sound beepSound();

    // The stop chime from the resources, converted to the mixer's format.
    // Returns null, with the reason in error, if it cannot be read.
    static Mixer::Sound loadStopSound(QString &error);

    static constexpr int sampleRate = audioformat::sampleRate;
    static constexpr int bufferFrames = audioformat::bufferFrames;
    static constexpr int openWaitMs = 250;
    static constexpr int closeWaitMs = 1000;
    static constexpr int reopenIntervalMs = 5000;

private:
    struct Attempt
    {
        std::uint32_t device = 0;
        bool initialised = false; // SDL_Init(SDL_INIT_AUDIO) succeeded in this attempt
        QString error;
    };

    struct Pending;

    static void fill(void *self, std::uint8_t *stream, int bytes);
    void play(const Mixer::Sound &sound);
    void startAttempt(std::uint32_t stale, bool initialise);
    void collectAttempt();
    bool ready();
    void say(const QString &message);

    // The mixer and the time of the last fill belong to the audio thread while
    // the device runs; the event thread holds the device lock to touch them.
    Mixer m_mixer;
    std::int64_t m_fillNs = 0;     // steady clock at the start of the last fill
    std::uint64_t m_fillFrame = 0; // first stream frame of that fill
    Mixer::Sound m_beep;
    Mixer::Sound m_stop;
    std::uint32_t m_device = 0; // SDL device id, used only on the event thread; 0 while none
    bool m_sdlAudio = false;    // the audio subsystem is ours to quit
    bool m_lost = false;        // a device played and went away: worth reopening
    bool m_toldUnavailable = false;
    std::shared_ptr<Pending> m_pending; // open/close running on the helper thread
    QElapsedTimer m_sinceAttempt;
    QString m_whyNot;
};
