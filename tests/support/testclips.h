#pragma once

// Clips the tests make on the fly with libsndfile: sines in any format it
// writes, and what a loudness meter makes of a decoded clip.

#include <QString>

#include <cmath>
#include <cstdint>
#include <ebur128.h>
#include <sndfile.h>
#include <vector>

struct SineClip
{
    int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    int rate = 48000;
    int channels = 2;
    double seconds = 0.5;
    double amplitude = 0.5; // of full scale; 0: silence
    double hz = 440;
};

// Whether this libsndfile can write the format (MP3 needs LAME inside it).
inline bool canWrite(const SineClip &clip)
{
    SF_INFO info{};
    info.samplerate = clip.rate;
    info.channels = clip.channels;
    info.format = clip.format;
    return sf_format_check(&info) != 0;
}

// Writes the clip to path; the same sine on every channel. spikeAt >= 0
// puts one full-scale-ish sample (0.9) at that frame.
inline void mustWriteClip(const QString &path, const SineClip &clip, long long spikeAt = -1)
{
    SF_INFO info{};
    info.samplerate = clip.rate;
    info.channels = clip.channels;
    info.format = clip.format;
    SNDFILE *file = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!file)
        qFatal("cannot write clip %s: %s", qPrintable(path), sf_strerror(nullptr));
    const long long frames = std::llround(clip.seconds * clip.rate);
    constexpr long long kChunk = 8192;
    std::vector<float> buffer(size_t(kChunk * clip.channels));
    for (long long start = 0; start < frames; start += kChunk) {
        const long long count = std::min(kChunk, frames - start);
        for (long long k = 0; k < count; ++k) {
            const long long frame = start + k;
            float value = float(clip.amplitude * std::sin(2 * M_PI * clip.hz * double(frame) / clip.rate));
            if (frame == spikeAt)
                value = 0.9f;
            for (int c = 0; c < clip.channels; ++c)
                buffer[size_t(k * clip.channels + c)] = value;
        }
        if (sf_writef_float(file, buffer.data(), count) != count)
            qFatal("cannot write clip %s: %s", qPrintable(path), sf_strerror(file));
    }
    sf_close(file);
}

// Integrated loudness (LUFS) of interleaved 16-bit stereo, measured apart
// from the code under test.
inline double measuredLoudness(const std::vector<int16_t> &samples, int rate)
{
    ebur128_state *meter = ebur128_init(2, unsigned(rate), EBUR128_MODE_I);
    std::vector<float> floats(samples.size());
    for (size_t k = 0; k < samples.size(); ++k)
        floats[k] = float(samples[k]) / 32768.0f;
    ebur128_add_frames_float(meter, floats.data(), floats.size() / 2);
    double loudness = 0;
    ebur128_loudness_global(meter, &loudness);
    ebur128_destroy(&meter);
    return loudness;
}
