#include "audio/audiodevice.h"

#include <QtTest>

#include <atomic>
#include <vector>

namespace {

constexpr std::int64_t kMs = 1000000;
constexpr int kFill = audioformat::bufferFrames;
constexpr std::uint64_t kSecond = audioformat::sampleRate;

// Stands in for the sound system: streams open (or fail) and close when
// told, and the test pulls their fills itself, moving the clock a fill each
// time.
class FakeBackend final : public AudioBackend
{
public:
    bool start(QString &) override { return ++starts, true; }
    void stop() override
    {
        ++stops;
        if (closing > 0)
            ++stopsDuringClose;
    }
    std::uint32_t open(Fill fill, void *userdata, QString &error) override
    {
        while (holdOpen)
            QThread::msleep(1);
        if (oneAtATime && closing > 0) {
            ++refusals;
            error = QStringLiteral("устройство занято");
            return 0;
        }
        if (failOpen) {
            error = QStringLiteral("нет сервера");
            return 0;
        }
        m_fill = fill;
        m_userdata = userdata;
        return ++opens;
    }
    void close(std::uint32_t) override
    {
        ++closes;
        ++closing;
        while (holdClose)
            QThread::msleep(1);
        --closing;
    }
    void pause(std::uint32_t, bool paused) override { playing = !paused; }
    bool stopped(std::uint32_t) override { return died; }

    // One fill of the open stream; notes where sounds start after silence.
    void pull(std::atomic<std::int64_t> &now)
    {
        now += StreamClock::nsIn(kFill);
        std::vector<int16_t> out(2 * kFill);
        m_fill(m_userdata, reinterpret_cast<std::uint8_t *>(out.data()), int(out.size() * 2));
        for (int i = 0; i < kFill; ++i) {
            if (m_last == 0 && out[2 * i] != 0)
                onsets.emplace_back(m_frame + std::uint64_t(i), out[2 * i]);
            m_last = out[2 * i];
        }
        m_frame += kFill;
    }
    std::uint64_t frame() const { return m_frame; }

    std::atomic<int> starts{0}, stops{0}, opens{0}, closes{0}, closing{0}, refusals{0}, stopsDuringClose{0};
    std::atomic<bool> playing{false}, died{false}, failOpen{false}, holdOpen{false}, holdClose{false};
    std::atomic<bool> oneAtATime{false}; // no second stream while one closes
    std::vector<std::pair<std::uint64_t, int16_t>> onsets;

private:
    Fill m_fill = nullptr;
    void *m_userdata = nullptr;
    std::uint64_t m_frame = 0;
    int16_t m_last = 0;
};

Mixer::Sound constant(int frames, int16_t value)
{
    return std::make_shared<const std::vector<int16_t>>(std::size_t(frames) * Mixer::channels, value);
}

} // namespace

class TestAudioDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstBeatInTheFirstFillTheRestOnTheStreamsClock();
    void rePickCutsTheOldCountdown();
    void stalledStreamPlaysAtTheNextFill();
    void lostStreamSilencesTheCountdown();
    void lateOpenPlaysNothingOfItsCountdown();
    void firstPickWhileTheStartsStreamCloses_data();
    void firstPickWhileTheStartsStreamCloses();

private:
    void pullUntil(std::uint64_t frame);

    std::atomic<std::int64_t> m_now{0};
    FakeBackend *m_backend = nullptr;
    std::shared_ptr<AudioDevice> m_device;
    const Mixer::Sound m_beep = constant(20, 1000);
    const Mixer::Sound m_stop = constant(20, 3);
};

void TestAudioDevice::init()
{
    m_now = 1000 * kMs;
    auto backend = std::make_unique<FakeBackend>();
    m_backend = backend.get();
    m_device = AudioDevice::start(nullptr, std::move(backend), [this] { return m_now.load(); });
    QTRY_COMPARE(m_backend->closes.load(), 1); // the probe at start
    QTRY_VERIFY(!m_device->streaming());
}

void TestAudioDevice::cleanup()
{
    m_device->shutDown(2000);
    QCOMPARE(m_backend->stops.load(), m_backend->starts.load());
    m_device.reset();
}

void TestAudioDevice::pullUntil(std::uint64_t frame)
{
    while (m_backend->frame() < frame)
        m_backend->pull(m_now);
}

void TestAudioDevice::firstBeatInTheFirstFillTheRestOnTheStreamsClock()
{
    QCOMPARE(m_device->beat(1, m_beep, m_stop), AudioDevice::Play::Opening);
    QTRY_VERIFY(m_backend->playing);
    QVERIFY(m_device->streaming());
    m_backend->pull(m_now);
    QCOMPARE(m_backend->onsets.size(), std::size_t(1));
    const std::uint64_t first = m_backend->onsets[0].first;
    QCOMPARE(first, std::uint64_t(audioformat::leadInFrames));

    // Timer ticks a second of wall time apart come after their frames have
    // been pulled; each beat is still exactly a second of stream after beat 1.
    for (int beat = 2; beat <= Countdown::beats; ++beat) {
        pullUntil(first + (beat - 1) * kSecond + kFill);
        QCOMPARE(m_device->beat(beat, m_beep, m_stop), AudioDevice::Play::Started);
    }
    QCOMPARE(m_device->stopSound(m_stop), AudioDevice::Play::Started);
    pullUntil(first + 6 * kSecond);
    QCOMPARE(m_backend->onsets.size(), std::size_t(Countdown::beats));
    for (std::size_t i = 0; i < m_backend->onsets.size(); ++i)
        QCOMPARE(m_backend->onsets[i].first, first + i * kSecond);
    QCOMPARE(m_backend->onsets.back().second, int16_t(1003)); // the stop sound with beat 5

    // The stream closes a second after the last sound, on the device's clock.
    m_now += AudioDevice::closeDelayMs * kMs;
    QTRY_VERIFY(!m_device->streaming());
    QCOMPARE(m_backend->closes.load(), 2);
}

