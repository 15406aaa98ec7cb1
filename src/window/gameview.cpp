// The controls drawn from the game, and a kept game put back.

#include "game/game.h"
#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// The order in which a load brings the number buttons back.
constexpr int kShowOrder[12] = {1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9};

} // namespace

void Form1::showGame()
{
    for (int number : kShowOrder)
        numberButton(number)->setVisible(m_game->numberLeft(number));
    Label1->setText(m_game->question());
    Label7->setText(m_game->answer());
    Label7->setVisible(m_game->answerShown());
    Label2->setText(m_game->score(Game::Team::One));
    Label3->setText(m_game->score(Game::Team::Two));
    Label5->setText(m_game->countdown());
    Command3->setVisible(m_game->answerOffered());
    LoadError->setText(m_game->loadError());
    LoadError->setToolTip(m_game->loadError());
}

// The pictures as the round's load and the game's steps since would show
// them: for a load, and for a game put back.
void Form1::showPicturesOfTheGame()
{
    m_pictures->roundLoaded(m_game->round());
    if (const int number = m_game->questionNumber(); number != 0) {
        m_pictures->questionPicked(number);
        if (m_game->answerShown())
            m_pictures->answerRevealed();
    }
}

GameSnapshot Form1::snapshot() const
{
    return m_game->snapshot();
}

void Form1::restore(const GameSnapshot &game)
{
    Timer1->stop();
    {
        const QSignalBlocker quiet(Text1); // the name back in the box, no load
        Text1->setText(game.round);
    }
    m_game->restore(game);
    Option20->setChecked(true);
    // Mid-game, as after a pick: a clicker's B must not type in the box.
    leaveTheRoundBox();
    showPicturesOfTheGame();
    emit gameChanged();
}
