#pragma once

#include "window/hostkeys.h"
#include "window/hostview.h"
#include "window/placement.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class Form1;
class QScreen;
class QTimer;
class QWidget;

// How the board is shown to the room: full screen, blanked, the host view,
// and where each window goes, by one rule (see placement.h). Form1 stays the
// designed form with its handlers; this changes the game only through them.
class Showing : public QObject
{
    Q_OBJECT

public:
    explicit Showing(Form1 *form);
    ~Showing() override;

    // A host key or one of the host view's buttons.
    void act(hostkeys::Action action);

    bool isBlanked() const;
    void setBlanked(bool on);
    HostView *hostView() const { return m_hostView.data(); }
    // Whether the host view may show an answer the room has not seen.
    bool hostViewShowsAnswers() const { return m_hostShowsAnswers; }

    // What the host view says about keeping the game on disk.
    struct Keeping
    {
        QString offer;     // an interrupted game that Ctrl+R brings back
        QString problem;   // why the game is not being kept
        QString roundNote; // the resumed round's files have changed since
    };
    void setKeeping(const Keeping &keeping);

signals:
    // Ctrl+R or the host view's button.
    void resumeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void press(placement::Key key);
    void arrange();
    void screensChanging();
    void arrangeAfterScreensChanged();
    void watchScreen(QScreen *screen);
    void openInsideTheScreen();
    int screenIndexOf(const QWidget *window, const QRect &frame) const;
    void arrangeOnWayland();
    void placeBoard(QScreen *target, const QRect &frame, bool fullScreen);
    void moveBoard(QScreen *target, const QRect &client, bool fullScreen);
    void enterFullScreen();
    void leaveFullScreen();
    void openHostView();
    void placeHostView(QScreen *target, const QRect &frame);
    void relayout();
    void refreshHostView();
    QMargins seenFrame() const;
    QMargins frameMargins() const;
    QRect boardFrame() const;

    Form1 *m_form;
    hostkeys::KeyRouter *m_keys;
    QWidget *m_blank;
    QPointer<HostView> m_hostView;
    placement::Wanted m_wanted;
    placement::Wanted m_asked; // by the host's last key, whatever the screens did since
    bool m_hostShowsAnswers = false;
    // The design's scale in the board's window when not full screen: 1
    // unless the screen is too small for the designed size.
    double m_windowScale = 1.0;
    bool m_shown = false;    // the board has been shown once
    QTimer *m_screensSettle; // screens re-arranged: the rule once they settle
    QTimer *m_frameWatch;    // looks for the window manager's frame after the first show
    QRect m_normalGeometry;
    QMargins m_frameMargins;
    Qt::WindowStates m_stateBeforeFullScreen = Qt::WindowNoState;
    Keeping m_keeping;
};
