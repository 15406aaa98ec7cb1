#include "app/platformstart.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

FILE *g_side = nullptr; // what was printed while the guard is on
int g_savedStderr = -1;
QtMessageHandler g_previous = nullptr;

void restoreStderr()
{
    if (g_savedStderr < 0)
        return;
    std::fflush(stderr);
    ::dup2(g_savedStderr, STDERR_FILENO);
    ::close(g_savedStderr);
    g_savedStderr = -1;
}

QByteArray sideText()
{
    QByteArray text;
    if (!g_side)
        return text;
    std::fflush(g_side);
    std::rewind(g_side);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, g_side)) > 0)
        text.append(buffer, qsizetype(n));
    return text;
}

void onMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        g_previous(type, context, message);
        return;
    }
    g_previous(QtWarningMsg, context, message); // kept in the side file only
    const QByteArray printed = sideText();
    restoreStderr();
    std::fprintf(stderr, "kvizor: %s\n", qUtf8Printable(PlatformStartGuard::explain(printed)));
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

QString env(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

} // namespace

PlatformStartGuard::PlatformStartGuard()
{
    g_side = std::tmpfile();
    if (!g_side)
        return;
    std::fflush(stderr);
    // Appending, so that reading the file back never moves where a late
    // message lands; and neither descriptor goes to a child process.
    ::fcntl(fileno(g_side), F_SETFL, ::fcntl(fileno(g_side), F_GETFL) | O_APPEND);
    ::fcntl(fileno(g_side), F_SETFD, FD_CLOEXEC);
    g_savedStderr = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (g_savedStderr >= 0)
        ::dup2(fileno(g_side), STDERR_FILENO);
    g_previous = qInstallMessageHandler(onMessage);
}

PlatformStartGuard::~PlatformStartGuard()
{
    if (!g_side)
        return;
    qInstallMessageHandler(g_previous);
    const QByteArray printed = sideText();
    restoreStderr();
    std::fwrite(printed.constData(), 1, size_t(printed.size()), stderr);
    std::fclose(g_side);
    g_side = nullptr;
}

QString PlatformStartGuard::explain(const QByteArray &printed)
{
    const QString text = QString::fromLocal8Bit(printed);
    if (env("QT_QPA_PLATFORM").isEmpty() && env("DISPLAY").isEmpty() && env("WAYLAND_DISPLAY").isEmpty())
        return QStringLiteral("нет дисплея (не заданы DISPLAY и WAYLAND_DISPLAY) — "
                              "запустите программу в графическом сеансе");
    QStringList causes;
    static const QRegularExpression unknown(
        QStringLiteral("Could not find the Qt platform plugin \"([^\"]*)\""));
    const QRegularExpressionMatch missing = unknown.match(text);
    if (missing.hasMatch())
        causes << QStringLiteral("нет графической платформы «%1» (QT_QPA_PLATFORM)").arg(missing.captured(1));
    if (text.contains(QLatin1String("wl_display"))) {
        if (env("XDG_RUNTIME_DIR").isEmpty())
            causes << QStringLiteral("Wayland: не задан XDG_RUNTIME_DIR");
        else
            causes << QStringLiteral("Wayland-дисплей «%1» не отвечает (WAYLAND_DISPLAY)")
                          .arg(env("WAYLAND_DISPLAY").isEmpty() ? QStringLiteral("wayland-0")
                                                                : env("WAYLAND_DISPLAY"));
    }
    static const QRegularExpression xcb(QStringLiteral("could not connect to display ?([^\\n]*)"));
    const QRegularExpressionMatch x = xcb.match(text);
    if (x.hasMatch()) {
        const QString display = x.captured(1).trimmed();
        causes
            << (display.isEmpty()
                    ? QStringLiteral("X: не задан DISPLAY")
                    : QStringLiteral("дисплей X «%1» не отвечает или не существует (DISPLAY)").arg(display));
    }
    if (causes.isEmpty())
        causes << QStringLiteral("графическая платформа не запустилась");
    return QStringLiteral("окно не открыть: %1 — запустите программу в графическом сеансе")
        .arg(causes.join(QStringLiteral("; ")));
}
