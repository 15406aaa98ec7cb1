#include "window/form1.h"

#include "sound/soundinterface.h"

#include "window/designfont.h"
#include "window/designtable.h"
#include "window/facebutton.h"
#include "window/hostkeys.h"
#include "window/hostview.h"
#include "window/messagelabel.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"
#include "window/placement.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace {

constexpr OptionButton *Form1::*kNumberButtons[] = {
    &Form1::Option1, &Form1::Option2, &Form1::Option3, &Form1::Option4,  &Form1::Option5,  &Form1::Option6,
    &Form1::Option7, &Form1::Option8, &Form1::Option9, &Form1::Option10, &Form1::Option11, &Form1::Option12,
};

constexpr void (Form1::*kNumberHandlers[])(int) = {
    &Form1::Option1_Click, &Form1::Option2_Click,  &Form1::Option3_Click,  &Form1::Option4_Click,
    &Form1::Option5_Click, &Form1::Option6_Click,  &Form1::Option7_Click,  &Form1::Option8_Click,
    &Form1::Option9_Click, &Form1::Option10_Click, &Form1::Option11_Click, &Form1::Option12_Click,
};

void applyColours(QWidget *w, const design::Control &c, QPalette::ColorRole textRole,
                  QPalette::ColorRole faceRole)
{
    QPalette pal = w->palette();
    if (c.textColour)
        pal.setColor(textRole, QColor(QRgb(*c.textColour)));
    if (c.faceColour)
        pal.setColor(faceRole, QColor(QRgb(*c.faceColour)));
    w->setPalette(pal);
}

} // namespace

Form1::Form1(SoundInterface *sound, QWidget *parent) : QWidget(parent), m_sound(sound)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(design::kTitle));
    setGeometry(QRect(QPoint(design::toPixels(design::kClientLeft), design::toPixels(design::kClientTop)),
                      design::clientSize()));
    setAutoFillBackground(true);
    buildControls();
    m_pictures = new PictureShow(this);
    setSound(sound);
}

Form1::~Form1()
{
    m_sound->setAvailabilityHandler(nullptr);
    delete m_hostView.data(); // a window of its own, not a child
}

