// Measures a recording of the program's real sound output: where the beats
// begin, how far apart they are, when the stop sound begins and what its
// strongest component is. Used by the end-to-end sound test and by the
// performance measurements.
//
//   wavprobe recording.wav [--beats N] [--check]
//
// Prints one "key value" line per figure. With --check it exits 1 unless
// there are exactly N onsets 1000 ± 20 ms apart, the stop sound begins
// within 30 ms of the last one with its strongest component near 1.62 kHz,
// and nothing sounds after it.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Recording
{
    int rate = 0;
    std::vector<double> samples; // mono, -1 ... 1
};

std::uint32_t le32(const unsigned char *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char *p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

bool load(const char *path, Recording &rec)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    int channels = 0, bits = 0;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const unsigned char *chunk = bytes.data() + pos;
        std::uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && pos + 24 <= bytes.size()) {
            channels = le16(chunk + 10);
            rec.rate = int(le32(chunk + 12));
            bits = le16(chunk + 22);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            // A recording stopped by a signal may carry no final length.
            const size_t available = bytes.size() - pos - 8;
            if (size == 0 || size > available)
                size = std::uint32_t(available);
            if (channels <= 0 || bits != 16)
                return false;
            const size_t frames = size / (2 * channels);
            rec.samples.resize(frames);
            for (size_t f = 0; f < frames; ++f) {
                double sum = 0;
                for (int c = 0; c < channels; ++c)
                    sum += std::int16_t(le16(chunk + 8 + (f * channels + c) * 2));
                rec.samples[f] = sum / channels / 32768.0;
            }
            return rec.rate > 0;
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

// Magnitude of one frequency over samples [from, from + n), Hann-windowed.
double goertzel(const Recording &rec, size_t from, size_t n, double hz)
{
    if (from + n > rec.samples.size())
        return 0;
    const double w = 2 * M_PI * hz / rec.rate;
    const double coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(n - 1));
        const double s0 = rec.samples[from + i] * hann + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)) / double(n);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: wavprobe recording.wav [--beats N] [--check]\n");
        return 2;
    }
    int beats = 5;
    bool check = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--beats") == 0 && i + 1 < argc)
            beats = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--check") == 0)
            check = true;
    }

    Recording rec;
    if (!load(argv[1], rec)) {
        std::fprintf(stderr, "wavprobe: %s is not a 16-bit PCM WAVE recording\n", argv[1]);
        return 2;
    }
    const double msPerSample = 1000.0 / rec.rate;

    // An onset: the first sample above the threshold after at least 200 ms
    // of quiet.
    const double threshold = 0.01;
    const size_t quietNeeded = size_t(rec.rate * 0.2);
    std::vector<size_t> onsets;
    size_t quiet = quietNeeded;
    size_t lastLoud = 0;
    for (size_t i = 0; i < rec.samples.size(); ++i) {
        if (std::fabs(rec.samples[i]) > threshold) {
            if (quiet >= quietNeeded)
                onsets.push_back(i);
            quiet = 0;
            lastLoud = i;
        } else {
            ++quiet;
        }
    }

    std::printf("rate %d\nlength_ms %.1f\nonsets %zu\n", rec.rate, rec.samples.size() * msPerSample,
                onsets.size());
    double worst = 0, sum = 0;
    for (size_t k = 0; k < onsets.size(); ++k) {
        std::printf("onset_%zu_ms %.1f\n", k + 1, onsets[k] * msPerSample);
        if (k > 0) {
            const double gap = (onsets[k] - onsets[k - 1]) * msPerSample;
            std::printf("gap_%zu_ms %.1f\n", k, gap);
            sum += gap;
            worst = std::max(worst, std::fabs(gap - 1000.0));
        }
    }
    if (onsets.size() > 1) {
        std::printf("gap_mean_ms %.2f\ngap_worst_deviation_ms %.2f\n", sum / double(onsets.size() - 1),
                    worst);
    }

    bool ok = int(onsets.size()) == beats && worst <= 20.0;
    if (!onsets.empty()) {
        // The stop sound: where its main component first rises, in 10 ms
        // windows stepped by 1 ms, from 100 ms before the last beat.
        const size_t window = size_t(rec.rate / 100);
        const size_t step = std::max<size_t>(1, size_t(rec.rate / 1000));
        const size_t last = onsets.back();
        const size_t from = last > size_t(rec.rate / 10) ? last - size_t(rec.rate / 10) : 0;
        double stopOnset = -1;
        for (size_t at = from; at + window < rec.samples.size() && at < last + size_t(rec.rate); at += step) {
            if (goertzel(rec, at, window, 1620.0) > 0.004) {
                stopOnset = double(at + window / 2) * msPerSample;
                break;
            }
        }
        // Its strongest component, measured after the beep has ended.
        double bestHz = 0, bestMag = 0;
        const size_t segment = size_t(rec.rate * 0.4);
        const size_t segFrom = last + size_t(rec.rate * 0.15);
        for (double hz = 200; hz <= 6000; hz += 10) {
            const double m = goertzel(rec, segFrom, segment, hz);
            if (m > bestMag) {
                bestMag = m;
                bestHz = hz;
            }
        }
        const double beepHz880 =
            goertzel(rec, onsets.front() + size_t(rec.rate * 0.02), size_t(rec.rate * 0.08), 880.0);
        const double lastLoudMs = lastLoud * msPerSample;
        std::printf("stop_onset_ms %.1f\n", stopOnset);
        std::printf("stop_delay_after_last_beat_ms %.1f\n", stopOnset - last * msPerSample);
        std::printf("stop_strongest_hz %.0f\n", bestHz);
        std::printf("first_beep_880hz_level %.4f\n", beepHz880);
        std::printf("last_sound_ends_ms %.1f\n", lastLoudMs);

        const double delay = stopOnset - last * msPerSample;
        ok = ok && stopOnset >= 0 && std::fabs(delay) <= 30.0 && std::fabs(bestHz - 1620.0) <= 60.0;
        // Nothing after the stop sound (0.83 s long).
        ok = ok && lastLoudMs - last * msPerSample < 1000.0;
    } else {
        ok = false;
    }
    std::printf("verdict %s\n", ok ? "ok" : "bad");
    return check && !ok ? 1 : 0;
}
