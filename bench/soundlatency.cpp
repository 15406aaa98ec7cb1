// Times a trigger to the first loud sample at a PulseAudio sink's monitor,
// the way a listener by the speaker would.
//
//   kvizor_bench_soundlatency paplay --runs N --wav tone.wav
//       Starts `paplay tone.wav` N times: the floor, process start included.
//   kvizor_bench_soundlatency tone out.wav
//       Writes a tone like the beat (120 ms, 880 Hz, -18 dBFS, 48 kHz stereo).
//   kvizor_bench_soundlatency click --runs N --x X --y Y --gap-ms MS -- prepare-command
//       N times: runs prepare-command (sh -c; it brings the number back),
//       waits 300 ms, then clicks at root coordinates X Y through XTest and
//       waits MS for the countdown and its stream to end.
//   kvizor_bench_soundlatency key --runs N --keycode K --gap-ms MS -- prepare-command
//       The same with a press of X keycode K (a buzzer's key) for the click:
//       prepare-command picks a number, and the press comes 300 ms later.
//
// Records null.monitor (or --source) with a 1 ms fragment; a chunk's last
// sample is taken as heard when the read returns, so every figure carries
// the same recording delay and only differences between them mean anything.
// Prints latency_K_ms lines and median/min/max.

#include <pulse/error.h>
#include <pulse/simple.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr double kThreshold = 0.01 * 32768;

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void sleepMs(double ms)
{
    std::this_thread::sleep_for(std::chrono::microseconds(long(ms * 1000)));
}

// Reads the monitor for good; onset() gives the first loud sample after arm().
class Listener
{
public:
    explicit Listener(const char *source)
    {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = kRate / 1000 * 2;
        int error = 0;
        m_pa = pa_simple_new(nullptr, "kvizor-soundlatency", PA_STREAM_RECORD, source, "listener", &format,
                             nullptr, &attr, &error);
        if (!m_pa) {
            std::fprintf(stderr, "soundlatency: cannot record %s: %s\n", source, pa_strerror(error));
            std::exit(2);
        }
        m_thread = std::thread([this] { run(); });
    }
    ~Listener()
    {
        m_stop = true;
        m_thread.join();
        pa_simple_free(m_pa);
    }
    void arm() { m_onset = -1, m_armed = true; }
    double onset() const { return m_onset; }

private:
    void run()
    {
        std::vector<int16_t> chunk(kRate / 1000);
        while (!m_stop) {
            int error = 0;
            if (pa_simple_read(m_pa, chunk.data(), chunk.size() * 2, &error) < 0)
                return;
            const double end = nowMs();
            if (!m_armed)
                continue;
            for (std::size_t i = 0; i < chunk.size(); ++i) {
                if (std::abs(int(chunk[i])) > kThreshold) {
                    m_onset = end - double(chunk.size() - i) * 1000.0 / kRate;
                    m_armed = false;
                    break;
                }
            }
        }
    }

    pa_simple *m_pa = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_armed{false};
    std::atomic<double> m_onset{-1};
};

double waitOnset(Listener &listener, double start, double timeoutMs)
{
    while (listener.onset() < 0 && nowMs() - start < timeoutMs)
        sleepMs(0.5);
    return listener.onset() < 0 ? -1 : listener.onset() - start;
}

void report(std::vector<double> latencies)
{
    std::sort(latencies.begin(), latencies.end());
    const std::size_t n = latencies.size();
    if (n == 0) {
        std::printf("latency_median_ms n/a\n");
        return;
    }
    const double median = n % 2 ? latencies[n / 2] : (latencies[n / 2 - 1] + latencies[n / 2]) / 2;
    std::printf("latency_median_ms %.2f\nlatency_min_ms %.2f\nlatency_max_ms %.2f\n", median,
                latencies.front(), latencies.back());
}

