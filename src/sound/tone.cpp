#include "sound/tone.h"

#include <algorithm>
#include <cmath>

Mixer::Sound tone::beep(int sampleRate)
{
    constexpr double frequency = 880.0;
    constexpr double seconds = 0.120;
    constexpr double fadeSeconds = 0.005;
    constexpr double pi = 3.14159265358979323846;
    // -18 dBFS: a clear tick, well under the stop chime (peak -3 dBFS).
    const double peak = 32768.0 * std::pow(10.0, -18.0 / 20.0);
    const int frames = int(std::lround(seconds * sampleRate));
    const int fade = int(std::lround(fadeSeconds * sampleRate));

    std::vector<int16_t> samples;
    samples.reserve(std::size_t(frames) * Mixer::channels);
    for (int n = 0; n < frames; ++n) {
        // Raised-cosine edges, so the tone starts and stops without a click.
        const int edge = std::min(n, frames - 1 - n);
        const double gain = edge >= fade ? 1.0 : 0.5 - 0.5 * std::cos(pi * edge / fade);
        const auto sample =
            int16_t(std::lround(peak * gain * std::sin(2.0 * pi * frequency * n / sampleRate)));
        for (int c = 0; c < Mixer::channels; ++c)
            samples.push_back(sample);
    }
    return std::make_shared<const std::vector<int16_t>>(std::move(samples));
}
