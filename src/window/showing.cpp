#include "window/showing.h"

#include "window/designtable.h"
#include "window/form1.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

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

} // namespace

Showing::Showing(Form1 *form)
    : QObject(form), m_form(form),
      m_keys(new hostkeys::KeyRouter([this](hostkeys::Action action) { act(action); }, this)),
      m_blank(new QWidget(form))
{
    m_keys->watch(form);

    // Covers the whole window, margins included, while the room is blanked.
    m_blank->setObjectName(QStringLiteral("Blank"));
    m_blank->setAutoFillBackground(true);
    QPalette black = m_blank->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_blank->setPalette(black);
    m_blank->hide();

    form->installEventFilter(this);
    connect(form, &Form1::gameChanged, this, &Showing::refreshHostView);
    connect(form->pictures(), &PictureShow::changed, this, &Showing::refreshHostView);
    // A projector plugged in or out while the host view is open: the rule
    // again, so the answers never stay on the room's screen.
    for (auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved}) {
        connect(qApp, signal, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (m_hostView)
                    arrange();
            });
        });
    }
}

Showing::~Showing()
{
    delete m_hostView.data(); // a window of its own, not a child
}

void Showing::act(hostkeys::Action action)
{
    using hostkeys::Action;
    switch (action) {
    case Action::FullScreen:
        press(placement::Key::ToggleFullScreen);
        break;
    case Action::EnterFullScreen:
        press(placement::Key::EnterFullScreen);
        break;
    case Action::LeaveFullScreen:
        press(placement::Key::LeaveFullScreen);
        break;
    case Action::HostView:
        press(placement::Key::ToggleHostView);
        break;
    case Action::RevealAnswer:
        m_form->revealAnswerIfOffered();
        break;
    case Action::Previous:
        break;
    case Action::PointTeam1:
        m_form->pressTeamButton(1);
        break;
    case Action::PointTeam2:
        m_form->pressTeamButton(2);
        break;
    case Action::TakeBackPoint:
        m_form->takeBackPoint();
        break;
    case Action::Blank:
        setBlanked(!isBlanked());
        break;
    case Action::Resume:
        emit resumeRequested();
        break;
    }
}

void Showing::setKeeping(const Keeping &keeping)
{
    m_keeping = keeping;
    refreshHostView();
}

void Showing::press(placement::Key key)
{
    // From what is, not from what was asked last: the window manager or the
    // host view's × may have changed it since.
    m_wanted = {m_form->isFullScreen(), !m_hostView.isNull()};
    m_wanted = placement::afterKey(m_wanted, key, int(QGuiApplication::screens().size()));
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
    QScreen *current = m_form->screen() ? m_form->screen() : QGuiApplication::primaryScreen();
    const placement::Board board{int(screens.indexOf(current)), boardFrame()};
    const QSize hostSize = m_hostView ? m_hostView->frameGeometry().size() : kHostViewSize;
    const placement::Plan plan = placement::plan(areas, m_wanted, board, hostSize);
    m_hostShowsAnswers = plan.hostShowsAnswers;

    if (!plan.hostView && m_hostView)
        m_hostView->close();
    placeBoard(screens.value(plan.boardScreen, current), plan.boardFrame, plan.boardFullScreen);
    if (plan.hostView) {
        openHostView();
        placeHostView(screens.value(plan.hostScreen, current), plan.hostGeometry);
    }
    refreshHostView();
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
    refreshHostView();
}

QMargins Showing::frameMargins() const
{
    if (m_form->isVisible() && !m_form->isFullScreen() && !m_form->isMaximized()) {
        const QRect frame = m_form->frameGeometry();
        const QRect client = m_form->geometry();
        return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                        frame.right() - client.right(), frame.bottom() - client.bottom());
    }
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
    m_frameMargins = frameMargins();
    const QRect client = frame.marginsRemoved(m_frameMargins);
    if (target != m_form->screen()) {
        moveBoard(target, client, fullScreen);
        return;
    }
    if (fullScreen && !m_form->isFullScreen()) {
        enterFullScreen();
    } else if (!fullScreen && m_form->isFullScreen()) {
        m_normalGeometry = client; // where the rule put it, to make room
        leaveFullScreen();
    } else if (!fullScreen && client.topLeft() != m_form->geometry().topLeft()) {
        m_form->move(client.topLeft() - QPoint(m_frameMargins.left(), m_frameMargins.top()));
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
    if (m_form->Text1->hasFocus())
        m_form->Option20->setFocus();
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
    m_keys->watch(m_hostView);
    HostView *view = m_hostView;
    connect(view, &HostView::numberRequested, m_form, [this](int number) {
        OptionButton *option = m_form->numberButton(number);
        if (!option->isHidden())
            option->click(); // the number's own handler, as a click on the board
    });
    connect(view, &HostView::revealRequested, m_form, &Form1::revealAnswerIfOffered);
    connect(view, &HostView::pointRequested, m_form, &Form1::pressTeamButton);
    connect(view, &HostView::takeBackRequested, m_form, &Form1::takeBackPoint);
    connect(view, &HostView::blankRequested, this, [this] { setBlanked(!isBlanked()); });
    connect(view, &HostView::fullScreenRequested, this, [this] { press(placement::Key::ToggleFullScreen); });
    connect(view, &HostView::resumeRequested, this, &Showing::resumeRequested);
}

void Showing::placeHostView(QScreen *target, const QRect &frame)
{
    const QRect client = frame.marginsRemoved(m_frameMargins);
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
    refreshHostView();
}

void Showing::refreshHostView()
{
    if (!m_hostView)
        return;
    HostView::Situation situation;
    situation.mayShowAnswers = m_hostShowsAnswers;
    situation.blanked = isBlanked();
    if (!m_form->SoundNotice->isHidden())
        situation.soundNotice = m_form->SoundNotice->text();
    situation.resumeOffer = m_keeping.offer;
    situation.notes = QStringList{m_keeping.problem, m_keeping.roundNote};
    situation.notes.removeAll(QString());
    m_hostView->showGame(m_form->snapshot(), situation);
    m_hostView->showPicture(m_form->pictures(), situation.blanked);
}

bool Showing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form) {
        switch (event->type()) {
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
    m_frameMargins = frameMargins();
    m_blank->setGeometry(m_form->rect());
    if (m_form->isFullScreen()) {
        const double scale = design::fittingScale(m_form->size());
        const QSize client = design::clientSize(scale);
        const QPoint origin((m_form->width() - client.width()) / 2, (m_form->height() - client.height()) / 2);
        if (scale != m_form->layoutScale() || origin != m_form->layoutOrigin())
            m_form->layOut(scale, origin);
    } else if (m_form->layoutScale() != 1.0 || !m_form->layoutOrigin().isNull()) {
        m_form->layOut(1.0);
    }
    m_form->update();
}
