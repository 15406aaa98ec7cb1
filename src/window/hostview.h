#pragma once

#include <QWidget>

#include <array>

class Form1;
class HostPicture;
class QLabel;
class QPushButton;

// The host's own window, "Квизория — ведущий", for a screen the room does
// not see: the round, the question and its answer from the moment a number
// is picked, whole however long they are, the countdown, the scores, the
// numbers left, every action as a button and the keys.
//
// It keeps no game state of its own. It reads Form1's controls whenever the
// game changes and drives the game by pressing Form1's own buttons, so both
// windows always show one game.
class HostView : public QWidget
{
    Q_OBJECT

public:
    explicit HostView(Form1 *form);

    // Reads the game from Form1's controls again.
    void refresh();

    QLabel *roundLabel() const { return m_round; }
    QLabel *questionLabel() const { return m_question; }
    QLabel *answerLabel() const { return m_answer; }
    QLabel *countdownLabel() const { return m_countdown; }
    QLabel *scoreLabel() const { return m_scores; }
    QPushButton *numberButton(int number) const { return m_numbers.at(number - 1); }
    QPushButton *answerButton() const { return m_reveal; }
    HostPicture *pictureArea() const { return m_picture; }

private:
    QWidget *makeGameArea();
    QWidget *makeNumbers();
    QWidget *makeActions();
    QWidget *makeKeyList();

    Form1 *m_form;
    QLabel *m_round = nullptr;
    QLabel *m_countdown = nullptr;
    QLabel *m_scores = nullptr;
    QLabel *m_question = nullptr;
    QLabel *m_answer = nullptr;
    QLabel *m_answerState = nullptr;
    QLabel *m_blankState = nullptr;
    HostPicture *m_picture = nullptr;
    std::array<QPushButton *, 12> m_numbers{};
    QPushButton *m_reveal = nullptr;
};
