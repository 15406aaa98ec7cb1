#include "sound/stoprecording.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace stoprecording {
namespace {

// The sound is designed at half the output rate; each value is then sent twice.
constexpr int designRate = sampleRate / 2;
constexpr int designFrames = frames / 2;

// Loudest point: the partials are phased to peak together here, which puts
// the highest sample exactly at the swell of the envelope.
constexpr double loudestAt = 0.2;
constexpr int peakLevel = 90; // 8-bit steps; 90 << 8 = 23040
constexpr int tailLevel = 19; // highest level in the last 30 ms; 19 << 8 = 4864
constexpr double tailSeconds = 0.030;

struct Partial
{
    double frequency;
    double amplitude;
};

// A small bell: inharmonic partials, the lowest strongest. The two upper ones
// are close in strength, but 3.37 kHz stays weaker than 4.23 kHz even after
// the doubled frames soften the higher one, and stronger than the mirror
// image of 4.23 kHz that the doubling leaves at 6.8 kHz.
constexpr Partial partials[] = {
    {1620.0, 1.00},
    {4230.0, 0.62},
    {3370.0, 0.50},
};

constexpr double pi = 3.14159265358979323846;

// Strike, swell to the loudest point, then a bell-like decay (a quick part
// and a long ring) and a release that closes the last tenth of a second.
double envelope(double t)
{
    constexpr double attack = 0.05;
    constexpr double quickShare = 0.5;
    constexpr double quickDecay = 0.05;
    constexpr double ringDecay = 6.0;
    constexpr double releaseFrom = 0.75;
    constexpr double releaseTo = 0.847;

    double level;
    if (t < loudestAt) {
        level = (1.0 - std::exp(-t / attack)) / (1.0 - std::exp(-loudestAt / attack));
    } else {
        const double d = t - loudestAt;
        level = quickShare * std::exp(-d / quickDecay) + (1.0 - quickShare) * std::exp(-d / ringDecay);
    }
    if (t > releaseFrom) {
        const double x = std::min(1.0, (t - releaseFrom) / (releaseTo - releaseFrom));
        const double c = std::cos(x * pi / 2.0);
        level *= c * c;
    }
    return level;
}

std::vector<double> shape()
{
    std::vector<double> wave(designFrames);
    for (int n = 0; n < designFrames; ++n) {
        const double t = double(n) / designRate;
        double sum = 0.0;
        for (const Partial &p : partials)
            sum += p.amplitude * std::cos(2.0 * pi * p.frequency * (t - loudestAt));
        wave[n] = envelope(t) * sum;
    }
    return wave;
}

void appendText(std::vector<uint8_t> &out, const char *text)
{
    out.insert(out.end(), text, text + 4);
}

void append16(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(uint8_t(value & 0xff));
    out.push_back(uint8_t((value >> 8) & 0xff));
}

void append32(std::vector<uint8_t> &out, uint32_t value)
{
    append16(out, value & 0xffff);
    append16(out, value >> 16);
}

} // namespace

std::vector<int16_t> samples()
{
    std::vector<double> wave = shape();

    double highest = 0.0;
    for (double v : wave)
        highest = std::max(highest, std::abs(v));
    for (double &v : wave)
        v *= peakLevel / highest;

    // Bring the last 30 ms to exactly tailLevel at its highest, leaning the
    // gain in gradually over the release so the decay stays smooth.
    const int tailFrames = int(std::lround(tailSeconds * sampleRate)) / 2;
    const int tailStart = designFrames - tailFrames;
    const int leanStart = int(0.75 * designRate);
    double tailHighest = 0.0;
    for (int n = tailStart; n < designFrames; ++n)
        tailHighest = std::max(tailHighest, std::abs(wave[n]));
    const double tailGain = tailLevel / tailHighest;
    for (int n = leanStart; n < designFrames; ++n) {
        const double x = std::min(1.0, double(n - leanStart) / (tailStart - leanStart));
        wave[n] *= 1.0 + (tailGain - 1.0) * x;
    }

    // A short fade on the very last values so playback ends without a click;
    // it only lowers samples that are already below the tail's highest.
    constexpr int fadeFrames = 40;
    for (int i = 0; i < fadeFrames; ++i) {
        const double x = double(i + 1) / (fadeFrames + 1);
        wave[designFrames - 1 - i] *= std::sin(x * pi / 2.0);
    }

    std::vector<int16_t> out;
    out.reserve(std::size_t(frames) * channels);
    for (double v : wave) {
        const long level = std::clamp(std::lround(v), -long(peakLevel), long(peakLevel));
        const int16_t sample = int16_t(level * 256);
        for (int copy = 0; copy < 2 * channels; ++copy)
            out.push_back(sample);
    }
    return out;
}

std::vector<uint8_t> wavFile()
{
    const std::vector<int16_t> pcm = samples();
    const uint32_t dataBytes = uint32_t(pcm.size() * sizeof(int16_t));
    constexpr uint32_t blockAlign = channels * 2;

    std::vector<uint8_t> out;
    out.reserve(fileSize);
    appendText(out, "RIFF");
    append32(out, fileSize - 8);
    appendText(out, "WAVE");

    appendText(out, "fmt ");
    append32(out, 16);
    append16(out, 1); // PCM
    append16(out, channels);
    append32(out, sampleRate);
    append32(out, sampleRate * blockAlign);
    append16(out, blockAlign);
    append16(out, 16);

    appendText(out, "fact");
    append32(out, 4);
    append32(out, frames);

    appendText(out, "data");
    append32(out, dataBytes);
    for (int16_t s : pcm)
        append16(out, uint16_t(s));
    return out;
}

} // namespace stoprecording
