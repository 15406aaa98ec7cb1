#pragma once

#include "audio/audiobackend.h"
#include "sound/countdown.h"
#include "sound/mixer.h"
#include "sound/streamclock.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

struct SDL_Thread;

// One output stream, opened when a sound is asked for and closed about a
// second after the last one has ended: SDL 2 feeds an open stream with
// silence, paused or not, and the sound server mixes it, so only a closed
// stream costs nothing while the game is quiet.
//
// Every slow call to the sound system (starting it, opening, closing) runs
// on the device's own thread. On a sound server that hangs each of them can
// block for seconds or for good, and the event thread never waits for one:
// it only queues sounds and reads how the last attempt went. The thread
// shares the device, so an output that leaves it stuck on a hung server can
// go.
//
// A close waits for the stream's thread, which waits for the server to ask
// for data: up to 2 s on a sink that sleeps in long blocks. So each close
// runs on a thread of its own, and a pick meanwhile opens its stream at
// once instead of waiting behind the close and missing its deadline (the
// start's own probe is such a close, just before the first pick).
//
// A sound that opens a stream goes in the stream's first fill; the beats of
// a countdown after the first go on the stream's own clock (see Countdown).
class AudioDevice : public std::enable_shared_from_this<AudioDevice>
{
public:
    enum class Play {
        Started, // into the running stream
        Opening, // into the first fill of a stream being opened
        Silent,  // no stream to be had in time
    };

    struct Outcome
    {
        std::uint64_t serial = 0; // grows with every new outcome
        bool available = true;
        QString why; // when not available
    };

    // Starts the thread. It starts the sound system and opens and closes
    // one stream, so the first pick finds it ready and the host learns at
    // once whether there is sound. changed is called on that thread when an
    // outcome is new; it must only post the news to the event thread.
    static std::shared_ptr<AudioDevice>
    start(std::function<void()> changed,
          std::unique_ptr<AudioBackend> backend = std::make_unique<SdlBackend>(),
          StreamClock::Clock clock = &StreamClock::steadyNs);

    AudioDevice(std::unique_ptr<AudioBackend> backend, StreamClock::Clock clock);

    // Plays sound as from this moment: one fill ahead in the running stream,
    // or in the first fill of a new one.
    Play play(const Mixer::Sound &sound);
    // Beat index (1 to Countdown::beats) of the countdown the last cutAll()
    // began; the first is played like play(), the others on the stream's
    // clock from it.
    Play beat(int index, const Mixer::Sound &beep, const Mixer::Sound &stop);
    // The stop sound after the last beat: it already waits with that beat,
    // or is played like play().
    Play stopSound(const Mixer::Sound &stop);
    // Fades out what plays and drops what waits to start.
    void cutAll();
    Outcome outcome();
    // Whether a stream is open or still closing (for tests).
    bool streaming();
    // Ends the thread: waits up to waitMs, then leaves it to finish alone.
    void shutDown(int waitMs);

    // A stream that opens later than this after the sound that asked for it
    // plays nothing for that countdown.
    static constexpr int openDeadlineMs = 60;
    static constexpr int closeDelayMs = 1000;

private:
    enum class Phase { Closed, Opening, Playing };

    static int run(void *data);
    static int closeAlone(void *data);
    static void fill(void *self, std::uint8_t *stream, int bytes);
    void work();
    void openStream(std::unique_lock<std::mutex> &lock);
    void closeStream(std::unique_lock<std::mutex> &lock);
    void closeLater(std::uint32_t id);
    void waitForCloses();
    void probe();
    std::uint32_t openWithRetry(QString &error);
    bool initialise(QString &error);
    void quit();
    bool admit();
    Play placed(std::uint64_t start, const Mixer::Sound &last);
    bool missedDeadline();
    void silence();
    void lose();
    void settle(bool available, const QString &why);

    std::mutex m_mutex; // guards everything below but m_initialised
    std::condition_variable m_wake;
    std::condition_variable m_finishedSignal;
    std::condition_variable m_closedSignal;
    std::function<void()> m_changed;
    SDL_Thread *m_thread = nullptr;
    bool m_quit = false;
    bool m_finished = false;

    const std::unique_ptr<AudioBackend> m_backend;
    Phase m_phase = Phase::Closed;
    std::uint32_t m_device = 0;  // the stream while Playing
    std::uint32_t m_toClose = 0; // a stream the thread is to close
    bool m_closeLost = false;    // ... one that died: the sound system starts afresh
    int m_closing = 0;           // streams closing on threads of their own
    bool m_late = false;         // the opening stream missed its deadline
    std::int64_t m_closeAtNs = 0;
    StreamClock m_clock;
    Outcome m_outcome;
    Mixer m_mixer;
    Countdown m_countdown;

    bool m_initialised = false; // the thread's alone
};
