// Reading clips: formats, rates, loudness, and files that are not what
// they claim to be.

#include "clips/clipdecode.h"
#include "clips/loudness.h"
#include "support/testclips.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace clips;
using namespace Qt::StringLiterals;

namespace {

constexpr int kRate = 48000;

double toDb(double gain)
{
    return 20.0 * std::log10(gain);
}

int peakSample(const std::vector<int16_t> &samples)
{
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

} // namespace

class TestClipDecode : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void gainFromLoudness_data()
    {
        QTest::addColumn<double>("loudness");
        QTest::addColumn<double>("peak");
        QTest::addColumn<double>("gainDb");
        QTest::newRow("quiet") << -26.0 << -20.0 << 10.0;
        QTest::newRow("loud") << -6.0 << -3.0 << -10.0;
        QTest::newRow("on target") << -16.0 << -10.0 << 0.0;
        QTest::newRow("held by its peak") << -30.0 << -5.0 << 4.0;
        QTest::newRow("loud and over full scale") << -8.0 << 1.5 << -8.0;
        QTest::newRow("boost capped") << -60.0 << -50.0 << kMaxBoost;
        QTest::newRow("silent") << -HUGE_VAL << -HUGE_VAL << 0.0;
        QTest::newRow("too short to measure") << -HUGE_VAL << -3.0 << 0.0;
        QTest::newRow("not a number") << std::nan("") << -3.0 << 0.0;
    }
    void gainFromLoudness()
    {
        QFETCH(double, loudness);
        QFETCH(double, peak);
        QFETCH(double, gainDb);
        const double gain = normalisingGain(loudness, peak);
        QVERIFY(std::isfinite(gain));
        QVERIFY2(std::abs(toDb(gain) - gainDb) < 1e-9, qPrintable(QString::number(toDb(gain))));
    }

