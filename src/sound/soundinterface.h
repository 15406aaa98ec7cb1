#pragma once

#include <QString>

// What the countdown needs from the sound side: a beep on every beat and the
// stop sound at "STOP". Both return at once; neither waits for the sound.
class SoundInterface
{
public:
    virtual ~SoundInterface();

    // One beat of the countdown.
    virtual void beep() = 0;

    // Starts the stop sound. Returns false, with the reason in whyNot, when
    // the sound cannot be started (no audio device, for example).
    virtual bool activateStopSound(QString &whyNot) = 0;
};

// Plays nothing; stands in where no audio output exists.
class SilentSound final : public SoundInterface
{
public:
    void beep() override {}
    bool activateStopSound(QString &) override { return true; }
};
