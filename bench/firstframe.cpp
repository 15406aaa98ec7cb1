// Watches an X server's screen from outside a program, the way a user's eye
// would, by reading single pixels of the root window (there is no window
// manager, so a window is drawn where it asks to be).
//
//   kvizor_bench_firstframe startup [options] -- program [args...]
//       Starts the program and waits until the pixel at --x,--y shows
//       --colour. Prints first_frame_ms (from just before fork to the pixel)
//       and, --rss-after-ms later, rss_kib of the program. Then stops it.
//
//   kvizor_bench_firstframe click [options] -- program [args...]
//       Starts kvizor in a folder holding round "7", types the round name,
//       then --runs times: clicks a number (through XTest, as a real mouse
//       would) and times until the number's face turns into the window
//       background, i.e. until the repaint that shows the question. The
//       round is typed again between clicks, which brings the numbers back.
//
// Options: --x N --y N --colour RRGGBB --rss-after-ms N --runs N --timeout-ms N

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Where kvizor's client area lies on the screen, and its number buttons.
constexpr int kClientX = 299, kClientY = 93;
constexpr int kNumberStepX = 152, kNumberStepY = 136;
constexpr int kNumberWidth = 153, kNumberHeight = 135;
// A pixel of plain window background: below the numbers, above the question.
constexpr int kBackgroundX = 10, kBackgroundY = 415;
// The round-name box.
constexpr int kText1X = 760, kText1Y = 48;

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void sleepMs(double ms)
{
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long((ms - double(ts.tv_sec) * 1000) * 1e6);
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

struct Options
{
    std::string mode;
    int x = kClientX + 8;
    int y = kClientY + 8;
    unsigned long colour = 0xFFC0FF;
    int rssAfterMs = 0;
    int runs = 20;
    int timeoutMs = 20000;
    std::vector<char *> program;
};

class RootView
{
public:
    RootView() : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display) {
            std::fprintf(stderr, "firstframe: cannot open the X display\n");
            std::exit(2);
        }
        m_root = DefaultRootWindow(m_display);
        const Visual *visual = DefaultVisual(m_display, DefaultScreen(m_display));
        if (visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
            std::fprintf(stderr, "firstframe: needs a 24-bit RGB screen\n");
            std::exit(2);
        }
        int event = 0, error = 0, major = 0, minor = 0;
        m_xtest = XTestQueryExtension(m_display, &event, &error, &major, &minor);
    }
    ~RootView() { XCloseDisplay(m_display); }
    RootView(const RootView &) = delete;
    RootView &operator=(const RootView &) = delete;

    unsigned long pixel(int x, int y)
    {
        XImage *image = XGetImage(m_display, m_root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return ~0UL;
        const unsigned long value = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return value;
    }

    // Polls about once a millisecond; returns the time it became true, or
    // a negative number after timeoutMs.
    template <typename Condition> double waitUntil(Condition condition, int timeoutMs)
    {
        const double deadline = nowMs() + timeoutMs;
        for (;;) {
            if (condition())
                return nowMs();
            if (nowMs() > deadline)
                return -1;
            sleepMs(1);
        }
    }

    bool canFakeInput() const { return m_xtest; }

    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XSync(m_display, False);
    }
    void click()
    {
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XFlush(m_display);
    }
    void key(KeySym symbol)
    {
        const KeyCode code = XKeysymToKeycode(m_display, symbol);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XSync(m_display, False);
    }

private:
    Display *m_display;
    Window m_root;
    bool m_xtest = false;
};

