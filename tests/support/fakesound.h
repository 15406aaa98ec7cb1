#pragma once

#include "sound/soundinterface.h"

// Counts what the countdown asked of the sound side, and can be told to fail.
class FakeSound final : public SoundInterface
{
public:
    void startCountdown() override { ++countdowns; }
    void beep() override { ++beeps; }
    Done activateStopSound() override
    {
        ++stopSounds;
        if (failStopSound)
            return Done::failure(QStringLiteral("нет звукового устройства"));
        return {};
    }

    // Tells the window that sound went away or came back.
    void setAvailable(bool available) { reportAvailability(available); }

    int countdowns = 0;
    int beeps = 0;
    int stopSounds = 0;
    bool failStopSound = false;
};
