#include "sound/stoprecording.h"

#include <QFile>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

constexpr int rate = 22050;
constexpr int headerBytes = 56;
constexpr double pi = 3.14159265358979323846;

// Sample frames at a time in seconds.
int frameAt(double seconds)
{
    return int(std::lround(seconds * rate));
}

// In-place radix-2 FFT; size must be a power of two.
void fft(std::vector<std::complex<double>> &a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * pi / double(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const auto u = a[i + k];
                const auto v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

} // namespace

class TestStopRecording : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void headerIsExact();
    void isEightBitMonoAtHalfRate();
    void levels();
    void strongestPartials();
    void loudnessOverTime();
    void generatorReproducesTheFile();

private:
    int maxAbs(int fromFrame, int toFrame) const;

    QByteArray m_file;
    std::vector<int16_t> m_left;
    std::vector<int16_t> m_right;
};

void TestStopRecording::initTestCase()
{
    QFile file(QString::fromLatin1(stoprecording::resourcePath));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    m_file = file.readAll();
    QCOMPARE(m_file.size(), qsizetype(73200));
    for (qsizetype i = headerBytes; i + 3 < m_file.size(); i += 4) {
        auto sample = [&](qsizetype at) {
            return int16_t(uint16_t(uint8_t(m_file[at]) | uint8_t(m_file[at + 1]) << 8));
        };
        m_left.push_back(sample(i));
        m_right.push_back(sample(i + 2));
    }
}

int TestStopRecording::maxAbs(int fromFrame, int toFrame) const
{
    int peak = 0;
    for (int i = std::max(0, fromFrame); i < std::min(toFrame, int(m_left.size())); ++i)
        peak = std::max(peak, std::abs(int(m_left[i])));
    return peak;
}

void TestStopRecording::headerIsExact()
{
    // clang-format off
    const uint8_t expected[headerBytes] = {
        'R', 'I', 'F', 'F', 0xe8, 0x1d, 0x01, 0x00, // 73192
        'W', 'A', 'V', 'E',
        'f', 'm', 't', ' ', 16, 0, 0, 0,
        1, 0,                 // PCM
        2, 0,                 // stereo
        0x22, 0x56, 0, 0,     // 22050 Hz
        0x88, 0x58, 0x01, 0,  // 88200 bytes/s
        4, 0,                 // block align
        16, 0,                // bits
        'f', 'a', 'c', 't', 4, 0, 0, 0,
        0x6e, 0x47, 0, 0,     // 18286 frames
        'd', 'a', 't', 'a', 0xb8, 0x1d, 0x01, 0x00, // 73144
    };
    // clang-format on
    QCOMPARE(m_file.left(headerBytes), QByteArray(reinterpret_cast<const char *>(expected), headerBytes));
    QCOMPARE(int(m_left.size()), 18286);
    QVERIFY(std::abs(m_left.size() / double(rate) - 0.829) < 0.001);
}

void TestStopRecording::isEightBitMonoAtHalfRate()
{
    for (std::size_t i = 0; i < m_left.size(); ++i) {
        if (m_left[i] != m_right[i])
            QFAIL(qPrintable(QStringLiteral("channels differ at frame %1").arg(i)));
        if (m_left[i] & 0xff)
            QFAIL(qPrintable(QStringLiteral("low byte set at frame %1").arg(i)));
        if (i % 2 == 1 && m_left[i] != m_left[i - 1])
            QFAIL(qPrintable(QStringLiteral("frame %1 is not a copy of the one before").arg(i)));
    }
}

void TestStopRecording::levels()
{
    QCOMPARE(maxAbs(0, int(m_left.size())), 23040);

    double sum = 0.0;
    for (int16_t s : m_left)
        sum += double(s) * s;
    const double rmsDb = 20.0 * std::log10(std::sqrt(sum / m_left.size()) / 32768.0);
    QVERIFY2(std::abs(rmsDb + 15.0) <= 0.5, qPrintable(QString::number(rmsDb)));
}

void TestStopRecording::strongestPartials()
{
    std::vector<std::complex<double>> spectrum(1 << 16);
    std::copy(m_left.begin(), m_left.end(), spectrum.begin());
    fft(spectrum);
    const double binHz = double(rate) / spectrum.size();
    const std::size_t half = spectrum.size() / 2;

    // Local maxima, strongest first, ignoring anything within 100 Hz of a
    // stronger one (the side lobes of the same partial).
    std::vector<std::pair<double, double>> peaks; // magnitude, Hz
    for (std::size_t k = 2; k + 1 < half; ++k) {
        const double m = std::abs(spectrum[k]);
        if (m > std::abs(spectrum[k - 1]) && m >= std::abs(spectrum[k + 1]))
            peaks.emplace_back(m, k * binHz);
    }
    std::sort(peaks.rbegin(), peaks.rend());
    std::vector<double> strongest;
    for (const auto &[magnitude, hz] : peaks) {
        if (std::none_of(strongest.begin(), strongest.end(),
                         [hz = hz](double f) { return std::abs(f - hz) < 100.0; }))
            strongest.push_back(hz);
        if (strongest.size() == 3)
            break;
    }

    QCOMPARE(int(strongest.size()), 3);
    const double expected[] = {1620.0, 4230.0, 3370.0};
    for (int i = 0; i < 3; ++i)
        QVERIFY2(std::abs(strongest[i] - expected[i]) <= 60.0,
                 qPrintable(QStringLiteral("peak %1 at %2 Hz").arg(i + 1).arg(strongest[i])));
}

void TestStopRecording::loudnessOverTime()
{
    // Loudest 10 ms by energy.
    const int window = frameAt(0.010);
    double energy = 0.0;
    double best = -1.0;
    int bestStart = 0;
    for (int i = 0; i < int(m_left.size()); ++i) {
        energy += double(m_left[i]) * m_left[i];
        if (i >= window)
            energy -= double(m_left[i - window]) * m_left[i - window];
        if (i + 1 >= window && energy > best) {
            best = energy;
            bestStart = i + 1 - window;
        }
    }
    const double loudestAt = (bestStart + window / 2.0) / rate;
    QVERIFY2(std::abs(loudestAt - 0.2) <= 0.05, qPrintable(QString::number(loudestAt)));

    const int late = maxAbs(frameAt(0.75), frameAt(0.80));
    QVERIFY2(late >= 9000 && late <= 11000, qPrintable(QString::number(late)));

    const int end = int(m_left.size());
    QCOMPARE(maxAbs(end - frameAt(0.030), end), 4864);
}

void TestStopRecording::generatorReproducesTheFile()
{
    const std::vector<uint8_t> made = stoprecording::wavFile();
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(made.data()), qsizetype(made.size())), m_file);
}

QTEST_GUILESS_MAIN(TestStopRecording)
#include "tst_stoprecording.moc"
