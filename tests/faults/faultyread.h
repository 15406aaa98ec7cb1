#pragma once

#include <QString>

#include <functional>

// Interferes with the reads of one file, at the system-call boundary, so a
// test can make the world change while the program is in the middle of
// reading: the test executable supplies its own read(), which every caller in
// the process reaches, and it passes everything through untouched unless a
// plan names the file being read.
namespace faults {

struct ReadPlan
{
    QString path;                 // the file to interfere with, by its canonical path
    long long chunk = 0;          // when > 0, each read of it gives at most this many bytes
    int atRead = 1;               // which read of it (1-based) the fault comes before
    std::function<void()> action; // runs once, just before that read
    int failErrno = 0;            // when set, that read and every later one fails with it
};

// Replaces any plan in force.
void planReads(ReadPlan plan);
void clearReadPlan();

// Reads of the planned file so far.
int readsSeen();

} // namespace faults
