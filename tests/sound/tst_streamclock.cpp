#include "sound/audioformat.h"
#include "sound/countdown.h"
#include "sound/streamclock.h"

#include <QtTest>

#include <vector>

namespace {

constexpr std::int64_t kMs = 1000000;
constexpr std::uint64_t kSecond = audioformat::sampleRate;
constexpr int kFill = audioformat::bufferFrames;
constexpr int kLeadIn = audioformat::leadInFrames;

Mixer::Sound constant(int frames, int16_t value)
{
    return std::make_shared<const std::vector<int16_t>>(std::size_t(frames) * Mixer::channels, value);
}

// Mixes up to frame end and notes every frame where sound starts after
// silence, with its first sample.
struct Tape
{
    Mixer mixer;
    std::vector<std::pair<std::uint64_t, int16_t>> onsets;
    int16_t last = 0;

    void runTo(std::uint64_t end)
    {
        std::vector<int16_t> out(2 * kFill);
        while (mixer.framesMixed() < end) {
            const std::uint64_t from = mixer.framesMixed();
            const int n = int(std::min<std::uint64_t>(kFill, end - from));
            mixer.mix(out.data(), n);
            for (int i = 0; i < n; ++i) {
                if (last == 0 && out[2 * i] != 0)
                    onsets.emplace_back(from + std::uint64_t(i), out[2 * i]);
                last = out[2 * i];
            }
        }
    }
};

} // namespace

class TestStreamClock : public QObject
{
    Q_OBJECT

private slots:
    void soundsBeforeTheFirstFillGoInIt();
    void runningStreamKeepsEveryCallEquallyFarAhead();
    void stalledStreamPlaysNext();
    void lagCountsUnderrunsNotLateFills();
    void beatsKeepTheStreamsSecond_data();
    void beatsKeepTheStreamsSecond();
    void ticksThatDoNotFitEndThePlan();
    void waitingBeatKeepsToItsTimeWhenTheStreamFallsBehind();
};

void TestStreamClock::soundsBeforeTheFirstFillGoInIt()
{
    std::int64_t now = 5000 * kMs;
    StreamClock clock([&now] { return now; });
    clock.open(1000);
    QVERIFY(!clock.anchored());
    QCOMPARE(clock.frameFor(), std::uint64_t(1000 + kLeadIn));
    now += 2 * kMs; // a second sound while the stream opens keeps its distance
    QCOMPARE(clock.frameFor(), std::uint64_t(1000 + kLeadIn + 96));
    QCOMPARE(clock.nsUntil(1000 + kLeadIn + 96 + 48), std::int64_t(1 * kMs));

    // A slow open: sounds asked for just before and just after the first
    // fill still lie as far apart as their calls.
    now += 38 * kMs;
    const std::uint64_t before = clock.frameFor();
    clock.filled(1000, kFill);
    QVERIFY(clock.anchored());
    QCOMPARE(clock.frameFor(), before);
    now += 1 * kMs;
    QCOMPARE(clock.frameFor(), before + 48);
}

void TestStreamClock::runningStreamKeepsEveryCallEquallyFarAhead()
{
    std::int64_t now = 0;
    StreamClock clock([&now] { return now; });
    clock.open(0);
    now += 1 * kMs;
    clock.filled(0, kFill); // a quick open: never less than a fill ahead
    QCOMPARE(clock.frameFor(), std::uint64_t(kFill));
    for (std::uint64_t fill = 1; fill < 200; ++fill) {
        now += StreamClock::nsIn(kFill);
        clock.filled(fill * kFill, kFill);
        now += 3 * kMs;
        QCOMPARE(clock.frameFor(), fill * kFill + kFill + 144);
        now -= 3 * kMs;
    }
    QVERIFY(!clock.stalled());
}

void TestStreamClock::stalledStreamPlaysNext()
{
    std::int64_t now = 0;
    StreamClock clock([&now] { return now; });
    clock.open(0);
    clock.filled(0, kFill);
    clock.filled(kFill, kFill);
    now += StreamClock::nsIn(4 * kFill) - 1000;
    QVERIFY(!clock.stalled());
    now += 1000;
    QVERIFY(clock.stalled());
    QCOMPARE(clock.frameFor(), std::uint64_t(2 * kFill));
    now = -1; // a clock that went back means nothing either
    QVERIFY(clock.stalled());
    QCOMPARE(clock.frameFor(), std::uint64_t(2 * kFill));
}

void TestStreamClock::lagCountsUnderrunsNotLateFills()
{
    std::int64_t now = 0;
    StreamClock clock([&now] { return now; });
    clock.open(0);
    std::uint64_t frame = 0;
    const auto fills = [&](int count, std::int64_t lateEvery3rd) {
        for (int i = 0; i < count; ++i, frame += kFill) {
            const std::int64_t late = i % 3 == 1 ? lateEvery3rd : 0;
            now += late;
            clock.filled(frame, kFill);
            now += StreamClock::nsIn(kFill) - late;
        }
    };
    fills(40, 4 * kMs); // the system runs some fills late
    QCOMPARE(clock.lagNs(), std::int64_t(0));
    now += 50 * kMs; // an underrun: the stream stops for 50 ms
    fills(20, 4 * kMs);
    QVERIFY(std::abs(clock.lagNs() - 50 * kMs) < 1000);
    clock.mark(); // a new countdown measures from here
    fills(20, 0);
    QCOMPARE(clock.lagNs(), std::int64_t(0));
}

