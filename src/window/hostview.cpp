#include "window/hostview.h"

#include "window/form1.h"
#include "window/hostkeys.h"
#include "window/hostpicture.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QLabel *textLabel(double pointSize, bool bold = false)
{
    auto *label = new QLabel;
    label->setTextFormat(Qt::PlainText); // round files are text, never markup
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

QPushButton *actionButton(const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus); // the keys stay the host's, wherever the focus was
    return button;
}

} // namespace

HostView::HostView(Form1 *form) : m_form(form)
{
    setObjectName(QStringLiteral("HostView"));
    setWindowTitle(QStringLiteral("Квизория — ведущий"));
    // Closing the main window ends the program even while this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeGameArea(), 1);
    m_picture = new HostPicture(this);
    layout->addWidget(m_picture);
    connect(form->pictures(), &PictureShow::changed, this, &HostView::refresh);
    layout->addWidget(makeNumbers());
    layout->addWidget(makeActions());
    layout->addWidget(makeKeyList());

    hostkeys::install(this, form);
    connect(form, &Form1::gameChanged, this, &HostView::refresh);
    resize(760, 640);
    refresh();
}

QWidget *HostView::makeGameArea()
{
    auto *area = new QWidget;
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *top = new QHBoxLayout;
    m_round = textLabel(12, true);
    m_countdown = textLabel(16, true);
    m_countdown->setStyleSheet(QStringLiteral("color: #FF0000"));
    m_scores = textLabel(16, true);
    m_blankState = textLabel(12, true);
    top->addWidget(m_round, 1);
    top->addWidget(m_blankState);
    top->addWidget(m_countdown);
    top->addSpacing(24);
    top->addWidget(m_scores);
    layout->addLayout(top);

    // A question of any length is read whole: the text wraps and, past the
    // window's height, scrolls.
    auto *texts = new QWidget;
    auto *textLayout = new QVBoxLayout(texts);
    m_question = textLabel(16);
    m_question->setStyleSheet(QStringLiteral("color: #000080"));
    m_answerState = textLabel(10);
    m_answer = textLabel(16, true);
    m_answer->setStyleSheet(QStringLiteral("color: #008000"));
    textLayout->addWidget(m_question);
    textLayout->addWidget(m_answerState);
    textLayout->addWidget(m_answer);
    textLayout->addStretch(1);
    auto *scroll = new QScrollArea;
    scroll->setWidget(texts);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(scroll, 1);
    return area;
}

QWidget *HostView::makeNumbers()
{
    auto *numbers = new QWidget;
    auto *grid = new QGridLayout(numbers);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int number = 1; number <= 12; ++number) {
        QPushButton *button = actionButton(QString::number(number), numbers);
        grid->addWidget(button, (number - 1) / 6, (number - 1) % 6);
        connect(button, &QPushButton::clicked, m_form, [this, number] {
            OptionButton *option = m_form->numberButton(number);
            if (!option->isHidden())
                option->click(); // the number's own handler, as a click on the board
        });
        m_numbers[size_t(number - 1)] = button;
    }
    return numbers;
}

QWidget *HostView::makeActions()
{
    auto *actions = new QWidget;
    auto *row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    m_reveal = actionButton(QStringLiteral("ОТВЕТ"), actions);
    connect(m_reveal, &QPushButton::clicked, m_form, &Form1::revealAnswerIfOffered);
    row->addWidget(m_reveal);
    for (int team = 1; team <= 2; ++team) {
        QPushButton *button = actionButton(QStringLiteral("КОМАНДА %1").arg(team), actions);
        connect(button, &QPushButton::clicked, m_form, [this, team] { m_form->pressTeamButton(team); });
        row->addWidget(button);
    }
    QPushButton *undo = actionButton(QStringLiteral("Отменить очко"), actions);
    connect(undo, &QPushButton::clicked, m_form, &Form1::takeBackPoint);
    row->addWidget(undo);
    QPushButton *blank = actionButton(QStringLiteral("Затемнить зал"), actions);
    connect(blank, &QPushButton::clicked, m_form, [this] { m_form->setBlanked(!m_form->isBlanked()); });
    row->addWidget(blank);
    QPushButton *full = actionButton(QStringLiteral("Во весь экран"), actions);
    connect(full, &QPushButton::clicked, m_form,
            [this] { m_form->setFullScreenShowing(!m_form->isFullScreen()); });
    row->addWidget(full);
    return actions;
}

QWidget *HostView::makeKeyList()
{
    QStringList lines;
    for (const hostkeys::Binding &binding : hostkeys::bindings())
        lines << QStringLiteral("%1 — %2").arg(hostkeys::keyNames(binding), binding.what);
    QLabel *keys = textLabel(9);
    keys->setObjectName(QStringLiteral("HostKeys"));
    keys->setText(QStringLiteral("Клавиши (в обоих окнах):\n") + lines.join(QLatin1Char('\n')));
    return keys;
}

void HostView::refresh()
{
    const QString round = m_form->Text1->text();
    m_round->setText(round.isEmpty() ? QStringLiteral("Тур не выбран")
                                     : QStringLiteral("Тур: %1").arg(round));
    m_countdown->setText(m_form->Label5->text());
    m_scores->setText(
        QStringLiteral("%1 : %2").arg(m_form->Label2->text().trimmed(), m_form->Label3->text().trimmed()));
    m_question->setText(m_form->Label1->text());
    m_answer->setText(m_form->Label7->text());
    if (m_form->Label7->text().isEmpty())
        m_answerState->clear();
    else
        m_answerState->setText(!m_form->Label7->isHidden() ? QStringLiteral("Ответ (открыт в зале):")
                                                           : QStringLiteral("Ответ (в зале пока скрыт):"));
    QStringList states;
    if (m_form->isBlanked())
        states << QStringLiteral("ЗАЛ ЗАТЕМНЁН");
    if (!m_form->SoundNotice->isHidden())
        states << m_form->SoundNotice->text();
    m_blankState->setText(states.join(QStringLiteral(" · ")));
    for (int number = 1; number <= 12; ++number)
        numberButton(number)->setEnabled(!m_form->numberButton(number)->isHidden());
    m_reveal->setEnabled(!m_form->Command3->isHidden());
    m_picture->refresh(m_form->pictures(), m_form->isBlanked());
}
