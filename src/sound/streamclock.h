#pragma once

#include <cstdint>
#include <functional>

// Where in an output stream a sound asked for at a given moment starts.
//
// SDL pulls the stream a fill at a time on its own thread; a sound asked for
// between two fills goes a fixed distance ahead of the frame that matches
// its call, counted from the last fill, so every sound is as late as the
// next. Before the first fill of a new stream nothing has been pulled yet:
// the sounds then go in that first fill, after a short lead-in, at their
// distances from the call that opened the stream.
//
// Time comes from the clock it is given (nanoseconds, never going back);
// the class does nothing else, so tests drive it with a clock of their own.
class StreamClock
{
public:
    using Clock = std::function<std::int64_t()>;

    explicit StreamClock(Clock clock);
    // std::chrono::steady_clock in nanoseconds.
    static std::int64_t steadyNs();

    std::int64_t now() const { return m_clock(); }

    // A stream is asked for now; its first fill will start at frame first.
    void open(std::uint64_t first);
    // A fill of frames frames starting at stream frame frame is being mixed
    // now. The first one after open() anchors the stream.
    void filled(std::uint64_t frame, int frames);

    // The frame where a sound asked for now starts.
    std::uint64_t frameFor() const;
    // Whether the fills have stopped coming (a stream paused or stuck):
    // timing then means nothing and sounds go with the next fill.
    bool stalled() const;
    bool anchored() const { return m_anchored; }
    // Time since open().
    std::int64_t sinceOpenNs() const { return now() - m_openNs; }
    // About how long until frame is mixed, from now; 0 if it has been.
    std::int64_t nsUntil(std::uint64_t frame) const;

    static std::int64_t framesIn(std::int64_t ns);
    static std::int64_t nsIn(std::int64_t frames);

private:
    Clock m_clock;
    std::int64_t m_openNs = 0;
    std::uint64_t m_first = 0;
    bool m_anchored = false;
    std::int64_t m_fillNs = 0;
    std::uint64_t m_fillFrame = 0;
    std::uint64_t m_nextFrame = 0;
    std::int64_t m_aheadFrames = 0;
};