void TestAudioDevice::rePickCutsTheOldCountdown()
{
    m_device->beat(1, m_beep, m_stop);
    QTRY_VERIFY(m_backend->playing);
    pullUntil(kSecond / 2);
    m_device->cutAll();
    m_device->beat(1, m_beep, m_stop);
    pullUntil(3 * kSecond);
    // The old beat 2 is gone; the new countdown's beat 2 a second after its first.
    QCOMPARE(m_backend->onsets.size(), std::size_t(3));
    QCOMPARE(m_backend->onsets[2].first - m_backend->onsets[1].first, kSecond);
}

void TestAudioDevice::stalledStreamPlaysAtTheNextFill()
{
    m_device->play(m_beep);
    QTRY_VERIFY(m_backend->playing);
    pullUntil(kSecond);
    m_now += 100 * kMs; // no fill for 100 ms
    m_device->play(m_beep);
    const std::uint64_t next = m_backend->frame();
    m_backend->pull(m_now);
    QCOMPARE(m_backend->onsets.back().first, next);
}

void TestAudioDevice::lostStreamSilencesTheCountdown()
{
    m_device->beat(1, m_beep, m_stop);
    QTRY_VERIFY(m_backend->playing);
    QVERIFY(m_device->outcome().available);
    m_backend->died = true;
    QCOMPARE(m_device->beat(2, m_beep, m_stop), AudioDevice::Play::Silent);
    const AudioDevice::Outcome outcome = m_device->outcome();
    QVERIFY(!outcome.available);
    QCOMPARE(outcome.why, QStringLiteral("звуковое устройство отключилось"));
    QTRY_COMPARE(m_backend->closes.load(), 2);
    QTRY_COMPARE(m_backend->stops.load(), 1); // the next sound looks for a server afresh
    pullUntil(3 * kSecond);
    QCOMPARE(m_backend->onsets.size(), std::size_t(0)); // the sound lost with its stream
}

void TestAudioDevice::lateOpenPlaysNothingOfItsCountdown()
{
    m_backend->holdOpen = true;
    QCOMPARE(m_device->beat(1, m_beep, m_stop), AudioDevice::Play::Opening);
    m_now += (AudioDevice::openDeadlineMs + 1) * kMs;
    QVERIFY(!m_device->outcome().available);
    QCOMPARE(m_device->beat(2, m_beep, m_stop), AudioDevice::Play::Silent);
    m_backend->holdOpen = false;
    QTRY_VERIFY(m_backend->playing);
    pullUntil(3 * kSecond);
    QCOMPARE(m_backend->onsets.size(), std::size_t(0));
    // The stream stays for the next pick.
    m_device->cutAll();
    QCOMPARE(m_device->beat(1, m_beep, m_stop), AudioDevice::Play::Started);
    QVERIFY(m_device->outcome().available);
}

void TestAudioDevice::firstPickWhileTheStartsStreamCloses_data()
{
    QTest::addColumn<bool>("oneAtATime");
    QTest::newRow("a second stream opens beside it") << false;
    QTest::newRow("one stream at a time") << true;
}

// Closing the probe's stream can take seconds (the stream's thread waits
// for the server to ask for data); a pick meanwhile must not wait behind
// it and miss its deadline.
void TestAudioDevice::firstPickWhileTheStartsStreamCloses()
{
    QFETCH(bool, oneAtATime);
    auto backend = std::make_unique<FakeBackend>();
    FakeBackend &fake = *backend;
    fake.holdClose = true;
    fake.oneAtATime = oneAtATime;
    auto device = AudioDevice::start(nullptr, std::move(backend), [this] { return m_now.load(); });
    QTRY_COMPARE(fake.closing.load(), 1);

    QCOMPARE(device->beat(1, m_beep, m_stop), AudioDevice::Play::Opening);
    if (oneAtATime) {
        QTRY_COMPARE(fake.refusals.load(), 1);
        fake.holdClose = false; // the open is tried again once it has closed
    }
    QTRY_VERIFY(fake.playing);
    fake.pull(m_now);
    QCOMPARE(fake.onsets.size(), std::size_t(1));
    QCOMPARE(fake.onsets[0].first, std::uint64_t(audioformat::leadInFrames));
    QVERIFY(device->outcome().available);

    fake.holdClose = false;
    device->shutDown(2000);
    QVERIFY(!device->streaming());
    QCOMPARE(fake.stops.load(), fake.starts.load());
    QCOMPARE(fake.stopsDuringClose.load(), 0); // stopping the system under a close would close twice
}

QTEST_GUILESS_MAIN(TestAudioDevice)
#include "tst_audiodevice.moc"
