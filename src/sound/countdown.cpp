#include "sound/countdown.h"

#include "sound/audioformat.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kSecond = audioformat::sampleRate;

} // namespace

void Countdown::begin(Mixer &mixer, std::uint64_t first, const Mixer::Sound &beep, const Mixer::Sound &stop)
{
    m_beep = beep;
    m_stop = stop;
    m_first = first;
    m_lastStart = first;
    m_stopId = 0;
    mixer.play(m_beep, first);
    arm(mixer, 2);
}

bool Countdown::tick(Mixer &mixer, int index, std::uint64_t callFrame)
{
    if (m_armed == 0 || index != m_armed || callFrame + kSecond / 2 < m_lastStart) {
        end(mixer);
        return false;
    }
    if (index < beats)
        arm(mixer, index + 1);
    else
        m_armed = beats + 1; // only the stop sound is left to confirm
    return true;
}

bool Countdown::takeStop()
{
    const bool armed = m_armed == beats + 1 && m_stopId != 0;
    m_armed = 0;
    return armed;
}

void Countdown::end(Mixer &mixer)
{
    if (m_armed != 0) {
        mixer.drop(m_beatId);
        mixer.drop(m_stopId);
    }
    m_armed = 0;
}

void Countdown::arm(Mixer &mixer, int index)
{
    const std::uint64_t due = m_first + std::uint64_t(index - 1) * kSecond;
    const std::uint64_t at = std::max({due, mixer.framesMixed(), m_lastStart + kSecond / 2});
    m_beatId = mixer.play(m_beep, at);
    if (index == beats)
        m_stopId = mixer.play(m_stop, at);
    m_lastStart = at;
    m_armed = index;
}
