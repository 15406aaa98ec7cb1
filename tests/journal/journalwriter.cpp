// A program that records numbered games, for the tests that kill a writer
// with SIGKILL or give it a full or read-only disk.
//
//   journalwriter FOLDER FIRST LAST
//
// Records games FIRST..LAST one after another, waiting for each to be on the
// disk, and prints "k" on stdout once game k is, or "problem: <reason>" and
// stops when it cannot be kept. The journal's own seam
// (KVIZOR_JOURNAL_FAULT) can hold its writer at one step.

#include "journal/journal.h"
#include "journalgames.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    journal::Journal journal(QString::fromLocal8Bit(argv[1]));
    for (int k = std::atoi(argv[2]); k <= std::atoi(argv[3]); ++k) {
        journal.record(numberedGame(k));
        journal.waitForDisk(60000);
        if (!journal.problem().isEmpty()) {
            std::printf("problem: %s\n", qUtf8Printable(journal.problem()));
            return 1;
        }
        std::printf("%d\n", k);
        std::fflush(stdout);
    }
    return 0;
}
