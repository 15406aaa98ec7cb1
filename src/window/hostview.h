#pragma once

#include "game/gamesnapshot.h"
#include "game/teamnames.h"

#include <QWidget>

#include <array>

class HostPicture;
class PictureShow;
class QLabel;
class QLineEdit;
class QPushButton;

// The host's own window, "Квизория — ведущий", for a screen the room does
// not see: the round, the question and its answer from the moment a number
// is picked, whole however long they are, the countdown, the scores, the
// numbers left, every action as a button and the keys.
//
// It keeps no game of its own: it draws the snapshot it is given and asks
// for every action by a signal, which the board's own handlers carry out.
class HostView : public QWidget
{
    Q_OBJECT

public:
    // What the host view says beside the game.
    struct Situation
    {
        bool mayShowAnswers = true; // false where the room can see this window
        bool blanked = false;
        QString soundNotice; // "нет звука", or empty
        QString resumeOffer; // an interrupted game on offer, or empty
        QStringList notes;   // about keeping the game, one line each
        teams::Names names;  // the teams' names; empty: as designed
    };

    HostView();

    void showGame(const GameSnapshot &game, const Situation &situation);
    // The question's or answer's picture, small, as the board shows it.
    void showPicture(const PictureShow *pictures, bool roomBlanked);

    QLabel *roundLabel() const { return m_round; }
    QLabel *questionLabel() const { return m_question; }
    QLabel *answerLabel() const { return m_answer; }
    QLabel *answerStateLabel() const { return m_answerState; }
    QLabel *countdownLabel() const { return m_countdown; }
    QLabel *scoreLabel() const { return m_scores; }
    QPushButton *numberButton(int number) const { return m_numbers.at(size_t(number - 1)); }
    QPushButton *answerButton() const { return m_reveal; }
    QPushButton *resumeButton() const { return m_resume; }
    QLabel *notesLabel() const { return m_notes; }
    QPushButton *teamButton(int team) const { return m_teams.at(size_t(team - 1)); }
    QLineEdit *nameEdit(int team) const { return m_nameEdits.at(size_t(team - 1)); }
    HostPicture *pictureArea() const { return m_picture; }

signals:
    void numberRequested(int number);
    void revealRequested();
    void pointRequested(int team);
    void takeBackRequested();
    void blankRequested();
    void fullScreenRequested();
    // The host typed a team's name (and left the field or pressed Enter).
    void teamNamesEdited(const teams::Names &names);
    void resumeRequested();

private:
    QWidget *makeGameArea();
    QWidget *makeNumbers();
    QWidget *makeActions();
    QWidget *makeNames();
    QWidget *makeKeyList();
    void showAnswer(const GameSnapshot &game, bool mayShowAnswers);

    QLabel *m_round = nullptr;
    QLabel *m_loadError = nullptr;
    QLabel *m_countdown = nullptr;
    QLabel *m_scores = nullptr;
    std::array<QPushButton *, 2> m_teams{};
    std::array<QLineEdit *, 2> m_nameEdits{};
    QLabel *m_question = nullptr;
    QLabel *m_answer = nullptr;
    QLabel *m_answerState = nullptr;
    QLabel *m_blankState = nullptr;
    HostPicture *m_picture = nullptr;
    std::array<QPushButton *, 12> m_numbers{};
    QPushButton *m_reveal = nullptr;
    QPushButton *m_resume = nullptr;
    QLabel *m_notes = nullptr;
};
