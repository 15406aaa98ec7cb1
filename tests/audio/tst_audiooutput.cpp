#include "audio/audiodevice.h"
#include "audio/audiooutput.h"
#include "sound/stoprecording.h"

#include <QFile>
#include <QtTest>

#include <SDL.h>

#include <cmath>
#include <cstring>

class TestAudioOutput : public QObject
{
    Q_OBJECT

private slots:
    void opensAtTheCountdownAndClosesAfterIt();
    void missingDriverMeansSilentGame();
    void soundFoundOnceADriverAppears();
    void opensAgainAfterAFailedOutput();
    void noDeviceLeavesSdlAlone();
    void beepIsAShortSoftTone();
    void stopSoundIsTheRecording();

private:
    static void useDriver(const char *name) { qputenv("SDL_AUDIODRIVER", name); }
    static constexpr int closedWithinMs = AudioDevice::closeDelayMs + 4000;
};

void TestAudioOutput::opensAtTheCountdownAndClosesAfterIt()
{
    useDriver("dummy");
    AudioOutput output;
    for (int countdown = 0; countdown < 2; ++countdown) {
        // Nothing stays open before a countdown; the start's probe closes
        // in the background.
        QTRY_VERIFY(!output.isStreaming());
        output.startCountdown();
        // More sounds than voices, back to back: none may fail or wait.
        for (int i = 0; i < 3 * Mixer::maxVoices; ++i)
            output.beep();
        for (int twice = 0; twice < 2; ++twice) {
            const Done started = output.activateStopSound();
            QVERIFY2(started, qPrintable(started.error));
        }
        QTRY_VERIFY(output.isStreaming());
        QVERIFY(output.isAvailable());
        // Quiet again: nothing may stay open, or the idle game costs CPU.
        QTRY_VERIFY_WITH_TIMEOUT(!output.isStreaming(), closedWithinMs);
    }
}

void TestAudioOutput::missingDriverMeansSilentGame()
{
    useDriver("nosuchdriver");
    AudioOutput output;
    QTRY_VERIFY(!output.isAvailable());
    for (int countdown = 0; countdown < 2; ++countdown) {
        output.startCountdown();
        output.beep();
        Done started;
        QTRY_VERIFY(!(started = output.activateStopSound()));
        QVERIFY(!started.error.isEmpty());
    }
}

void TestAudioOutput::soundFoundOnceADriverAppears()
{
    // The sound server that starts after the program, at unit scale: the
    // next countdown must find it without a restart.
    useDriver("nosuchdriver");
    AudioOutput output;
    QList<bool> told;
    output.setAvailabilityHandler([&told](bool available) { told.append(available); });
    QTRY_COMPARE(told, QList<bool>({true, false}));

    useDriver("dummy");
    output.startCountdown();
    output.beep();
    QTRY_COMPARE(told, QList<bool>({true, false, true}));
    const Done started = output.activateStopSound();
    QVERIFY2(started, qPrintable(started.error));
}

void TestAudioOutput::opensAgainAfterAFailedOutput()
{
    // SDL's subsystem counting must come back to zero after each output, or
    // the driver chosen first would stick for the rest of the process.
    for (int i = 0; i < 2; ++i) {
        {
            useDriver("nosuchdriver");
            AudioOutput failed;
            QTRY_VERIFY(!failed.isAvailable());
        }
        QCOMPARE(SDL_WasInit(SDL_INIT_AUDIO), Uint32(0));
        useDriver("dummy");
        AudioOutput output;
        output.startCountdown();
        const Done started = output.activateStopSound();
        QVERIFY2(started, qPrintable(started.error));
        QTRY_VERIFY(output.isStreaming());
    }
    QCOMPARE(SDL_WasInit(SDL_INIT_AUDIO), Uint32(0));
}

void TestAudioOutput::noDeviceLeavesSdlAlone()
{
    useDriver("dummy");
    AudioOutput output(AudioOutput::NoDevice{QStringLiteral("звук выключен ключом")});
    output.beep();
    const Done started = output.activateStopSound();
    QVERIFY(!started);
    QCOMPARE(started.error, QStringLiteral("звук выключен ключом"));
    QCOMPARE(SDL_WasInit(SDL_INIT_AUDIO), Uint32(0));
}

void TestAudioOutput::beepIsAShortSoftTone()
{
    const Mixer::Sound beep = AudioOutput::beepSound();
    QVERIFY(beep);
    const std::vector<int16_t> &s = *beep;
    const int frames = int(s.size() / 2);
    QVERIFY(std::abs(frames - AudioOutput::sampleRate * 120 / 1000) <= 1);

    int peak = 0;
    int crossings = 0;
    for (int i = 0; i < frames; ++i) {
        QCOMPARE(s[2 * i], s[2 * i + 1]);
        peak = std::max(peak, std::abs(int(s[2 * i])));
        if (i > 0 && (s[2 * i - 2] < 0) != (s[2 * i] < 0))
            ++crossings;
    }
    const double peakDb = 20.0 * std::log10(peak / 32768.0);
    QVERIFY2(std::abs(peakDb + 18.0) < 0.5, qPrintable(QString::number(peakDb)));
    // Clearly under the stop chime's 23040 (-3.1 dBFS).
    QVERIFY(peak < 23040 / 2);
    // Two crossings per cycle.
    const double hz = crossings / 2.0 / (frames / double(AudioOutput::sampleRate));
    QVERIFY2(std::abs(hz - 880.0) < 15.0, qPrintable(QString::number(hz)));
    // Faded edges: no click at either end.
    QVERIFY(std::abs(s.front()) < peak / 50);
    QVERIFY(std::abs(s[s.size() - 1]) < peak / 50);
}

void TestAudioOutput::stopSoundIsTheRecording()
{
    QString error;
    // In the recording's own format, sample for sample; at the output's rate,
    // as long.
    const Mixer::Sound stop = AudioOutput::loadStopSound(error, stoprecording::sampleRate);
    QVERIFY2(stop, qPrintable(error));
    const Mixer::Sound played = AudioOutput::loadStopSound(error);
    QVERIFY2(played, qPrintable(error));
    const double ratio = double(AudioOutput::sampleRate) / stoprecording::sampleRate;
    QVERIFY(std::abs(double(played->size()) - double(stop->size()) * ratio) <= 2 * ratio * Mixer::channels);

    QFile file(QString::fromLatin1(stoprecording::resourcePath));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    constexpr int dataOffset = 56;
    QCOMPARE(qsizetype(stop->size() * 2), wav.size() - dataOffset);
    for (std::size_t i = 0; i < stop->size(); ++i) {
        const auto lo = uint8_t(wav[dataOffset + 2 * i]);
        const auto hi = uint8_t(wav[dataOffset + 2 * i + 1]);
        if ((*stop)[i] != int16_t(uint16_t(lo | hi << 8)))
            QFAIL(qPrintable(QStringLiteral("sample %1 differs").arg(i)));
    }
}

QTEST_GUILESS_MAIN(TestAudioOutput)
#include "tst_audiooutput.moc"