void Form1::setSound(SoundInterface *sound)
{
    m_sound->setAvailabilityHandler(nullptr);
    m_sound = sound;
    m_sound->setAvailabilityHandler([this](bool available) {
        SoundNotice->setVisible(!available);
        emit gameChanged(); // the host view says it too
    });
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo)) {
            if (event->type() == QEvent::ShortcutOverride) {
                event->ignore(); // leave it to the window's shortcut
            } else {
                takeBackPoint(); // no shortcut took it: do it here
                event->accept();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

OptionButton *Form1::numberButton(int number) const
{
    return this->*kNumberButtons[number - 1];
}

void Form1::buildControls()
{
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (const design::Control &c : design::controls())
        m_designed.push_back({createControl(c, group), &c});
    for (const design::Control *extra : {&design::loadErrorLabel(), &design::soundNoticeLabel()})
        m_designed.push_back({createControl(*extra, group), extra});
    bindControls();
    connectHandlers();
    setDesignedTabOrder();
    layOut(1.0);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(design::kTimer1Interval);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    // The host's keys work wherever the focus is. Ctrl+Z takes back a point
    // even in the round-name box, which would otherwise take it as undoing
    // its text and reload the round.
    hostkeys::install(this, this);
    Text1->installEventFilter(this);

    // Covers the whole window, margins included, while the room is blanked.
    m_blank = new QWidget(this);
    m_blank->setObjectName(QStringLiteral("Blank"));
    m_blank->setAutoFillBackground(true);
    QPalette black = m_blank->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_blank->setPalette(black);
    m_blank->hide();
}

QWidget *Form1::createControl(const design::Control &c, QButtonGroup *group)
{
    const QString caption = QString::fromUtf8(c.caption);
    QWidget *w = nullptr;
    switch (c.kind) {
    case design::Kind::NumberButton:
    case design::Kind::OptionButton: {
        auto *b = new OptionButton(caption, c.index, this);
        if (c.kind == design::Kind::NumberButton)
            b->setPushButtonLook(QColor(QRgb(*c.faceColour)), QColor(QRgb(*c.textColour)));
        group->addButton(b);
        w = b;
        break;
    }
    case design::Kind::TextBox: {
        auto *edit = new QLineEdit(this);
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setAlignment(c.alignment & Qt::AlignHorizontal_Mask);
        w = edit;
        break;
    }
    case design::Kind::Label: {
        // The load-error message must be read whole in its small corner.
        QLabel *label =
            &c == &design::loadErrorLabel() ? new MessageLabel(caption, this) : new QLabel(caption, this);
        label->setTextFormat(Qt::PlainText); // round files are text, never markup
        label->setWordWrap(true);
        label->setAlignment(c.alignment);
        label->setAutoFillBackground(true);
        label->setFocusPolicy(Qt::NoFocus);
        applyColours(label, c, QPalette::WindowText, QPalette::Window);
        w = label;
        break;
    }
    case design::Kind::PushButton: {
        QPushButton *button = c.faceColour ? new FaceButton(caption, QColor(QRgb(*c.faceColour)), this)
                                           : new QPushButton(caption, this);
        button->setAutoDefault(false);
        applyColours(button, c, QPalette::ButtonText, QPalette::Button);
        w = button;
        break;
    }
    case design::Kind::Container:
        // Holds the stop sound; draws nothing and takes no input.
        w = new QWidget(this);
        w->setFocusPolicy(Qt::NoFocus);
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        break;
    }
    w->setObjectName(QString::fromUtf8(c.name));
    w->setVisible(c.visible);
    return w;
}

template <typename T> T *Form1::designed(const char *name) const
{
    T *control = findChild<T *>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT(control);
    return control;
}

void Form1::bindControls()
{
    for (int number = 1; number <= 12; ++number)
        this->*kNumberButtons[number - 1] = designed<OptionButton>(design::numberButtons()[number - 1]->name);
    Option20 = designed<OptionButton>("Option20");
    Text1 = designed<QLineEdit>("Text1");
    Label1 = designed<QLabel>("Label1");
    Label2 = designed<QLabel>("Label2");
    Label3 = designed<QLabel>("Label3");
    Label4 = designed<QLabel>("Label4");
    Label5 = designed<QLabel>("Label5");
    Label6 = designed<QLabel>("Label6");
    Label7 = designed<QLabel>("Label7");
    Command1 = designed<QPushButton>("Command1");
    Command2 = designed<QPushButton>("Command2");
    Command3 = designed<QPushButton>("Command3");
    OLE1 = designed<QWidget>("OLE1");
    LoadError = designed<QLabel>("LoadError");
    SoundNotice = designed<QLabel>("SoundNotice");
}

void Form1::connectHandlers()
{
    for (int number = 1; number <= 12; ++number) {
        OptionButton *b = numberButton(number);
        const auto handler = kNumberHandlers[number - 1];
        connect(b, &QAbstractButton::clicked, this, [this, b, handler] { (this->*handler)(b->Index()); });
    }
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);

    // After each handler has run (the countdown says so itself).
    for (QPushButton *button : {Command1, Command2, Command3})
        connect(button, &QPushButton::clicked, this, &Form1::gameChanged);
    connect(Text1, &QLineEdit::textChanged, this, &Form1::gameChanged);
}

void Form1::setDesignedTabOrder()
{
    std::vector<std::pair<int, QWidget *>> tabOrder;
    for (const Designed &d : m_designed) {
        if (d.control->tabIndex >= 0 && d.widget->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(d.control->tabIndex, d.widget);
    }
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
}

void Form1::layOut(double scale, QPoint origin)
{
    m_scale = scale;
    m_origin = origin;
    for (const Designed &d : m_designed) {
        d.widget->setGeometry(design::pixelRect(*d.control, scale).translated(origin));
        d.widget->setFont(designFont(d.control->font, scale));
    }
    if (m_pictures)
        m_pictures->layOut(scale, origin);
}

// --- Showing: full screen, blanking, the host view ---------------------------

void Form1::revealAnswerIfOffered()
{
    if (!Command3->isHidden())
        Command3->click();
}

void Form1::pressTeamButton(int team)
{
    (team == 1 ? Command1 : Command2)->click();
}

void Form1::setFullScreenShowing(bool on)
{
    if (on == isFullScreen())
        return;
    if (on) {
        m_stateBeforeFullScreen = windowState() & (Qt::WindowMaximized | Qt::WindowMinimized);
        m_normalGeometry = normalGeometry().isValid() ? normalGeometry() : geometry();
        // A clicker's B or "." must not land in the round name while the
        // room watches: the focus leaves the box (a click puts it back).
        if (Text1->hasFocus())
            Option20->setFocus();
        showFullScreen();
        return;
    }
    if (m_stateBeforeFullScreen & Qt::WindowMaximized) {
        showMaximized();
        return;
    }
    showNormal();
    if (m_normalGeometry.isValid())
        setGeometry(m_normalGeometry);
}

void Form1::applyShowing()
{
    m_blank->setGeometry(rect());
    if (isFullScreen()) {
        const double scale = design::fittingScale(size());
        const QSize client = design::clientSize(scale);
        const QPoint origin((width() - client.width()) / 2, (height() - client.height()) / 2);
        if (scale != m_scale || origin != m_origin)
            layOut(scale, origin);
    } else if (m_scale != 1.0 || !m_origin.isNull()) {
        // By hand, resizing moves nothing: only full screen scales.
        layOut(1.0);
    }
    update();
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyShowing();
}

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        applyShowing();
}

void Form1::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_scale == 1.0 && m_origin.isNull())
        return;
    // Outside the design, black: a projector shows it as nothing.
    QPainter painter(this);
    const QRegion margin = QRegion(rect()).subtracted(QRect(m_origin, design::clientSize(m_scale)));
    for (const QRect &r : margin)
        painter.fillRect(r, Qt::black);
}

