#include "window/showing.h"

#include "design/designtable.h"
#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

// The screen that faces the host: a laptop's own panel if there is one,
// since an external output is often made the primary screen; else the
// primary screen.
QScreen *hostSideScreen()
{
    for (QScreen *screen : QGuiApplication::screens()) {
        const QString name = screen->name();
        if (name.startsWith(u"eDP") || name.startsWith(u"LVDS") || name.startsWith(u"DSI"))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(u"wayland");
}

// The host view's frame as it first opens.
constexpr QSize kHostViewSize(760, 640);

// How long screens must stay unchanged before the windows follow them.
constexpr int kScreensSettleMs = 400;
// And how long after the windows were placed they are looked at again.
constexpr int kScreensRecheckMs = 800;

// The frame a window manager is likely to draw, until the board's own has
// been seen: a title bar and thin edges.
// Larger than most, so a guess errs inwards.
constexpr QMargins kLikelyFrame(4, 32, 4, 8);

// How long after the first show the window manager's frame is looked for.
constexpr int kFrameWatchMs = 100, kFrameWatchTimes = 30;

} // namespace

Showing::Showing(Form1 *form) : QObject(form), m_form(form), m_blank(new QWidget(form))
{
    // Covers the whole window, margins included, while the room is blanked.
    m_blank->setObjectName(QStringLiteral("Blank"));
    m_blank->setAutoFillBackground(true);
    QPalette black = m_blank->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_blank->setPalette(black);
    m_blank->hide();

    form->installEventFilter(this);
    // A projector plugged in or out, a screen re-arranged or the primary
    // screen changed: the windows follow the rule for the screens there are
    // once the changes settle (they pass through states that are not meant:
    // every monitor gone makes one whole-desktop screen for a moment), and
    // until then the host view holds the answers.
    m_screensSettle = new QTimer(this);
    m_screensSettle->setSingleShot(true);
    m_screensSettle->setInterval(kScreensSettleMs);
    connect(m_screensSettle, &QTimer::timeout, this, &Showing::arrangeAfterScreensChanged);
    // The window manager draws its frame in its own time after the window
    // is mapped, and Qt tells no event for it: looked for a few times, and
    // the board put inside again if the real frame is larger than guessed.
    m_frameWatch = new QTimer(this);
    m_frameWatch->setInterval(kFrameWatchMs);
    connect(m_frameWatch, &QTimer::timeout, this, [this, times = 0]() mutable {
        const bool framed = !seenFrame().isNull();
        if (framed)
            openInsideTheScreen();
        if (framed || ++times >= kFrameWatchTimes || m_form->isFullScreen())
            m_frameWatch->stop();
    });
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watchScreen(screen);
        screensChanging();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &Showing::screensChanging);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &Showing::screensChanging);
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen);
}

void Showing::watchScreen(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &Showing::screensChanging);
    connect(screen, &QScreen::availableGeometryChanged, this, &Showing::screensChanging);
}

void Showing::screensChanging()
{
    if (m_hostShowsAnswers) {
        m_hostShowsAnswers = false;
        emit roomChanged();
    }
    m_screensSettle->start();
}

void Showing::arrangeAfterScreensChanged()
{
    if (!m_form->isVisible())
        return;
    // What the host asked for last, on the screens there are now; a host
    // view closed by its × since stays closed.
    m_wanted = m_asked;
    m_wanted.hostView = !m_hostView.isNull();
    if (QGuiApplication::screens().size() < 2 && m_wanted.hostView)
        m_wanted.fullScreen = false; // for now: a projector plugged back gets the board full screen again
    arrange();
    // A window manager busy with the same change may still put a window
    // back where it was (leaving full screen, it restores its own idea of
    // the window's place): looked at once more, and placed again if so.
    QTimer::singleShot(kScreensRecheckMs, this, [this] {
        if (!m_screensSettle->isActive() && windowsAreOffTheirPlace())
            arrange();
    });
}

// Whether a window is not wholly on a screen, or the host view covers the
// board where both share one.
bool Showing::windowsAreOffTheirPlace() const
{
    const auto onAScreen = [](const QRect &frame) {
        for (QScreen *screen : QGuiApplication::screens()) {
            if (screen->geometry().contains(frame))
                return true;
        }
        return false;
    };
    const QRect board = m_form->frameGeometry();
    if (!m_form->isFullScreen() && !onAScreen(board))
        return true;
    if (!m_hostView || !m_hostView->isVisible())
        return false;
    const QRect host = m_hostView->frameGeometry();
    return !onAScreen(host) || (m_hostView->screen() == m_form->screen() && host.intersects(board));
}

Showing::~Showing()
{
    delete m_hostView.data(); // a window of its own, not a child
}

void Showing::press(placement::Key key)
{
    // From what is, not from what was asked last: the window manager or the
    // host view's × may have changed it since.
    m_screensSettle->stop();
    m_wanted = {m_form->isFullScreen(), !m_hostView.isNull()};
    m_wanted = placement::afterKey(m_wanted, key, int(QGuiApplication::screens().size()));
    m_asked = m_wanted;
    arrange();
}

