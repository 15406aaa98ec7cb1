#include "sound/mixer.h"

#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>

// Counts heap allocations while armed: the mixer runs in the audio callback
// and must not allocate there.
namespace {
std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};
} // namespace

void *operator new(std::size_t size)
{
    if (g_counting)
        ++g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// left/right pairs; a ramp makes every frame distinguishable.
Mixer::Sound ramp(int frames, int start = 0)
{
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) {
        s.push_back(int16_t(start + i));
        s.push_back(int16_t(-(start + i)));
    }
    return std::make_shared<const std::vector<int16_t>>(std::move(s));
}

Mixer::Sound constant(int frames, int16_t left, int16_t right)
{
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) {
        s.push_back(left);
        s.push_back(right);
    }
    return std::make_shared<const std::vector<int16_t>>(std::move(s));
}

std::vector<int16_t> mixed(Mixer &mixer, int frames)
{
    std::vector<int16_t> out(std::size_t(frames) * 2, 12345); // garbage to be overwritten
    mixer.mix(out.data(), frames);
    return out;
}

} // namespace

class TestMixer : public QObject
{
    Q_OBJECT

private slots:
    void silenceWhenNothingPlays();
    void overlappingSoundsAreSummedAndClipped();
    void finishedSoundIsDroppedAcrossBlocks();
    void playBetweenBlocksKeepsPositions();
    void scheduledSoundStartsOnItsFrame();
    void cutFadesWhatPlaysAndDropsWhatWaits();
    void oldestVoiceGivesWayWhenFull();
    void unusableSoundsAreIgnored();
    void manyPlaysNeverAllocateInMix();
};

void TestMixer::silenceWhenNothingPlays()
{
    Mixer mixer;
    for (int16_t s : mixed(mixer, 700))
        QCOMPARE(s, int16_t(0));

    mixer.play(constant(10, 5, 5));
    mixer.stopAll();
    QCOMPARE(mixer.activeVoices(), 0);
    for (int16_t s : mixed(mixer, 10))
        QCOMPARE(s, int16_t(0));
}

void TestMixer::overlappingSoundsAreSummedAndClipped()
{
    Mixer mixer;
    mixer.play(constant(100, 1000, -2000));
    mixer.play(constant(50, 300, 400));
    const auto out = mixed(mixer, 120);
    QCOMPARE(out[0], int16_t(1300));
    QCOMPARE(out[1], int16_t(-1600));
    QCOMPARE(out[2 * 49 + 1], int16_t(-1600));
    QCOMPARE(out[2 * 50], int16_t(1000));
    QCOMPARE(out[2 * 99 + 1], int16_t(-2000));
    QCOMPARE(out[2 * 100], int16_t(0));

    Mixer loud;
    loud.play(constant(4, 30000, -30000));
    loud.play(constant(4, 10000, -10000));
    loud.play(constant(2, -20000, 20000));
    const auto clipped = mixed(loud, 4);
    QCOMPARE(clipped[0], int16_t(20000)); // the third voice pulls the sum back in range
    QCOMPARE(clipped[1], int16_t(-20000));
    QCOMPARE(clipped[4], int16_t(32767));
    QCOMPARE(clipped[5], int16_t(-32768));
}

void TestMixer::finishedSoundIsDroppedAcrossBlocks()
{
    // 700 frames end inside the second internal block of a 1000-frame request.
    Mixer mixer;
    mixer.play(ramp(700));
    QCOMPARE(mixer.activeVoices(), 1);
    const auto out = mixed(mixer, 1000);
    for (int i = 0; i < 700; ++i) {
        QCOMPARE(out[2 * i], int16_t(i));
        QCOMPARE(out[2 * i + 1], int16_t(-i));
    }
    for (int i = 1400; i < 2000; ++i)
        QCOMPARE(out[i], int16_t(0));
    QCOMPARE(mixer.activeVoices(), 0);
}

void TestMixer::playBetweenBlocksKeepsPositions()
{
    Mixer mixer;
    mixer.play(ramp(1000));
    mixed(mixer, 100);
    mixer.play(ramp(1000, 5000));
    const auto out = mixed(mixer, 100);
    for (int i = 0; i < 100; ++i)
        QCOMPARE(out[2 * i], int16_t((100 + i) + (5000 + i)));

    // The same sound played again starts over without disturbing the first.
    Mixer again;
    const Mixer::Sound sound = ramp(300);
    again.play(sound);
    mixed(again, 200);
    again.play(sound);
    const auto both = mixed(again, 150);
    QCOMPARE(both[0], int16_t(200 + 0));
    QCOMPARE(both[2 * 99], int16_t(299 + 99));
    QCOMPARE(both[2 * 100], int16_t(100)); // first copy over, second goes on
    QCOMPARE(again.activeVoices(), 1);
}

