#include "sound/tone.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

// seconds of frequency at peakDbfs, with raised-cosine edges so the tone
// starts and stops without a click; harmonics (odd ones, falling as 1/n)
// make it rasp.
Mixer::Sound toneOf(int sampleRate, double frequency, double seconds, double peakDbfs, int harmonics)
{
    constexpr double fadeSeconds = 0.005;
    const double peak = 32768.0 * std::pow(10.0, peakDbfs / 20.0);
    const int frames = int(std::lround(seconds * sampleRate));
    const int fade = int(std::lround(fadeSeconds * sampleRate));
    double norm = 0;
    for (int h = 0; h <= harmonics; ++h)
        norm += 1.0 / (2 * h + 1);

    std::vector<int16_t> samples;
    samples.reserve(std::size_t(frames) * Mixer::channels);
    for (int n = 0; n < frames; ++n) {
        const int edge = std::min(n, frames - 1 - n);
        const double gain = edge >= fade ? 1.0 : 0.5 - 0.5 * std::cos(pi * edge / fade);
        double wave = 0;
        for (int h = 0; h <= harmonics; ++h) {
            const int k = 2 * h + 1;
            wave += std::sin(2.0 * pi * frequency * k * n / sampleRate) / k;
        }
        const auto sample = int16_t(std::lround(peak * gain * wave / (harmonics ? norm : 1.0)));
        for (int c = 0; c < Mixer::channels; ++c)
            samples.push_back(sample);
    }
    return std::make_shared<const std::vector<int16_t>>(std::move(samples));
}

} // namespace

Mixer::Sound tone::beep(int sampleRate)
{
    // -18 dBFS: a clear tick, well under the stop chime (peak -3 dBFS).
    return toneOf(sampleRate, 880.0, 0.120, -18.0, 0);
}

Mixer::Sound tone::buzz(int sampleRate, int team)
{
    // Team 1 high, team 2 low: a fifth apart, so the room tells them apart.
    return toneOf(sampleRate, team == 1 ? 440.0 : 293.66, 0.350, -8.0, 4);
}