void Showing::arrange()
{
    if (onWayland()) {
        arrangeOnWayland();
        return;
    }
    const QList<QScreen *> screens = QGuiApplication::screens();
    placement::Screens areas;
    for (QScreen *screen : screens)
        areas.areas.push_back(screen->availableGeometry());
    areas.hostSide = int(screens.indexOf(hostSideScreen()));
    if (m_hostView && m_hostView->isVisible())
        areas.hostViewOn = screenIndexOf(m_hostView, m_hostView->frameGeometry());
    const QRect frame = boardFrame();
    const placement::Board board{screenIndexOf(m_form, frame), frame};
    const QSize hostSize = m_hostView ? m_hostView->frameGeometry().size() : kHostViewSize;
    const placement::Plan plan = placement::plan(areas, m_wanted, board, hostSize);

    if (!plan.hostView && m_hostView)
        m_hostView->close();
    QScreen *target = screens.value(plan.boardScreen, QGuiApplication::primaryScreen());
    QRect boardTo = plan.boardFrame;
    if (!plan.boardFullScreen) {
        // Too large for the screen it is put on (carried from a larger
        // one): the design scaled down; back to its size where it fits.
        const QRect client = boardTo.marginsRemoved(frameMargins());
        const QSize meant = m_windowScale < 1.0 ? design::clientSize() : client.size();
        const placement::Opening open =
            placement::opening(target->availableGeometry(), frameMargins(), QRect(client.topLeft(), meant));
        if (open.scale != m_windowScale || open.client.size() != client.size()) {
            m_windowScale = open.scale;
            boardTo = open.client.marginsAdded(frameMargins());
            if (!m_form->isFullScreen() && !m_form->isMaximized())
                m_form->setGeometry(open.client);
        }
    }
    placeBoard(target, boardTo, plan.boardFullScreen);
    if (plan.hostView) {
        openHostView();
        placeHostView(screens.value(plan.hostScreen, target), plan.hostGeometry);
    }
    m_hostShowsAnswers = plan.hostShowsAnswers;
    emit roomChanged();
}

// The screen of window that holds the middle of its frame: the one Qt says
// it is on, else another monitor of the same desktop; where none does (the
// monitor it was on was removed), the one Qt has put it on.
int Showing::screenIndexOf(const QWidget *window, const QRect &frame) const
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QScreen *current = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!current->geometry().contains(frame.center())) {
        for (QScreen *sibling : current->virtualSiblings()) {
            if (sibling->geometry().contains(frame.center())) {
                current = sibling;
                break;
            }
        }
    }
    return std::max(0, int(screens.indexOf(current)));
}

// The board opens wholly inside its screen's available area: as designed
// where it fits, moved in or scaled down where it does not.
void Showing::openInsideTheScreen()
{
    QScreen *screen = m_form->screen() ? m_form->screen() : QGuiApplication::primaryScreen();
    if (!screen || m_form->isFullScreen() || m_form->isMaximized())
        return;
    const QMargins frame = frameMargins();
    const QRect client = m_form->geometry();
    const QSize meant = m_windowScale < 1.0 ? design::clientSize() : client.size();
    const placement::Opening open =
        placement::opening(screen->availableGeometry(), frame, QRect(client.topLeft(), meant));
    if (open.client == client && open.scale == m_windowScale)
        return;
    m_windowScale = open.scale;
    m_form->setGeometry(open.client);
    relayout();
}

// The compositor places windows on Wayland: the host view opens, and with
// more than one screen the board goes full screen where it is.
void Showing::arrangeOnWayland()
{
    const bool several = QGuiApplication::screens().size() > 1;
    m_hostShowsAnswers = several;
    if (!m_wanted.hostView && m_hostView)
        m_hostView->close();
    if (m_wanted.fullScreen != m_form->isFullScreen())
        m_wanted.fullScreen ? enterFullScreen() : leaveFullScreen();
    if (m_wanted.hostView) {
        openHostView();
        m_hostView->show();
    }
    emit roomChanged();
}

