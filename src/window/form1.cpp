#include "window/form1.h"

#include "game/game.h"
#include "input/joysticks.h"
#include "sound/soundinterface.h"

#include "design/designtable.h"
#include "layout/designfont.h"
#include "window/facebutton.h"
#include "window/messagelabel.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

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

Form1::Form1(SoundInterface *sound, QWidget *parent) : QWidget(parent), m_sound(sound), m_game(new Game(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(design::kTitle));
    setGeometry(QRect(QPoint(design::toPixels(design::kClientLeft), design::toPixels(design::kClientTop)),
                      design::clientSize()));
    setAutoFillBackground(true);
    buildControls();
    m_pictures = new PictureShow(this);
    connect(m_game, &Game::changed, this, &Form1::showGame);
    setSound(sound);
}

const rounds::QuestionValue &Form1::question(int slot) const
{
    return m_game->questionSlot(slot);
}

const QString &Form1::answer(int slot) const
{
    return m_game->answerSlot(slot);
}

std::int16_t Form1::tickCounter() const
{
    return m_game->tickCounter();
}

Form1::~Form1()
{
    m_sound->setAvailabilityHandler(nullptr);
}

void Form1::setSound(SoundInterface *sound)
{
    m_sound->setAvailabilityHandler(nullptr);
    m_sound = sound;
    m_sound->setAvailabilityHandler([this](bool available) {
        m_soundHeard = available;
        SoundNotice->setVisible(!available);
        placeNotices();
        emit gameChanged(); // the host view says it too
    });
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
    for (const design::Control *extra : {&design::loadErrorLabel(), &design::soundNoticeLabel(),
                                         &design::resumeNoticeLabel(), &design::keepNoticeLabel()})
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
        // The stop sound's place in the design: the sound side plays the
        // sound, so it draws nothing and takes no input.
        w = new QWidget(this);
        w->setFocusPolicy(Qt::NoFocus);
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        break;
    }
    // A click leaves no button that a clicker's Space would press: buttons
    // take the focus from Tab alone.
    if (qobject_cast<QAbstractButton *>(w))
        w->setFocusPolicy(Qt::TabFocus);
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
    ResumeNotice = designed<QLabel>("ResumeNotice");
    KeepNotice = designed<QLabel>("KeepNotice");
    for (QFrame *&mark : BuzzMarks) {
        mark = new QFrame(this);
        mark->setObjectName(QStringLiteral("BuzzMark"));
        mark->setStyleSheet(
            QStringLiteral("#BuzzMark { border: 4px solid #ffd400; background: transparent; }"));
        mark->setAttribute(Qt::WA_TransparentForMouseEvents);
        mark->hide();
    }
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

    // A click on a button takes the focus out of the round box, as a pick
    // does: a clicker's Space must not then change the round name.
    for (QPushButton *button : {Command1, Command2, Command3}) {
        connect(button, &QPushButton::pressed, this, &Form1::leaveTheRoundBox);
    }
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
    placeNotices();
    if (m_game && !m_game->teamNames().isEmpty())
        showTeamNames(); // the design's fonts were just set again
    if (m_pictures)
        m_pictures->layOut(scale, origin);
}

void Form1::setGameKept(bool kept)
{
    m_gameKept = kept;
    KeepNotice->setVisible(!kept);
    placeNotices();
}

void Form1::placeNotices()
{
    const bool both = !m_soundHeard && !m_gameKept;
    const auto place = [this](QLabel *label, const design::Control &c) {
        label->setGeometry(design::pixelRect(c, m_scale).translated(m_origin));
    };
    place(SoundNotice, both ? design::soundNoticeWithKeep() : design::soundNoticeLabel());
    place(KeepNotice, both ? design::keepNoticeWithSound() : design::keepNoticeLabel());
}

// --- The host's requests, from the keys and the host view ----------------

void Form1::revealAnswerIfOffered()
{
    if (m_game->answerOffered())
        Command3->click();
}

void Form1::revealAnswerByKey()
{
    // The host's "next" key hit as a team buzzes must not give the answer away.
    if (!m_game->buzzing().guardsRevealAt(JoystickWatch::nowMs()))
        revealAnswerIfOffered();
}

void Form1::setTeamNames(const teams::Names &names)
{
    m_game->setTeamNames(names);
    emit gameChanged(); // the host view and the offer say them too
}

void Form1::setEvening(const Evening &evening)
{
    m_game->setEvening(evening);
    emit gameChanged();
}

void Form1::deleteEveningRow(int index)
{
    if (m_game->deleteEveningRow(index))
        emit gameChanged();
}

void Form1::correctEveningRow(int index, double points1, double points2)
{
    if (m_game->correctEveningRow(index, points1, points2))
        emit gameChanged();
}

void Form1::beginEvening()
{
    m_game->beginEvening();
    emit gameChanged();
}

void Form1::reportProblem(const QString &message)
{
    m_game->loadFailed(message);
    emit gameChanged();
}

void Form1::leaveTheRoundBox()
{
    if (Text1->hasFocus())
        Option20->setFocus();
}

QString Form1::soundNotice() const
{
    return m_soundHeard ? QString() : SoundNotice->text();
}

void Form1::pressTeamButton(int team)
{
    (team == 1 ? Command1 : Command2)->click();
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
