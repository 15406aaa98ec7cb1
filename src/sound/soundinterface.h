#pragma once

#include "base/outcome.h"

#include <QString>

#include <functional>

// What the countdown needs from the sound side: a beep on every beat and the
// stop sound at "STOP". None of the calls waits for the sound.
//
// A countdown is startCountdown(), then countdownBeats calls of beep() a
// second apart, the first at once, and activateStopSound() right after the
// last. An output may play the beats on its own clock from the first one
// on; calls that do not fit that pattern are played as they come.
class SoundInterface
{
public:
    static constexpr int countdownBeats = 5;

    // Told whether sound can be heard, on the event thread, whenever that
    // changes (a sound server went away or came back).
    using AvailabilityHandler = std::function<void(bool available)>;

    virtual ~SoundInterface();

    // A countdown begins and its first beep follows at once: sounds left
    // from an earlier countdown end here.
    virtual void startCountdown() {}

    // One beat of the countdown.
    virtual void beep() = 0;

    // Starts the stop sound, or says why it cannot be started (no audio
    // device, for example).
    virtual Done activateStopSound() = 0;

    // A team pressed its buzzer first: what the countdown still has to sound
    // is dropped, and the team's buzz plays at once.
    virtual void buzz(int team) { (void)team; }

    // Calls handler at once with the present state, then at every change.
    void setAvailabilityHandler(AvailabilityHandler handler);
    bool soundAvailable() const { return m_available; }

protected:
    // Call on the event thread; the handler hears only of changes.
    void reportAvailability(bool available);

private:
    AvailabilityHandler m_availabilityHandler;
    bool m_available = true; // nothing is known to be wrong until tried
};

// Plays nothing; stands in where no audio output exists.
class SilentSound final : public SoundInterface
{
public:
    void beep() override {}
    Done activateStopSound() override { return {}; }
};
