#include "journal/roundchange.h"

#include "rounds/roundfile.h"

namespace journal {

RoundOnDisk compareRoundFiles(const GameSnapshot &game)
{
    if (game.round.isEmpty())
        return RoundOnDisk::Gone;
    const rounds::RoundRead read = rounds::readRound(game.round);
    if (!read.value)
        return RoundOnDisk::Gone;
    return read.value->questions == game.questions && read.value->answers == game.answers
               ? RoundOnDisk::Same
               : RoundOnDisk::Changed;
}

} // namespace journal
