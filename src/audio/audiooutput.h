#pragma once

#include "audio/audiodevice.h"
#include "sound/audioformat.h"
#include "sound/mixer.h"
#include "sound/soundinterface.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

// Plays the countdown's beeps and the stop chime through an AudioDevice,
// which opens a stream at the first beep of a countdown and closes it once
// the sounds are over.
//
// Sound is never required: without it the game goes on silently. Every
// countdown tries again, so a sound server that starts late, restarts or
// was slow to answer is heard from the next pick on; one that goes away
// costs the countdown it went away in. Each change is one line on stderr
// and a report to the availability handler.
class AudioOutput final : public SoundInterface
{
public:
    // Never touches SDL; every stop sound is refused with reason.
    struct NoDevice
    {
        QString reason;
    };

    // Starts SDL audio in the background; returns at once.
    AudioOutput();
    explicit AudioOutput(NoDevice noDevice);
    // Waits at most closeWaitMs for the device to close; one stuck on a
    // silent server is left to finish and clean up on its own.
    ~AudioOutput() override;

    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    void startCountdown() override;
    void beep() override;
    Done activateStopSound() override;
    void buzz(int team) override;

    // Whether the last attempt found sound.
    bool isAvailable();
    // Whether a stream is open right now.
    bool isStreaming();

    // A 120 ms, 880 Hz tone at about -18 dBFS, in the mixer's format.
    static Mixer::Sound beepSound();

    // The stop chime from the resources, converted to the mixer's format at
    // rate. Returns null, with the reason in error, if it cannot be read.
    static Mixer::Sound loadStopSound(QString &error, int rate = audioformat::sampleRate);

    static constexpr int sampleRate = audioformat::sampleRate;
    static constexpr int bufferFrames = audioformat::bufferFrames;
    static constexpr int closeWaitMs = 300;

private:
    bool canPlay() const;
    // Takes in how a sound went; false if this countdown is silent.
    bool played(AudioDevice::Play play);
    void collect();
    static void say(const QString &message);

    Mixer::Sound m_beep;
    Mixer::Sound m_stop;
    Mixer::Sound m_buzz[2];
    std::shared_ptr<AudioDevice> m_device; // null with NoDevice
    QObject m_context;                     // news from the device's thread lands here
    std::uint64_t m_seenOutcome = 0;
    bool m_silentCountdown = false; // this countdown found no sound: it stays silent
    int m_beat = 0;                 // beats of this countdown so far
    bool m_toldUnavailable = false;
    QString m_whyNot;
};