void TestStreamClock::beatsKeepTheStreamsSecond_data()
{
    QTest::addColumn<int>("lateTick");
    QTest::addColumn<int>("lateMs");
    QTest::newRow("on time") << 2 << 0;
    QTest::newRow("tick 3 late by 0.9 s: still on time") << 3 << 900;
    QTest::newRow("tick 2 late by 1.3 s: beat 3 late") << 2 << 1300;
    QTest::newRow("tick 4 late by 2.5 s: beat 5 late") << 4 << 2500;
}

// Ticks come as the mixer pulls, each just after its own beat's frame has
// been mixed; one of them late.
void TestStreamClock::beatsKeepTheStreamsSecond()
{
    QFETCH(int, lateTick);
    QFETCH(int, lateMs);
    Tape tape;
    Countdown countdown;
    const std::uint64_t first = kLeadIn;
    countdown.begin(tape.mixer, first, constant(20, 1000), constant(20, 3));
    std::uint64_t delay = 0;
    for (int beat = 2; beat <= Countdown::beats; ++beat) {
        if (beat == lateTick)
            delay = StreamClock::framesIn(lateMs * kMs);
        tape.runTo(first + (beat - 1) * kSecond + delay + kFill);
        QVERIFY(countdown.tick(tape.mixer, beat, tape.mixer.framesMixed() + kFill, 0));
        delay = 0;
    }
    QVERIFY(countdown.takeStop());
    tape.runTo(first + 8 * kSecond);

    QCOMPARE(int(tape.onsets.size()), Countdown::beats);
    for (int beat = 1; beat <= Countdown::beats; ++beat) {
        const auto [at, value] = tape.onsets[std::size_t(beat - 1)];
        const std::uint64_t due = first + std::uint64_t(beat - 1) * kSecond;
        if (beat == lateTick + 1 && lateMs > 1000)
            QVERIFY(at > due); // its tick came after its frame: the next frame mixed
        else
            QCOMPARE(at, due);
        if (beat > 1)
            QVERIFY(at >= tape.onsets[std::size_t(beat - 2)].first + kSecond / 2);
        QCOMPARE(value, int16_t(beat == Countdown::beats ? 1003 : 1000)); // the stop sound with beat 5
    }
}

void TestStreamClock::ticksThatDoNotFitEndThePlan()
{
    // Beeps back to back are not a countdown: the waiting beat is taken
    // back and the caller plays each as it comes.
    Tape tape;
    Countdown countdown;
    countdown.begin(tape.mixer, kLeadIn, constant(20, 1000), constant(20, 3));
    QVERIFY(!countdown.tick(tape.mixer, 2, kLeadIn + kFill, 0));
    QVERIFY(!countdown.active());
    QVERIFY(!countdown.takeStop());
    tape.runTo(3 * kSecond);
    QCOMPARE(int(tape.onsets.size()), 1);

    // A beat out of turn, and one after a cut.
    Tape other;
    countdown.begin(other.mixer, kLeadIn, constant(20, 1000), constant(20, 3));
    other.runTo(kSecond);
    QVERIFY(!countdown.tick(other.mixer, 3, kSecond + kFill, 0));
    countdown.begin(other.mixer, kSecond + kFill, constant(20, 1000), constant(20, 3));
    other.mixer.fadeOutAll(kLeadIn);
    countdown.forget();
    QVERIFY(!countdown.tick(other.mixer, 2, 2 * kSecond, 0));
    other.runTo(4 * kSecond);
    QCOMPARE(int(other.onsets.size()), 1);
}

void TestStreamClock::waitingBeatKeepsToItsTimeWhenTheStreamFallsBehind()
{
    Tape tape;
    Countdown countdown;
    countdown.begin(tape.mixer, kLeadIn, constant(20, 1000), constant(20, 3));
    tape.runTo(kSecond / 2);
    countdown.follow(tape.mixer, Countdown::lagFrames - 1); // jitter: stays
    countdown.follow(tape.mixer, 2400);                     // 50 ms behind
    tape.runTo(kSecond + kFill);
    QVERIFY(countdown.tick(tape.mixer, 2, tape.mixer.framesMixed(), 2400));
    countdown.follow(tape.mixer, 0); // the lag was a misreading: back on its frame
    tape.runTo(3 * kSecond);
    QCOMPARE(int(tape.onsets.size()), 3);
    QCOMPARE(tape.onsets[1].first, kLeadIn + kSecond - 2400);
    QCOMPARE(tape.onsets[2].first, kLeadIn + 2 * kSecond);
}

QTEST_GUILESS_MAIN(TestStreamClock)
#include "tst_streamclock.moc"
