#pragma once

#include <QString>

// While it lives, the start of Qt's window system is watched: what Qt and the
// libraries below it print goes to a side file, and if no platform can be
// started (Qt would abort, advising a reinstall) the program prints one line
// naming the display and the cause and exits with status 1. Once the
// application object stands, the guard is dropped and what was printed is
// passed on to stderr unchanged.
class PlatformStartGuard
{
public:
    PlatformStartGuard();
    ~PlatformStartGuard();

    PlatformStartGuard(const PlatformStartGuard &) = delete;
    PlatformStartGuard &operator=(const PlatformStartGuard &) = delete;

    // Why no platform started, in a line for the host (Russian), from the
    // environment and what Qt printed. Public for tests.
    static QString explain(const QByteArray &printed);
};
