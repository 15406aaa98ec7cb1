#include "window/form1.h"

#include "window/designtable.h"
#include "window/optionbutton.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

constexpr OptionButton *Form1::*kNumberButtons[] = {
    &Form1::Option1, &Form1::Option2, &Form1::Option3,  &Form1::Option4,
    &Form1::Option5, &Form1::Option6, &Form1::Option7,  &Form1::Option8,
    &Form1::Option9, &Form1::Option10, &Form1::Option11, &Form1::Option12,
};

constexpr void (Form1::*kNumberHandlers[])(int) = {
    &Form1::Option1_Click, &Form1::Option2_Click,  &Form1::Option3_Click,  &Form1::Option4_Click,
    &Form1::Option5_Click, &Form1::Option6_Click,  &Form1::Option7_Click,  &Form1::Option8_Click,
    &Form1::Option9_Click, &Form1::Option10_Click, &Form1::Option11_Click, &Form1::Option12_Click,
};

QRect pixelRect(const design::Control &c)
{
    using design::toPixels;
    return {toPixels(c.left), toPixels(c.top), toPixels(c.width), toPixels(c.height)};
}

// The design's fonts are Windows faces. Where they are missing, take faces
// that cover Cyrillic with close metrics; "Arial Black" is heavy by design,
// so its stand-in is a bold face even at the designed regular weight.
QFont designFont(const design::Font &f)
{
    if (!f.family)
        return QFont();
    QString family = QString::fromUtf8(f.family);
    bool heavy = false;
    if (!QFontDatabase::hasFamily(family)) {
        if (family == u"Arial Black") {
            family = QStringLiteral("DejaVu Sans");
            heavy = true;
        } else {
            family = QStringLiteral("Liberation Sans");
        }
    }
    QFont font(family);
    font.setPointSizeF(f.pointSize);
    font.setWeight(f.bold || heavy ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void applyColours(QWidget *w, const design::Control &c, QPalette::ColorRole textRole,
                  QPalette::ColorRole faceRole)
{
    QPalette pal = w->palette();
    if (c.textColour)
        pal.setColor(textRole, QColor(*c.textColour));
    if (c.faceColour)
        pal.setColor(faceRole, QColor(*c.faceColour));
    w->setPalette(pal);
}

} // namespace

Form1::Form1(SoundInterface *sound, QWidget *parent)
    : QWidget(parent), m_sound(sound)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(design::kTitle));
    setGeometry(design::toPixels(design::kClientLeft), design::toPixels(design::kClientTop),
                design::toPixels(design::kClientWidth), design::toPixels(design::kClientHeight));
    setAutoFillBackground(true);
    buildControls();
}

Form1::~Form1() = default;

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo)) {
            if (event->type() == QEvent::ShortcutOverride) {
                event->ignore();  // leave it to the window's shortcut
            } else {
                takeBackPoint();  // no shortcut took it: do it here
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
    std::vector<std::pair<int, QWidget *>> tabOrder;

    for (const design::Control &c : design::controls()) {
        const QString name = QString::fromUtf8(c.name);
        const QString caption = QString::fromUtf8(c.caption);
        QWidget *w = nullptr;

        switch (c.kind) {
        case design::Kind::NumberButton:
        case design::Kind::OptionButton: {
            auto *b = new OptionButton(caption, c.index, this);
            if (c.kind == design::Kind::NumberButton) {
                b->setPushButtonLook(QColor(*c.faceColour), QColor(*c.textColour));
                const int number = caption.toInt();
                this->*kNumberButtons[number - 1] = b;
                const auto handler = kNumberHandlers[number - 1];
                connect(b, &QAbstractButton::clicked, this, [this, b, handler] { (this->*handler)(b->Index()); });
            } else {
                Option20 = b;
            }
            group->addButton(b);
            w = b;
            break;
        }
        case design::Kind::TextBox: {
            auto *edit = new QLineEdit(this);
            edit->setMaxLength(std::numeric_limits<int>::max());
            edit->setAlignment(c.alignment & Qt::AlignHorizontal_Mask);
            connect(edit, &QLineEdit::textChanged, this, &Form1::Text1_Change);
            Text1 = edit;
            w = edit;
            break;
        }
        case design::Kind::Label: {
            auto *label = new QLabel(caption, this);
            label->setTextFormat(Qt::PlainText);  // round files are text, never markup
            label->setWordWrap(true);
            label->setAlignment(c.alignment);
            label->setAutoFillBackground(true);
            label->setFocusPolicy(Qt::NoFocus);
            applyColours(label, c, QPalette::WindowText, QPalette::Window);
            w = label;
            QLabel *Form1::*slot = nullptr;
            if (name == u"Label1") slot = &Form1::Label1;
            else if (name == u"Label2") slot = &Form1::Label2;
            else if (name == u"Label3") slot = &Form1::Label3;
            else if (name == u"Label4") slot = &Form1::Label4;
            else if (name == u"Label5") slot = &Form1::Label5;
            else if (name == u"Label6") slot = &Form1::Label6;
            else if (name == u"Label7") slot = &Form1::Label7;
            this->*slot = label;
            break;
        }
        case design::Kind::PushButton: {
            auto *button = new QPushButton(caption, this);
            button->setAutoDefault(false);
            applyColours(button, c, QPalette::ButtonText, QPalette::Button);
            w = button;
            if (name == u"Command1") {
                Command1 = button;
                connect(button, &QPushButton::clicked, this, &Form1::Command1_Click);
            } else if (name == u"Command2") {
                Command2 = button;
                connect(button, &QPushButton::clicked, this, &Form1::Command2_Click);
            } else {
                Command3 = button;
                connect(button, &QPushButton::clicked, this, &Form1::Command3_Click);
            }
            break;
        }
        case design::Kind::Container:
            // Holds the stop sound; draws nothing and takes no input.
            OLE1 = new QWidget(this);
            OLE1->setFocusPolicy(Qt::NoFocus);
            OLE1->setAttribute(Qt::WA_TransparentForMouseEvents);
            w = OLE1;
            break;
        }

        w->setObjectName(name);
        w->setGeometry(pixelRect(c));
        if (c.font.family)
            w->setFont(designFont(c.font));
        w->setVisible(c.visible);
        if (w->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(c.tabIndex, w);
    }

    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(design::kTimer1Interval);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    // Ctrl+Z takes back a point wherever the focus is. The round-name box
    // would otherwise take it as undoing its text, which reloads the round.
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    undo->setContext(Qt::WindowShortcut);
    connect(undo, &QShortcut::activated, this, &Form1::takeBackPoint);
    Text1->installEventFilter(this);

    // Not a designed control: the place where a round that failed to load
    // says why, in the free space between the round name and "КОМАНДА 1".
    LoadError = new QLabel(this);
    LoadError->setObjectName(QStringLiteral("LoadError"));
    LoadError->setTextFormat(Qt::PlainText);
    LoadError->setWordWrap(true);
    LoadError->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LoadError->setGeometry(648, 76, 819 - 648 - 2, 144 - 76 - 2);
    QFont small = LoadError->font();
    small.setPointSizeF(8.25);
    small.setBold(true);
    LoadError->setFont(small);
    QPalette pal = LoadError->palette();
    pal.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
    LoadError->setPalette(pal);
}
