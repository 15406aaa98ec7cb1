#pragma once

#include "design/designtable.h"
#include "game/gamesnapshot.h"
#include "game/teamnames.h"
#include "rounds/fieldreader.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class Game;
class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class OptionButton;
class PictureShow;
class SoundInterface;

// The quiz board: the twelve numbers, the question and its answer, the two
// teams' scores, the countdown and the round-name box, with their handlers.
// It is the view of one Game: each handler asks the game and sounds what it
// says, and the controls are drawn from the game after every change. How it
// is shown to the room (full screen, blanking, the host view) is Showing's.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // sound is not owned and must outlive the window.
    explicit Form1(SoundInterface *sound, QWidget *parent = nullptr);
    ~Form1() override;

    // Swaps the sound side (the audio output starts after the first frame)
    // and shows SoundNotice while it has no sound.
    void setSound(SoundInterface *sound);

    // Event handlers (window, number buttons, countdown, team buttons, round name).
    void Form_Load();
    void Option1_Click(int Index);
    void Option2_Click(int Index);
    void Option3_Click(int Index);
    void Option4_Click(int Index);
    void Option5_Click(int Index);
    void Option6_Click(int Index);
    void Option7_Click(int Index);
    void Option8_Click(int Index);
    void Option9_Click(int Index);
    void Option10_Click(int Index);
    void Option11_Click(int Index);
    void Option12_Click(int Index);
    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Text1_Change();

    // Takes back the last point given since the round was loaded (Ctrl+Z).
    void takeBackPoint();

    // The host's requests, from the keys and the host view.
    // "ОТВЕТ" when it is shown; nothing otherwise.
    void revealAnswerIfOffered();
    // "КОМАНДА 1" or "КОМАНДА 2", as a click on the button.
    void pressTeamButton(int team);
    // A team's buzzer, pressed at `at` (JoystickWatch::nowMs()'s clock).
    void buzz(int team, qint64 at);
    // The team that buzzed answered wrong: the other one may buzz.
    void reopenBuzzing();
    // PageDown or Right: "ОТВЕТ", unless a team buzzed just now.
    void revealAnswerByKey();
    // The focus out of the round box, to the neutral option, wherever the
    // room may watch or a pick was made: a clicker's B, "." or Space must
    // not change the round name (which would load it again).
    void leaveTheRoundBox();
    // "нет звука" while the sound side cannot be heard; empty otherwise.
    QString soundNotice() const;

    // The game as the controls show it now.
    GameSnapshot snapshot() const;
    // Puts a game back on the controls as it was, without loading the round
    // or sounding anything: a countdown that was running comes back stopped.
    void restore(const GameSnapshot &game);
    // Shows KeepNotice while the game is not being kept.
    void setGameKept(bool kept);
    // The question's or answer's picture over the numbers.
    PictureShow *pictures() const { return m_pictures; }

    // Controls, by their design names.
    OptionButton *Option1 = nullptr; // number 1
    OptionButton *Option2 = nullptr; // numbers 2 ... 11 likewise
    OptionButton *Option3 = nullptr;
    OptionButton *Option4 = nullptr;
    OptionButton *Option5 = nullptr;
    OptionButton *Option6 = nullptr;
    OptionButton *Option7 = nullptr;
    OptionButton *Option8 = nullptr;
    OptionButton *Option9 = nullptr;
    OptionButton *Option10 = nullptr;
    OptionButton *Option11 = nullptr;
    OptionButton *Option12 = nullptr; // number 12
    OptionButton *Option20 = nullptr; // the neutral option, selected to clear the selection
    QLineEdit *Text1 = nullptr;       // the round name
    QLabel *Label1 = nullptr;         // the question
    QLabel *Label2 = nullptr;         // the score of team 1
    QLabel *Label3 = nullptr;         // the score of team 2
    QLabel *Label4 = nullptr;         // "ТУР"
    QLabel *Label5 = nullptr;         // the countdown
    QLabel *Label6 = nullptr;         // "ВРЕМЯ"
    QLabel *Label7 = nullptr;         // the answer, shown after "ОТВЕТ"
    QPushButton *Command1 = nullptr;  // "КОМАНДА 1": a point for team 1
    QPushButton *Command2 = nullptr;  // "КОМАНДА 2": a point for team 2
    QPushButton *Command3 = nullptr;  // "ОТВЕТ": reveals the answer
    QWidget *OLE1 = nullptr;          // the stop sound's place; the sound side plays it
    QTimer *Timer1 = nullptr;         // the countdown clock, one tick a second

    // Where a round that failed to load says why; empty after a good load.
    QLabel *LoadError = nullptr;
    // "нет звука" while the sound side cannot be heard.
    QLabel *SoundNotice = nullptr;
    // "не сохраняется" while the game is not being kept on disk.
    QLabel *KeepNotice = nullptr;
    // The offer of an interrupted game, until the round name is edited.
    QLabel *ResumeNotice = nullptr;
    // Around the team button and the score of the team that buzzed first
    // (both at a tie); hidden without a buzz.
    std::array<QFrame *, 2> BuzzMarks{};

    // Lays out every control from the design table at scale, with the
    // client area's top-left corner at origin. Scale 1 is the designed size.
    void layOut(double scale, QPoint origin = {});
    double layoutScale() const { return m_scale; }
    QPoint layoutOrigin() const { return m_origin; }

signals:
    // After anything the host sees may have changed: a pick, a beat, a
    // reveal, a point given or taken back, a round loaded or not.
    void gameChanged();

public:
    // Number button N (1 ... 12).
    OptionButton *numberButton(int number) const;

    // The game the controls show.
    const Game &game() const { return *m_game; }
    // The teams' names on the team buttons (and wherever the game shows).
    void setTeamNames(const teams::Names &names);
    // The evening: the one kept from the last run, and the host's changes.
    void setEvening(const Evening &evening);
    void deleteEveningRow(int index);
    void correctEveningRow(int index, double points1, double points2);
    void beginEvening();
    // A problem to show in the load error's place until a round loads.
    void reportProblem(const QString &message);
    // Read access for tests and tools.
    const rounds::QuestionValue &question(int slot) const;
    const QString &answer(int slot) const;
    std::int16_t tickCounter() const;

private:
    void selectNumber(int number);
    void awardPoint(GameSnapshot::Team team);
    void activateStopSound();
    void showGame();
    void showTeamNames();
    void showPicturesOfTheGame();
    void buildControls();
    QWidget *createControl(const design::Control &c, QButtonGroup *group);
    template <typename T> T *designed(const char *name) const;
    void bindControls();
    void connectHandlers();
    void setDesignedTabOrder();
    void placeNotices();

    // Every control made from the design table, with its entry.
    struct Designed
    {
        QWidget *widget;
        const design::Control *control;
    };
    std::vector<Designed> m_designed;
    double m_scale = 1.0;
    QPoint m_origin;
    PictureShow *m_pictures = nullptr;

    SoundInterface *m_sound;

    // The game itself; the controls are drawn from it and never read back.
    Game *m_game;

    bool m_stopSoundFailureReported = false;
    teams::Names m_shownNames; // on the team buttons
    bool m_soundHeard = true;  // what SoundNotice shows, and KeepNotice
    bool m_gameKept = true;

protected:
    void paintEvent(QPaintEvent *event) override;
};
