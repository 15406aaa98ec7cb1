#pragma once

#include "sound/mixer.h"
#include "sound/soundinterface.h"

#include <cstdint>

// The sounds of one countdown, placed on the stream's own sample clock:
// every beat exactly a second of stream after the one before, the stop
// sound with the last beat, whenever the ticks that ask for them arrive.
//
// The first beat goes where the caller puts it. A tick cannot place its own
// beat: by the time it comes the mixer has already pulled that frame. So
// each tick confirms the beat it finds waiting and arms the next one a
// second ahead; the tick before the last arms the stop sound with the last
// beat. A tick that comes late finds its beat already sounding; one so late
// that the next beat's frame has passed puts that beat at the next frame
// mixed, but never within half a second of the beat before it. A new
// countdown, a cut, or a tick that does not fit (its beat still more than
// half a second away) ends the plan and takes back what waits.
//
// A stream that has fallen behind (it underran) would play every later
// frame late: a waiting beat is moved earlier by as much, so that it keeps
// to its second of time.
class Countdown
{
public:
    static constexpr int beats = SoundInterface::countdownBeats;
    // A lag under this (2 ms) leaves the beats on their frames.
    static constexpr std::int64_t lagFrames = 96;

    // Starts beat 1 at frame first and arms beat 2.
    void begin(Mixer &mixer, std::uint64_t first, const Mixer::Sound &beep, const Mixer::Sound &stop);
    // The tick for beat index, when a sound asked for now would start at
    // callFrame and the stream has fallen lag frames behind since beat 1.
    // False if the tick is not this countdown's: the plan has ended and the
    // caller plays the beat itself.
    bool tick(Mixer &mixer, int index, std::uint64_t callFrame, std::int64_t lag);
    // Moves the waiting beat for a stream lag frames behind since beat 1.
    void follow(Mixer &mixer, std::int64_t lag);
    // Whether the stop sound waits with the last beat; the plan ends.
    bool takeStop();
    // Ends the plan and takes back what waits.
    void end(Mixer &mixer);
    // Ends the plan; the mixer has already dropped what waited.
    void forget() { m_armed = 0; }

    bool active() const { return m_armed != 0; }
    // Where the last sound armed starts.
    std::uint64_t lastStart() const { return m_start; }

private:
    void arm(Mixer &mixer, int index, std::int64_t lag);
    std::uint64_t startFor(const Mixer &mixer, int index, std::int64_t lag) const;

    Mixer::Sound m_beep;
    Mixer::Sound m_stop;
    std::uint64_t m_first = 0;
    std::uint64_t m_start = 0;     // of the beat armed
    std::uint64_t m_prevStart = 0; // of the beat before it
    int m_armed = 0;               // the beat waiting for its tick; 0 with no plan
    std::uint64_t m_beatId = 0;
    std::uint64_t m_stopId = 0;
};
