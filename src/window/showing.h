#pragma once

#include "design/placement.h"
#include "window/hostview.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class Form1;
class QScreen;
class QTimer;
class QWidget;

// How the board is shown to the room: full screen, blanked, and where the
// board and the host view go, by one rule (see placement.h), also when the
// screens change. It never changes the game; what the keys and the host
// view's buttons do is the HostConsole's.
class Showing : public QObject
{
    Q_OBJECT

public:
    explicit Showing(Form1 *form);
    ~Showing() override;

    // A key that moves windows, pressed by the host.
    void press(placement::Key key);

    bool isBlanked() const;
    void setBlanked(bool on);
    HostView *hostView() const { return m_hostView.data(); }
    // Whether the host view may show an answer the room has not seen.
    bool hostViewShowsAnswers() const { return m_hostShowsAnswers; }

signals:
    // A host view was opened; it closes itself (and is deleted) by its ×.
    void hostViewOpened(HostView *view);
    // What the host view may show changed: blanked, or whether the room can
    // see it.
    void roomChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void arrange();
    void screensChanging();
    void arrangeAfterScreensChanged();
    bool windowsAreOffTheirPlace() const;
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
    QMargins seenFrame() const;
    QMargins frameMargins() const;
    QRect boardFrame() const;

    Form1 *m_form;
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
};
