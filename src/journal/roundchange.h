#pragma once

#include "game/gamesnapshot.h"

namespace journal {

// The round's files as they are now, against the questions and answers a
// journal holds for it.
enum class RoundOnDisk {
    Same,    // both files read, twelve fields each, as the journal has them
    Changed, // both files read, and some question or answer differs
    Gone,    // no round named, or its files cannot be read as a round
};

// Reads the files of game.round the way a load does (relative names from
// the working folder).
RoundOnDisk compareRoundFiles(const GameSnapshot &game);

} // namespace journal
