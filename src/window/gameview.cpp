// The controls drawn from the game, and a kept game put back.

#include "game/game.h"
#include "layout/designfont.h"
#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

namespace {

// The order in which a load brings the number buttons back.
constexpr int kShowOrder[12] = {1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9};

// A team's name on its button in the button's design font, made smaller
// until it fits on one line, or on two split between words; a name that
// fits neither way at the smallest size ends in "…" after a whole letter.
void showName(QPushButton *button, const design::Control &control, double scale, const QString &name)
{
    QFont font = designFont(control.font, scale);
    if (name.isEmpty()) {
        button->setFont(font);
        button->setText(QString::fromUtf8(control.caption));
        return;
    }
    const int width = std::max(1, button->width() - int(8 * scale));
    const int height = std::max(1, button->height() - int(4 * scale));
    const double designed = font.pointSizeF();
    QString twoLines;
    if (const qsizetype middle = name.size() / 2; name.contains(u' ')) {
        qsizetype split = name.lastIndexOf(u' ', middle);
        const qsizetype after = name.indexOf(u' ', middle);
        if (split < 0 || (after >= 0 && after - middle < middle - split))
            split = after;
        twoLines = name.left(split) + u'\n' + name.mid(split + 1);
    }
    for (double size = designed; size >= designed * 0.4; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(name) <= width && metrics.height() <= height) {
            button->setFont(font);
            button->setText(name);
            return;
        }
        if (!twoLines.isEmpty() && 2 * metrics.lineSpacing() <= height) {
            const QStringList lines = twoLines.split(u'\n');
            if (metrics.horizontalAdvance(lines[0]) <= width &&
                metrics.horizontalAdvance(lines[1]) <= width) {
                button->setFont(font);
                button->setText(twoLines);
                return;
            }
        }
    }
    font.setPointSizeF(designed * 0.4);
    button->setFont(font);
    button->setText(QFontMetrics(font).elidedText(name, Qt::ElideRight, width));
}

} // namespace

void Form1::showTeamNames()
{
    showName(Command1, design::control("Command1"), m_scale, m_game->teamNames().first);
    showName(Command2, design::control("Command2"), m_scale, m_game->teamNames().second);
}

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
    const Buzzing &buzzing = m_game->buzzing();
    const QRect teams[2] = {Command1->geometry().united(Label2->geometry()),
                            Command2->geometry().united(Label3->geometry())};
    for (int team = 1; team <= 2; ++team) {
        QFrame *mark = BuzzMarks[size_t(team - 1)];
        const int grow = std::max(2, int(6 * m_scale));
        mark->setGeometry(teams[team - 1].adjusted(-grow, -grow, grow, grow));
        mark->setVisible(buzzing.marks(team));
        if (mark->isVisible())
            mark->raise();
    }
    if (!(m_game->teamNames() == m_shownNames)) {
        m_shownNames = m_game->teamNames();
        showTeamNames();
    }
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