void Form1::setBlanked(bool on)
{
    if (on == isBlanked())
        return;
    m_blank->setGeometry(rect());
    m_blank->setVisible(on);
    m_blank->raise();
    emit gameChanged();
}

bool Form1::isBlanked() const
{
    return !m_blank->isHidden();
}

void Form1::toggleHostView()
{
    if (m_hostView) {
        m_hostView->close();
        return;
    }
    m_hostView = new HostView(this);
    m_hostView->setAttribute(Qt::WA_DeleteOnClose);
    placeForHostView();
}

// The screen that faces the host: a laptop's own panel if there is one,
// since an external output is often made the primary screen; else the
// primary screen.
static QScreen *hostSideScreen()
{
    for (QScreen *screen : QGuiApplication::screens()) {
        const QString name = screen->name();
        if (name.startsWith(u"eDP") || name.startsWith(u"LVDS") || name.startsWith(u"DSI"))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

void Form1::placeForHostView()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (QGuiApplication::platformName().startsWith(u"wayland")) {
        // The compositor places windows on Wayland: show the host view and,
        // with more than one screen, the board full screen where it is.
        m_hostView->show();
        if (screens.size() > 1)
            setFullScreenShowing(true);
        return;
    }
    std::vector<QRect> areas;
    for (QScreen *screen : screens)
        areas.push_back(screen->availableGeometry());
    QScreen *current = screen() ? screen() : QGuiApplication::primaryScreen();
    const placement::Plan plan =
        placement::planHostView(areas, int(screens.indexOf(hostSideScreen())), int(screens.indexOf(current)),
                                frameGeometry(), isFullScreen(), m_hostView->size());
    if (plan.hostScreen >= 0 && plan.hostScreen < screens.size())
        m_hostView->setScreen(screens[plan.hostScreen]);
    m_hostView->setGeometry(plan.hostGeometry);
    m_hostView->show();

    if (screens.size() > 1 && plan.mainScreen != screens.indexOf(current)) {
        // A window changes screens hidden: on X, separate screens are
        // separate roots, and the window is made anew on the other one.
        QScreen *target = screens[plan.mainScreen];
        m_normalGeometry =
            QRect(target->availableGeometry().topLeft() +
                      QPoint(design::toPixels(design::kClientLeft), design::toPixels(design::kClientTop)),
                  design::clientSize());
        m_stateBeforeFullScreen = Qt::WindowNoState;
        hide();
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setScreen(target);
        setGeometry(m_normalGeometry);
        showFullScreen();
        return;
    }
    if (plan.mainFullScreen)
        setFullScreenShowing(true);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_hostView)
        m_hostView->close();
    QWidget::closeEvent(event);
}

HostView *Form1::hostView() const
{
    return m_hostView.data();
}
