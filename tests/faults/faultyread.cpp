// The fortified inline read() of glibc would clash with the definition below.
#undef _FORTIFY_SOURCE

#include "faultyread.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

namespace faults {

namespace {

struct State
{
    ReadPlan plan;
    QByteArray path;
    QByteArray deletedPath; // how /proc shows the file once unlinked or replaced
    int reads = 0;
    bool acted = false;
};

State g_state;
std::atomic<bool> g_planned{false};
thread_local bool t_inPlan = false;

long long realRead(int fd, void *buf, size_t count)
{
    return syscall(SYS_read, fd, buf, count);
}

bool isPlannedFile(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target);
    if (n <= 0 || n >= ssize_t(sizeof target))
        return false;
    const QByteArray name(target, qsizetype(n));
    return name == g_state.path || name == g_state.deletedPath;
}

} // namespace

void planReads(ReadPlan plan)
{
    g_planned = false;
    g_state = State();
    g_state.path = QFile::encodeName(plan.path);
    g_state.deletedPath = g_state.path + " (deleted)";
    g_state.plan = std::move(plan);
    g_planned = true;
}

void clearReadPlan()
{
    g_planned = false;
    g_state = State();
}

int readsSeen()
{
    return g_state.reads;
}

} // namespace faults

using namespace faults;

extern "C" ssize_t read(int fd, void *buf, size_t count)
{
    // Reads on other threads (the event dispatcher's wake-ups, say) and the
    // plan's own action pass straight through.
    if (!g_planned.load(std::memory_order_acquire) || t_inPlan)
        return realRead(fd, buf, count);

    t_inPlan = true;
    const bool planned = isPlannedFile(fd);
    if (planned) {
        const int call = ++g_state.reads;
        const ReadPlan &plan = g_state.plan;
        if (call >= plan.atRead && !g_state.acted) {
            g_state.acted = true;
            if (plan.action)
                plan.action();
        }
        if (plan.failErrno != 0 && call >= plan.atRead) {
            t_inPlan = false;
            errno = plan.failErrno;
            return -1;
        }
        if (plan.chunk > 0 && count > size_t(plan.chunk))
            count = size_t(plan.chunk);
    }
    t_inPlan = false;
    return realRead(fd, buf, count);
}