pid_t launch(const Options &options)
{
    std::vector<char *> argv = options.program;
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "firstframe: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    if (pid < 0) {
        std::perror("firstframe: fork");
        std::exit(2);
    }
    return pid;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        sleepMs(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

long residentKiB(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", int(pid));
    FILE *status = std::fopen(path, "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1)
            break;
    }
    std::fclose(status);
    return kib;
}

int startup(RootView &screen, const Options &options)
{
    // The last run's window must be gone first.
    if (screen.waitUntil([&] { return screen.pixel(options.x, options.y) != options.colour; }, 5000) < 0) {
        std::fprintf(stderr, "firstframe: colour %06lx is already on screen\n", options.colour);
        return 1;
    }
    const double start = nowMs();
    const pid_t pid = launch(options);
    const double shown = screen.waitUntil(
        [&] { return screen.pixel(options.x, options.y) == options.colour; }, options.timeoutMs);
    if (shown < 0) {
        std::fprintf(stderr, "firstframe: %06lx never appeared at %d,%d\n", options.colour, options.x,
                     options.y);
        stop(pid);
        return 1;
    }
    std::printf("first_frame_ms %.1f\n", shown - start);
    if (options.rssAfterMs > 0) {
        sleepMs(options.rssAfterMs);
        std::printf("rss_kib %ld\n", residentKiB(pid));
    }
    std::fflush(stdout);
    stop(pid);
    screen.waitUntil([&] { return screen.pixel(options.x, options.y) != options.colour; }, 5000);
    return 0;
}

void typeRoundName(RootView &screen)
{
    screen.moveTo(kClientX + kText1X, kClientY + kText1Y);
    screen.click();
    sleepMs(50);
    screen.key(XK_End);
    screen.key(XK_BackSpace);
    screen.key(XK_7);
}

int clicks(RootView &screen, const Options &options)
{
    if (!screen.canFakeInput()) {
        std::fprintf(stderr, "firstframe: the X server has no XTest extension\n");
        return 1;
    }
    const pid_t pid = launch(options);
    if (screen.waitUntil([&] { return screen.pixel(kClientX + 8, kClientY + 8) == 0xFFC0FF; },
                         options.timeoutMs) < 0) {
        std::fprintf(stderr, "firstframe: the window never appeared\n");
        stop(pid);
        return 1;
    }
    sleepMs(500);
    const unsigned long background = screen.pixel(kClientX + kBackgroundX, kClientY + kBackgroundY);
    std::printf("background %06lx\n", background);

    std::vector<double> latencies;
    int status = 0;
    for (int run = 0; run < options.runs; ++run) {
        typeRoundName(screen);
        const int number = run % 12;
        const int left = kClientX + (number % 4) * kNumberStepX;
        const int top = kClientY + (number / 4) * kNumberStepY;
        const int faceX = left + 8, faceY = top + 8;
        if (screen.waitUntil([&] { return screen.pixel(faceX, faceY) != background; }, 3000) < 0) {
            std::fprintf(stderr, "firstframe: number %d did not come back after typing the round\n",
                         number + 1);
            status = 1;
            break;
        }
        screen.moveTo(left + kNumberWidth / 2, top + kNumberHeight / 2);
        sleepMs(300); // whatever the hover repaints, and the round load, are over

        const double start = nowMs();
        screen.click();
        const double hidden =
            screen.waitUntil([&] { return screen.pixel(faceX, faceY) == background; }, 3000);
        if (hidden < 0) {
            std::fprintf(stderr, "firstframe: number %d did not go after its click\n", number + 1);
            status = 1;
            break;
        }
        latencies.push_back(hidden - start);
        std::printf("click_%d_number_%d_ms %.2f\n", run + 1, number + 1, hidden - start);
        std::fflush(stdout);
    }
    stop(pid);
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        const size_t n = latencies.size();
        const double median = n % 2 ? latencies[n / 2] : (latencies[n / 2 - 1] + latencies[n / 2]) / 2;
        std::printf("clicks %zu\nclick_median_ms %.2f\nclick_min_ms %.2f\nclick_max_ms %.2f\n", n, median,
                    latencies.front(), latencies.back());
    }
    return status;
}

bool parse(int argc, char **argv, Options &options)
{
    if (argc < 2)
        return false;
    options.mode = argv[1];
    int i = 2;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc)
            return false;
        const char *value = argv[++i];
        if (name == "--x")
            options.x = std::atoi(value);
        else if (name == "--y")
            options.y = std::atoi(value);
        else if (name == "--colour")
            options.colour = std::strtoul(value, nullptr, 16);
        else if (name == "--rss-after-ms")
            options.rssAfterMs = std::atoi(value);
        else if (name == "--runs")
            options.runs = std::atoi(value);
        else if (name == "--timeout-ms")
            options.timeoutMs = std::atoi(value);
        else
            return false;
    }
    for (++i; i < argc; ++i)
        options.program.push_back(argv[i]);
    return !options.program.empty() && (options.mode == "startup" || options.mode == "click");
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: kvizor_bench_firstframe startup|click [--x N --y N --colour RRGGBB "
                             "--rss-after-ms N --runs N --timeout-ms N] -- program [args...]\n");
        return 2;
    }
    RootView screen;
    return options.mode == "startup" ? startup(screen, options) : clicks(screen, options);
}
