#pragma once

#include "rounds/fieldreader.h"
#include "window/designtable.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class HostView;
class OptionButton;
class PictureShow;
class SoundInterface;

// The one window of the program: the quiz board, the two teams' scores, the
// countdown and the round-name box. The game's state lives in the controls'
// own properties (captions, visibility, selection) and in three variables:
// the question array, the answer array and the tick counter.
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
    // Full screen on the window's current screen, the design scaled to fit
    // and centred on black; off restores the designed size and place.
    void setFullScreenShowing(bool on);
    // The main window black, for the room, and back.
    void setBlanked(bool on);
    bool isBlanked() const;
    void toggleHostView();
    HostView *hostView() const;
    // The question's or answer's picture over the numbers.
    PictureShow *pictures() const { return m_pictures; }

    // Controls, by their design names.
    OptionButton *Option1 = nullptr;
    OptionButton *Option2 = nullptr;
    OptionButton *Option3 = nullptr;
    OptionButton *Option4 = nullptr;
    OptionButton *Option5 = nullptr;
    OptionButton *Option6 = nullptr;
    OptionButton *Option7 = nullptr;
    OptionButton *Option8 = nullptr;
    OptionButton *Option9 = nullptr;
    OptionButton *Option10 = nullptr;
    OptionButton *Option11 = nullptr;
    OptionButton *Option12 = nullptr;
    OptionButton *Option20 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QWidget *OLE1 = nullptr;
    QTimer *Timer1 = nullptr;

    // Where a round that failed to load says why; empty after a good load.
    QLabel *LoadError = nullptr;
    // "нет звука" while the sound side cannot be heard.
    QLabel *SoundNotice = nullptr;

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

    // Read access for tests and tools.
    const rounds::QuestionValue &question(int slot) const { return m_questions.at(slot); }
    const QString &answer(int slot) const { return m_answers.at(slot); }
    std::int16_t tickCounter() const { return m_tickCounter; }

private:
    void selectNumber(int number);
    void awardPoint(QLabel *score);
    void activateStopSound();
    OptionButton *optionMember(int number, int index) const;
    void buildControls();
    QWidget *createControl(const design::Control &c, QButtonGroup *group);
    template <typename T> T *designed(const char *name) const;
    void bindControls();
    void connectHandlers();
    void setDesignedTabOrder();

    // Every control made from the design table, with its entry.
    struct Designed
    {
        QWidget *widget;
        const design::Control *control;
    };
    std::vector<Designed> m_designed;
    double m_scale = 1.0;
    QPoint m_origin;
    QRect m_normalGeometry;
    Qt::WindowStates m_stateBeforeFullScreen = Qt::WindowNoState;
    QWidget *m_blank = nullptr;
    QPointer<HostView> m_hostView;
    PictureShow *m_pictures = nullptr;

    void applyShowing();
    void placeForHostView();

    SoundInterface *m_sound;

    // The three module-level variables; slot 0 of each array is never used.
    std::array<rounds::QuestionValue, 13> m_questions{};
    std::array<QString, 13> m_answers{};
    std::int16_t m_tickCounter = 0;

    bool m_stopSoundFailureReported = false;

    // Points given since the round was loaded: which score, and its caption
    // before the point.
    struct GivenPoint
    {
        QLabel *score;
        QString before;
    };
    std::vector<GivenPoint> m_givenPoints;

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
