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
// The stream's frames play at the sink's pace once it runs, but a stream
// that underruns (its fills late on a busy machine) falls behind for good:
// the clock measures how far, so that sounds placed by frames can keep to
// the time they were meant for.
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

    // Starts measuring how far the stream falls behind.
    void mark();
    // How far the stream has fallen behind the clock since mark() or since
    // its first fill: the time lost by its recent fills against the fills
    // before. A single fill the system ran late does not count: the least
    // loss over the last few fills is taken.
    std::int64_t lagNs() const;

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
    // Each fill's time against the first fill's, less the time of the
    // frames between them: grows when the stream falls behind.
    std::int64_t m_anchorNs = 0;
    std::uint64_t m_anchorFrame = 0;
    std::int64_t m_lowestSlip;
    std::int64_t m_blockSlip; // the lowest of the current few fills
    std::int64_t m_lastBlockSlip;
    int m_blockFills = 0;
};