// The frame the window manager has drawn around the board; none while it
// is full screen or maximised, or before the frame is drawn.
QMargins Showing::seenFrame() const
{
    if (!m_form->isVisible() || m_form->isFullScreen() || m_form->isMaximized())
        return {};
    const QRect frame = m_form->frameGeometry();
    const QRect client = m_form->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

QMargins Showing::frameMargins() const
{
    const QMargins seen = seenFrame();
    if (!seen.isNull())
        return seen;
    // Never seen (full screen from the start, or not drawn yet): a window
    // manager's likely frame, where there is one to draw it.
    if (m_frameMargins.isNull() && QGuiApplication::platformName() == u"xcb")
        return kLikelyFrame;
    return m_frameMargins;
}

QRect Showing::boardFrame() const
{
    const QRect client =
        m_form->isFullScreen() && m_normalGeometry.isValid() ? m_normalGeometry : m_form->geometry();
    return client.marginsAdded(frameMargins());
}

void Showing::placeBoard(QScreen *target, const QRect &frame, bool fullScreen)
{
    if (!seenFrame().isNull())
        m_frameMargins = seenFrame();
    const QMargins margins = frameMargins();
    const QRect client = frame.marginsRemoved(margins);
    // A full-screen board that does not cover its screen (the screen it
    // covered was removed or resized) fills it again.
    const bool fillsTarget = m_form->isFullScreen() && m_form->frameGeometry() == target->geometry();
    if (target != m_form->screen() || (fullScreen && m_form->isFullScreen() && !fillsTarget)) {
        moveBoard(target, client, fullScreen);
        return;
    }
    if (fullScreen && !m_form->isFullScreen()) {
        enterFullScreen();
    } else if (!fullScreen && m_form->isFullScreen()) {
        m_normalGeometry = client; // where the rule put it, to make room
        leaveFullScreen();
    } else if (!fullScreen && client.topLeft() != m_form->geometry().topLeft()) {
        m_form->move(client.topLeft() - QPoint(margins.left(), margins.top()));
    }
}

void Showing::moveBoard(QScreen *target, const QRect &client, bool fullScreen)
{
    if (m_form->screen() && m_form->screen()->virtualSiblings().contains(target)) {
        // Another monitor of the same desktop: the window moves there and
        // only then fills it, staying mapped all along.
        if (m_form->isFullScreen())
            m_form->setWindowState(m_form->windowState() & ~Qt::WindowFullScreen);
        m_form->setGeometry(client);
        m_normalGeometry = client;
        m_stateBeforeFullScreen = Qt::WindowNoState;
        if (fullScreen)
            enterFullScreen();
        return;
    }
    // Another X screen is another root: the window is made anew there.
    m_form->hide();
    m_form->setWindowState(m_form->windowState() & ~Qt::WindowFullScreen);
    m_form->setScreen(target);
    m_form->setGeometry(client);
    m_normalGeometry = client;
    m_stateBeforeFullScreen = Qt::WindowNoState;
    if (fullScreen)
        m_form->showFullScreen();
    else
        m_form->show();
}

void Showing::enterFullScreen()
{
    if (!m_form->isFullScreen()) {
        m_stateBeforeFullScreen = m_form->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized);
        m_normalGeometry = m_form->normalGeometry().isValid() ? m_form->normalGeometry() : m_form->geometry();
    }
    // A clicker's B or "." must not land in the round name while the room
    // watches: the focus leaves the box (a click puts it back).
    m_form->leaveTheRoundBox();
    m_form->showFullScreen();
}

void Showing::leaveFullScreen()
{
    if (m_stateBeforeFullScreen & Qt::WindowMaximized) {
        m_form->showMaximized();
        return;
    }
    m_form->showNormal();
    if (m_normalGeometry.isValid())
        m_form->setGeometry(m_normalGeometry);
}

void Showing::openHostView()
{
    if (m_hostView)
        return;
    m_hostView = new HostView;
    m_hostView->setAttribute(Qt::WA_DeleteOnClose);
    // Closing the main window ends the program even while this one is open.
    m_hostView->setAttribute(Qt::WA_QuitOnClose, false);
    emit hostViewOpened(m_hostView);
}

void Showing::placeHostView(QScreen *target, const QRect &frame)
{
    const QRect client = frame.marginsRemoved(frameMargins());
    if (m_hostView->screen() != target && !m_hostView->screen()->virtualSiblings().contains(target)) {
        m_hostView->hide();
        m_hostView->setScreen(target);
    }
    m_hostView->setGeometry(client);
    m_hostView->show();
}

bool Showing::isBlanked() const
{
    return !m_blank->isHidden();
}

void Showing::setBlanked(bool on)
{
    if (on == isBlanked())
        return;
    m_blank->setGeometry(m_form->rect());
    m_blank->setVisible(on);
    m_blank->raise();
    emit roomChanged();
}

bool Showing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form) {
        switch (event->type()) {
        case QEvent::Show:
            // Before the window is mapped: it never appears outside the screen.
            if (!m_shown) {
                m_shown = true;
                openInsideTheScreen();
                m_frameWatch->start();
            }
            break;
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            relayout();
            break;
        case QEvent::Close:
            if (m_hostView)
                m_hostView->close();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

// Full screen scales the design to fit and centres it on black; otherwise
// the design stays at its size, however the window is resized by hand.
void Showing::relayout()
{
    if (!seenFrame().isNull())
        m_frameMargins = seenFrame();
    m_blank->setGeometry(m_form->rect());
    if (m_form->isFullScreen()) {
        const double scale = design::fittingScale(m_form->size());
        const QSize client = design::clientSize(scale);
        const QPoint origin((m_form->width() - client.width()) / 2, (m_form->height() - client.height()) / 2);
        if (scale != m_form->layoutScale() || origin != m_form->layoutOrigin())
            m_form->layOut(scale, origin);
    } else if (m_form->layoutScale() != m_windowScale || !m_form->layoutOrigin().isNull()) {
        m_form->layOut(m_windowScale);
    }
    m_form->update();
}
