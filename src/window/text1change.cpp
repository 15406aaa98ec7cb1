// Loading a round whenever the round name changes.

#include "game/game.h"
#include "rounds/roundfile.h"
#include "window/form1.h"

#include <QLineEdit>

#include <utility>

void Form1::Text1_Change()
{
    // Both files are read whole before anything changes: a missing or short
    // file leaves the board exactly as it was and says why.
    rounds::RoundRead read = rounds::readRound(Text1->text());
    if (!read.value) {
        m_game->loadFailed(read.error);
        return;
    }
    m_game->loadRound(Text1->text(), std::move(*read.value));
    showPicturesOfTheGame();
}