void TestMixer::scheduledSoundStartsOnItsFrame()
{
    Mixer mixer;
    mixed(mixer, 100);
    QCOMPARE(mixer.framesMixed(), std::uint64_t(100));

    // Starts mid-block.
    mixer.play(ramp(10, 1), 150);
    auto out = mixed(mixer, 100);
    QCOMPARE(out[2 * 49], int16_t(0));
    QCOMPARE(out[2 * 50], int16_t(1));
    QCOMPARE(out[2 * 59], int16_t(10));
    QCOMPARE(out[2 * 60], int16_t(0));

    // Starts in a later internal block of one long request, and waits out a
    // whole request before that.
    mixer.play(ramp(10, 1), mixer.framesMixed() + 1600);
    mixed(mixer, 1000);
    QCOMPARE(mixer.activeVoices(), 1);
    out = mixed(mixer, 1000);
    QCOMPARE(out[2 * 599], int16_t(0));
    QCOMPARE(out[2 * 600], int16_t(1));
    QCOMPARE(out[2 * 609], int16_t(10));

    // A start that has already passed means "now".
    mixer.play(ramp(10, 1), 5);
    QCOMPARE(mixed(mixer, 1)[0], int16_t(1));
}

void TestMixer::oldestVoiceGivesWayWhenFull()
{
    Mixer mixer;
    for (int16_t v = 1; v <= Mixer::maxVoices + 1; ++v)
        mixer.play(constant(10, v, 0));
    QCOMPARE(mixer.activeVoices(), Mixer::maxVoices);
    // 1..9 minus the first one played.
    QCOMPARE(mixed(mixer, 1)[0], int16_t(45 - 1));

    // A finished voice's slot is reused before any playing one is dropped.
    Mixer reuse;
    for (int16_t v = 1; v < Mixer::maxVoices; ++v)
        reuse.play(constant(10, v, 0));
    reuse.play(constant(1, 100, 0));
    QCOMPARE(mixed(reuse, 1)[0], int16_t(28 + 100));
    reuse.play(constant(10, 1000, 0));
    QCOMPARE(mixed(reuse, 1)[0], int16_t(28 + 1000));
}

void TestMixer::unusableSoundsAreIgnored()
{
    Mixer mixer;
    mixer.play(nullptr);
    mixer.play(std::make_shared<const std::vector<int16_t>>());
    mixer.play(std::make_shared<const std::vector<int16_t>>(1, int16_t(7))); // half a frame
    QCOMPARE(mixer.activeVoices(), 0);

    // A trailing half frame is left out rather than read past.
    mixer.play(std::make_shared<const std::vector<int16_t>>(std::vector<int16_t>{3, 4, 5}));
    const auto out = mixed(mixer, 2);
    QCOMPARE(out, (std::vector<int16_t>{3, 4, 0, 0}));
}

void TestMixer::manyPlaysNeverAllocateInMix()
{
    Mixer mixer;
    const Mixer::Sound a = ramp(3000);
    const Mixer::Sound b = constant(257, 32767, -32768);
    std::vector<int16_t> out(2 * 4096);

    g_allocations = 0;
    g_counting = true;
    for (int round = 0; round < 200; ++round) {
        mixer.play(a);
        mixer.play(b);
        mixer.mix(out.data(), 1 + (round * 37) % 4096);
    }
    g_counting = false;

    QCOMPARE(g_allocations.load(), 0);
}

void TestMixer::cutFadesWhatPlaysAndDropsWhatWaits()
{
    // A re-pick: the old stop chime is mid-way, the old countdown's next
    // sound waits; a new stream's queued sound is pushed to its anchor.
    Mixer mixer;
    mixer.play(constant(1000, 1000, -1000));
    mixer.play(constant(10, 7, 7), 500);
    mixed(mixer, 100);
    mixer.delayWaiting(50); // only the waiting one moves
    mixer.fadeOutAll(10);
    const auto out = mixed(mixer, 600);
    QCOMPARE(out[0], int16_t(1000));
    QCOMPARE(out[1], int16_t(-1000));
    for (int f = 1; f < 10; ++f)
        QVERIFY(std::abs(out[2 * f]) < std::abs(out[2 * f - 2])); // falls, no step
    for (std::size_t i = 2 * 10; i < out.size(); ++i)
        QCOMPARE(out[i], int16_t(0));
    QCOMPARE(mixer.activeVoices(), 0);

    mixer.play(constant(10, 3, 3), mixer.framesMixed() + 5);
    mixer.delayWaiting(20);
    const auto late = mixed(mixer, 40);
    QCOMPARE(late[2 * 24], int16_t(0));
    QCOMPARE(late[2 * 25], int16_t(3));
}

QTEST_GUILESS_MAIN(TestMixer)
#include "tst_mixer.moc"
