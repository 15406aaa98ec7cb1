#include "sound/streamclock.h"

#include "sound/audioformat.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

namespace {

constexpr std::int64_t kNsPerS = 1000000000LL;
// Fills come one buffer apart; four missed ones mean the stream has stopped.
constexpr std::int64_t kStalledFrames = 4LL * audioformat::bufferFrames;
// Fills over which the least loss is taken: about 85 ms.
constexpr int kBlockFills = 8;
constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();

} // namespace

StreamClock::StreamClock(Clock clock)
    : m_clock(std::move(clock)), m_lowestSlip(kNone), m_blockSlip(kNone), m_lastBlockSlip(kNone)
{
}

std::int64_t StreamClock::steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t StreamClock::framesIn(std::int64_t ns)
{
    return ns * audioformat::sampleRate / kNsPerS;
}

std::int64_t StreamClock::nsIn(std::int64_t frames)
{
    return frames * kNsPerS / audioformat::sampleRate;
}

void StreamClock::open(std::uint64_t first)
{
    m_openNs = now();
    m_first = first;
    m_nextFrame = first;
    m_anchored = false;
    mark();
}

void StreamClock::mark()
{
    m_lowestSlip = kNone;
}

std::int64_t StreamClock::lagNs() const
{
    const std::int64_t recent = std::min(m_blockSlip, m_lastBlockSlip);
    if (recent == kNone || m_lowestSlip == kNone)
        return 0;
    return std::max<std::int64_t>(0, recent - m_lowestSlip);
}

void StreamClock::filled(std::uint64_t frame, int frames)
{
    const std::int64_t at = now();
    if (!m_anchored) {
        // Sounds asked for from here on go as far ahead of their calls as
        // the ones queued while the stream opened, so that a sound asked
        // for just before the first fill and one just after keep their
        // distance; never less than a fill, or they would land in frames
        // already mixed.
        const std::int64_t waited = std::max<std::int64_t>(0, framesIn(at - m_openNs));
        m_aheadFrames = std::max<std::int64_t>(audioformat::bufferFrames, audioformat::leadInFrames + waited);
        m_anchored = true;
        m_anchorNs = at;
        m_anchorFrame = frame;
        m_blockSlip = m_lastBlockSlip = kNone;
        m_blockFills = 0;
    }
    const std::int64_t slip = at - m_anchorNs - nsIn(std::int64_t(frame - m_anchorFrame));
    m_lowestSlip = std::min(m_lowestSlip, slip);
    m_blockSlip = std::min(m_blockSlip, slip);
    if (++m_blockFills == kBlockFills) {
        m_lastBlockSlip = std::exchange(m_blockSlip, kNone);
        m_blockFills = 0;
    }
    m_fillNs = at;
    m_fillFrame = frame;
    m_nextFrame = frame + std::uint64_t(std::max(0, frames));
}

std::uint64_t StreamClock::frameFor() const
{
    const std::int64_t at = now();
    if (!m_anchored)
        return m_first + audioformat::leadInFrames +
               std::uint64_t(std::max<std::int64_t>(0, framesIn(at - m_openNs)));
    if (stalled())
        return m_nextFrame;
    return m_fillFrame + std::uint64_t(m_aheadFrames + framesIn(at - m_fillNs));
}

bool StreamClock::stalled() const
{
    const std::int64_t since = now() - m_fillNs;
    return m_anchored && (since < 0 || since >= nsIn(kStalledFrames));
}

std::int64_t StreamClock::nsUntil(std::uint64_t frame) const
{
    const std::uint64_t from = frameFor();
    return frame > from ? nsIn(std::int64_t(frame - from)) : 0;
}