int writeTone(const char *path)
{
    const int frames = kRate * 120 / 1000;
    std::vector<int16_t> pcm;
    for (int n = 0; n < frames; ++n) {
        const double v = 4125.0 * std::sin(2 * M_PI * 880.0 * n / kRate);
        pcm.push_back(int16_t(v));
        pcm.push_back(int16_t(v));
    }
    const uint32_t data = uint32_t(pcm.size() * 2);
    const uint32_t riff = 36 + data, fmt = 16, rate = kRate, bytes = kRate * 4;
    const uint16_t pcmTag = 1, channels = 2, align = 4, bits = 16;
    FILE *f = std::fopen(path, "wb");
    if (!f)
        return 1;
    std::fwrite("RIFF", 1, 4, f), std::fwrite(&riff, 4, 1, f), std::fwrite("WAVEfmt ", 1, 8, f);
    std::fwrite(&fmt, 4, 1, f), std::fwrite(&pcmTag, 2, 1, f), std::fwrite(&channels, 2, 1, f);
    std::fwrite(&rate, 4, 1, f), std::fwrite(&bytes, 4, 1, f), std::fwrite(&align, 2, 1, f);
    std::fwrite(&bits, 2, 1, f), std::fwrite("data", 1, 4, f), std::fwrite(&data, 4, 1, f);
    std::fwrite(pcm.data(), 2, pcm.size(), f);
    return std::fclose(f) == 0 ? 0 : 1;
}

struct Options
{
    std::string mode;
    int runs = 10, x = 0, y = 0, gapMs = 7500, keycode = 0;
    std::string wav, prepare, source = "null.monitor";
};

bool parse(int argc, char **argv, Options &o)
{
    o.mode = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--" && i + 1 < argc) {
            o.prepare = argv[i + 1];
            return true;
        }
        if (i + 1 >= argc)
            return false;
        const char *v = argv[++i];
        if (a == "--runs")
            o.runs = std::atoi(v);
        else if (a == "--x")
            o.x = std::atoi(v);
        else if (a == "--y")
            o.y = std::atoi(v);
        else if (a == "--keycode")
            o.keycode = std::atoi(v);
        else if (a == "--gap-ms")
            o.gapMs = std::atoi(v);
        else if (a == "--wav")
            o.wav = v;
        else if (a == "--source")
            o.source = v;
    }
    return true;
}

// One trigger: a click through XTest when display is set, else paplay.
double triggerOnce(Listener &listener, Display *display, const Options &o)
{
    const bool key = o.mode == "key";
    if (display && !key) {
        XTestFakeMotionEvent(display, -1, o.x, o.y, CurrentTime);
        XSync(display, False);
    }
    sleepMs(300);
    listener.arm();
    const double start = nowMs();
    if (display && key) {
        XTestFakeKeyEvent(display, unsigned(o.keycode), True, CurrentTime);
        XTestFakeKeyEvent(display, unsigned(o.keycode), False, CurrentTime);
        XFlush(display);
    } else if (display) {
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XFlush(display);
    } else if (fork() == 0) {
        execlp("paplay", "paplay", o.wav.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    const double latency = waitOnset(listener, start, 2000);
    while (!display && wait(nullptr) > 0) {
    }
    return latency;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && std::strcmp(argv[1], "tone") == 0)
        return writeTone(argv[2]);
    Options o;
    if (argc < 2 || !parse(argc, argv, o))
        return 2;
    Listener listener(o.source.c_str());
    sleepMs(1500); // the recording settles
    const bool x11 = o.mode == "click" || o.mode == "key";
    Display *display = x11 ? XOpenDisplay(nullptr) : nullptr;
    if (x11 && !display)
        return 2;

    std::vector<double> latencies;
    for (int run = 0; run < o.runs; ++run) {
        if (display && !o.prepare.empty() && std::system(o.prepare.c_str()) != 0)
            return 1;
        const double latency = triggerOnce(listener, display, o);
        std::printf("latency_%d_ms %.2f\n", run + 1, latency);
        std::fflush(stdout);
        if (latency >= 0)
            latencies.push_back(latency);
        sleepMs(display ? o.gapMs : 500);
    }
    report(latencies);
    if (display)
        XCloseDisplay(display);
    return 0;
}
