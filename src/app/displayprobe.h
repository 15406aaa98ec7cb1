#pragma once

#include <QString>

// Qt aborts with a long report when it finds no display; a host deserves
// one clear line and an exit code instead. Returns that line (Russian) when
// the program has no display to show its window on, empty otherwise.
QString missingDisplay();