    // The same sine at two levels, in every format written here, comes out
    // equally loud.
    void evensOutLoudness_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("source");
        QTest::newRow("wav") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 2 << "wav"
                             << "WAV, 44100 Гц, стерео";
        QTest::newRow("wav float mono") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 48000 << 1 << "WAV"
                                        << "WAV, 48000 Гц, моно";
        QTest::newRow("flac") << (SF_FORMAT_FLAC | SF_FORMAT_PCM_24) << 44100 << 2 << "flac"
                              << "FLAC, 44100 Гц, стерео";
        QTest::newRow("ogg vorbis") << (SF_FORMAT_OGG | SF_FORMAT_VORBIS) << 44100 << 2 << "ogg"
                                    << "Ogg Vorbis, 44100 Гц, стерео";
        QTest::newRow("opus") << (SF_FORMAT_OGG | SF_FORMAT_OPUS) << 48000 << 2 << "opus"
                              << "Opus, 48000 Гц, стерео";
        QTest::newRow("mp3") << (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III) << 44100 << 2 << "mp3"
                             << "MP3, 44100 Гц, стерео";
    }
    void evensOutLoudness()
    {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(QString, extension);
        QFETCH(QString, source);
        SineClip sine{format, rate, channels};
        if (!canWrite(sine))
            QSKIP("this libsndfile does not write the format");

        double loudness[2] = {};
        const double amplitudes[2] = {0.05, 0.6};
        for (int k = 0; k < 2; ++k) {
            sine.amplitude = amplitudes[k];
            const QString file = path(u"level%1.%2"_s.arg(k).arg(extension));
            mustWriteClip(file, sine);
            const Outcome<Clip> clip = decodeClip(file, kRate);
            QVERIFY2(clip, qPrintable(clip.error));
            QCOMPARE(clip.value->source, source);
            QCOMPARE(clip.value->sampleRate, kRate);
            QCOMPARE(qint64(clip.value->samples.size()), 2 * clip.value->frames);
            // The louder one is turned down, the quieter one up.
            QCOMPARE(clip.value->gain > 1, k == 0);
            loudness[k] = measuredLoudness(clip.value->samples, kRate);
            QVERIFY2(std::abs(loudness[k] - kTargetLoudness) < 0.5, qPrintable(QString::number(loudness[k])));
            QVERIFY(std::abs(clip.value->loudness + toDb(clip.value->gain) - loudness[k]) < 0.2);
        }
        QVERIFY(std::abs(loudness[0] - loudness[1]) < 0.5);
    }

    void peakHoldsTheGain()
    {
        // Quiet, with one click near full scale: the click sets the gain.
        const QString file = path(u"click.wav"_s);
        mustWriteClip(file, {SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, 2, 0.5, 0.05}, kRate / 4);
        const Outcome<Clip> clip = decodeClip(file, kRate);
        QVERIFY2(clip, qPrintable(clip.error));
        QVERIFY(clip.value->loudness < -20);
        QVERIFY(clip.value->peak > -1.5);
        QVERIFY(clip.value->gain < 1.0);
        // Within the ceiling, give or take the rounding to 16 bits.
        QVERIFY(peakSample(clip.value->samples) <= int(32767 * std::pow(10.0, kPeakCeiling / 20)) + 1);
    }

    void silenceKeepsGainOne()
    {
        const QString file = path(u"silence.flac"_s);
        mustWriteClip(file, {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 1.0, 0.0});
        const Outcome<Clip> clip = decodeClip(file, kRate);
        QVERIFY2(clip, qPrintable(clip.error));
        QCOMPARE(clip.value->gain, 1.0);
        QVERIFY(!std::isfinite(clip.value->loudness));
        QCOMPARE(peakSample(clip.value->samples), 0);
        QVERIFY(std::abs(clip.value->seconds() - 1.0) < 0.01);
    }

    void resamples_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("channels");
        QTest::newRow("22050 to 48000") << 22050 << 48000 << 2;
        QTest::newRow("44100 mono to 48000") << 44100 << 48000 << 1;
        QTest::newRow("48000 to 22050") << 48000 << 22050 << 2;
        QTest::newRow("same rate") << 48000 << 48000 << 2;
    }
    void resamples()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, channels);
        const QString file = path(u"rate.wav"_s);
        mustWriteClip(file, {SF_FORMAT_WAV | SF_FORMAT_PCM_16, from, channels, 2.0, 0.3});
        const Outcome<Clip> clip = decodeClip(file, to);
        QVERIFY2(clip, qPrintable(clip.error));
        QCOMPARE(clip.value->sampleRate, to);
        const qint64 expected = 2 * qint64(to);
        if (from == to)
            QCOMPARE(clip.value->frames, expected);
        QVERIFY2(std::abs(clip.value->frames - expected) <= expected / 100,
                 qPrintable(QString::number(clip.value->frames)));
        // Mono comes out on both sides alike; the pitch stays 440 Hz: count
        // upward zero crossings of the left side in the middle second.
        const std::vector<int16_t> &s = clip.value->samples;
        int crossings = 0;
        for (qint64 k = to / 2; k < to / 2 + to; ++k) {
            crossings += s[size_t(2 * k)] < 0 && s[size_t(2 * k + 2)] >= 0;
            QCOMPARE(s[size_t(2 * k)], s[size_t(2 * k + 1)]);
        }
        QVERIFY2(std::abs(crossings - 440) <= 1, qPrintable(QString::number(crossings)));
    }

    // Every row fails with a message naming the file, without blocking or
    // reading what it must not.
    void refusesHostileFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("cause");
        QTest::newRow("text named mp3") << "text.mp3"
                                        << "не звук";
        QTest::newRow("zero length") << "empty.ogg"
                                     << "пустой";
        QTest::newRow("2 GB sparse") << "sparse.wav"
                                     << "больше 256 МиБ";
        QTest::newRow("fifo") << "3.wav"
                              << "не обычный файл";
        QTest::newRow("folder") << "folder.flac"
                                << "папка";
        QTest::newRow("missing") << "missing.mp3"
                                 << "Нет файла";
        QTest::newRow("truncated flac") << "cut.flac"
                                        << "оборван";
        QTest::newRow("truncated ogg") << "cut.ogg"
                                       << "оборван";
        QTest::newRow("truncated mp3") << "cut.mp3"
                                       << "оборван";
        QTest::newRow("truncated header") << "header.wav"
                                          << "не звук";
        QTest::newRow("over ten minutes") << "long.flac"
                                          << "длиннее 10 мин (в файле 10 мин 1 с)";
    }
    void refusesHostileFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, cause);
        const QString file = path(name);
        if (name == u"text.mp3")
            mustWriteFile(file, "Вопрос 1\r\nВопрос 2\r\n"_ba.repeated(200));
        else if (name == u"empty.ogg")
            mustWriteFile(file, {});
        else if (name == u"sparse.wav") {
            mustWriteFile(file, "RIFF");
            QCOMPARE(::truncate(qPrintable(file), 2LL * 1024 * 1024 * 1024), 0);
        } else if (name == u"3.wav")
            QCOMPARE(::mkfifo(qPrintable(file), 0600), 0);
        else if (name == u"folder.flac")
            QVERIFY(QDir(m_dir.path()).mkpath(name));
        else if (name.startsWith(u"cut.") || name == u"header.wav") {
            const int format = name.endsWith(u"flac")  ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                               : name.endsWith(u"ogg") ? SF_FORMAT_OGG | SF_FORMAT_VORBIS
                               : name.endsWith(u"mp3") ? SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III
                                                       : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
            const SineClip sine{format, 44100, 2, 5.0, 0.3};
            if (!canWrite(sine))
                QSKIP("this libsndfile does not write the format");
            mustWriteClip(file, sine);
            const qint64 keep = name == u"header.wav" ? 30 : QFileInfo(file).size() / 2;
            QCOMPARE(::truncate(qPrintable(file), keep), 0);
        } else if (name == u"long.flac") // silence packs small
            mustWriteClip(file, {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1, 601.0, 0.0});

        const Outcome<Clip> clip = decodeClip(file, kRate);
        QVERIFY(!clip);
        QVERIFY2(clip.error.contains(file), qPrintable(clip.error));
        QVERIFY2(clip.error.contains(cause), qPrintable(clip.error));
    }

    void holdsTheLimits_data()
    {
        QTest::addColumn<qint64>("maxFileBytes");
        QTest::addColumn<double>("maxSeconds");
        QTest::addColumn<qint64>("maxDecodedBytes");
        QTest::addColumn<QString>("cause"); // empty: decodes
        const qint64 secondBytes = decodedBytes(kRate);
        QTest::newRow("within") << qint64(1 << 20) << 3.0 << 3 * secondBytes << "";
        QTest::newRow("file size") << qint64(100'000) << 3.0 << 3 * secondBytes << "больше";
        QTest::newRow("length") << qint64(1 << 20) << 1.5 << 3 * secondBytes << "длиннее 1,5 с (в файле 2 с)";
        QTest::newRow("memory") << qint64(1 << 20) << 3.0 << secondBytes << "не помещается в память";
    }
    void holdsTheLimits()
    {
        QFETCH(qint64, maxFileBytes);
        QFETCH(double, maxSeconds);
        QFETCH(qint64, maxDecodedBytes);
        QFETCH(QString, cause);
        const QString file = path(u"limits.wav"_s); // 2 s, 352 kB
        mustWriteClip(file, {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 2.0, 0.3});
        const Outcome<Clip> clip = decodeClip(file, kRate, {maxFileBytes, maxSeconds, maxDecodedBytes});
        QCOMPARE(bool(clip), cause.isEmpty());
        if (!clip)
            QVERIFY2(clip.error.contains(cause), qPrintable(clip.error));
    }
};

QTEST_GUILESS_MAIN(TestClipDecode)
#include "tst_clipdecode.moc"
