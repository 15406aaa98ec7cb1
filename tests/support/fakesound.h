#pragma once

#include "sound/soundinterface.h"

// Counts what the countdown asked of the sound side, and can be told to fail.
class FakeSound final : public SoundInterface
{
public:
    void startCountdown() override { ++countdowns; }
    void beep() override { ++beeps; }
    bool activateStopSound(QString &whyNot) override
    {
        ++stopSounds;
        if (failStopSound) {
            whyNot = QStringLiteral("нет звукового устройства");
            return false;
        }
        return true;
    }

    // Tells the window that sound went away or came back.
    void setAvailable(bool available) { reportAvailability(available); }

    int countdowns = 0;
    int beeps = 0;
    int stopSounds = 0;
    bool failStopSound = false;
};
