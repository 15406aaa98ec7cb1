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
    m_start = first;
    m_stopId = 0;
    mixer.play(m_beep, first);
    arm(mixer, 2, 0);
}

bool Countdown::tick(Mixer &mixer, int index, std::uint64_t callFrame, std::int64_t lag)
{
    if (m_armed == 0 || index != m_armed || callFrame + kSecond / 2 < m_start) {
        end(mixer);
        return false;
    }
    if (index < beats)
        arm(mixer, index + 1, lag);
    else
        m_armed = beats + 1; // only the stop sound is left to confirm
    return true;
}

void Countdown::follow(Mixer &mixer, std::int64_t lag)
{
    if (m_armed == 0 || m_armed > beats || m_start < mixer.framesMixed())
        return;
    const std::uint64_t start = startFor(mixer, m_armed, lag);
    const std::uint64_t moved = start > m_start ? start - m_start : m_start - start;
    if (moved < std::uint64_t(lagFrames))
        return;
    mixer.move(m_beatId, start);
    if (m_armed == beats)
        mixer.move(m_stopId, start);
    m_start = start;
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

void Countdown::arm(Mixer &mixer, int index, std::int64_t lag)
{
    m_prevStart = m_start;
    m_start = startFor(mixer, index, lag);
    m_beatId = mixer.play(m_beep, m_start);
    if (index == beats)
        m_stopId = mixer.play(m_stop, m_start);
    m_armed = index;
}

std::uint64_t Countdown::startFor(const Mixer &mixer, int index, std::int64_t lag) const
{
    std::uint64_t due = m_first + std::uint64_t(index - 1) * kSecond;
    if (lag >= lagFrames)
        due -= std::min(std::uint64_t(lag), due);
    return std::max({due, mixer.framesMixed(), m_prevStart + kSecond / 2});
}
