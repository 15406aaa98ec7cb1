#include "window/hostview.h"

#include "window/hostkeys.h"
#include "window/hostpicture.h"

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

HostView::HostView()
{
    setObjectName(QStringLiteral("HostView"));
    setWindowTitle(QStringLiteral("Квизория — ведущий"));
    // Closing the main window ends the program even while this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    // Where only a narrow strip beside the board is left, the window takes
    // it and scrolls rather than covering the board.
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->addWidget(makeGameArea(), 1);
    m_picture = new HostPicture(this);
    layout->addWidget(m_picture);
    layout->addWidget(makeNumbers());
    layout->addWidget(makeActions());
    layout->addWidget(makeNames());
    layout->addWidget(makeKeyList());
    auto *scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    resize(760, 640);
}

QWidget *HostView::makeGameArea()
{
    auto *area = new QWidget;
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *top = new QHBoxLayout;
    m_round = textLabel(12, true);
    m_loadError = textLabel(10);
    m_loadError->setObjectName(QStringLiteral("HostLoadError"));
    m_loadError->setStyleSheet(QStringLiteral("color: #FF0000"));
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
    layout->addWidget(m_loadError);
    m_resume = actionButton(QString(), area);
    m_resume->setObjectName(QStringLiteral("HostResume"));
    connect(m_resume, &QPushButton::clicked, this, &HostView::resumeRequested);
    layout->addWidget(m_resume);
    m_notes = textLabel(10);
    m_notes->setObjectName(QStringLiteral("HostNotes"));
    layout->addWidget(m_notes);

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
        connect(button, &QPushButton::clicked, this, [this, number] { emit numberRequested(number); });
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
    connect(m_reveal, &QPushButton::clicked, this, &HostView::revealRequested);
    row->addWidget(m_reveal);
    for (int team = 1; team <= 2; ++team) {
        QPushButton *button = actionButton(QStringLiteral("КОМАНДА %1").arg(team), actions);
        connect(button, &QPushButton::clicked, this, [this, team] { emit pointRequested(team); });
        row->addWidget(button);
        m_teams[size_t(team - 1)] = button;
    }
    QPushButton *undo = actionButton(QStringLiteral("Отменить очко"), actions);
    connect(undo, &QPushButton::clicked, this, &HostView::takeBackRequested);
    row->addWidget(undo);
    QPushButton *blank = actionButton(QStringLiteral("Затемнить зал"), actions);
    connect(blank, &QPushButton::clicked, this, &HostView::blankRequested);
    row->addWidget(blank);
    QPushButton *full = actionButton(QStringLiteral("Во весь экран"), actions);
    connect(full, &QPushButton::clicked, this, &HostView::fullScreenRequested);
    row->addWidget(full);
    return actions;
}

// The teams' names, typed here or kept in the names file.
QWidget *HostView::makeNames()
{
    auto *names = new QWidget;
    auto *row = new QHBoxLayout(names);
    row->setContentsMargins(0, 0, 0, 0);
    for (int team = 1; team <= 2; ++team) {
        QLabel *label = textLabel(10);
        label->setText(QStringLiteral("Команда %1:").arg(team));
        row->addWidget(label);
        auto *edit = new QLineEdit(names);
        edit->setObjectName(QStringLiteral("TeamName%1").arg(team));
        edit->setMaxLength(teams::kMaxNameLength);
        // Clicked into, never reached by opening the window or by Tab: a
        // clicker's "." or B must not type into a name.
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setPlaceholderText(QStringLiteral("КОМАНДА %1").arg(team));
        connect(edit, &QLineEdit::editingFinished, this, [this] {
            emit teamNamesEdited({m_nameEdits[0]->text(), m_nameEdits[1]->text()});
        });
        row->addWidget(edit, 1);
        m_nameEdits[size_t(team - 1)] = edit;
    }
    return names;
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

void HostView::showGame(const GameSnapshot &game, const Situation &situation)
{
    m_round->setText(game.round.isEmpty() ? QStringLiteral("Тур не выбран")
                                          : QStringLiteral("Тур: %1").arg(game.round));
    m_loadError->setText(game.loadError);
    m_loadError->setVisible(!game.loadError.isEmpty());
    m_countdown->setText(game.countdown);
    m_scores->setText(QStringLiteral("%1 : %2").arg(game.score1.trimmed(), game.score2.trimmed()));
    m_question->setText(game.question);
    showAnswer(game, situation.mayShowAnswers);
    QStringList states;
    if (situation.blanked)
        states << QStringLiteral("ЗАЛ ЗАТЕМНЁН");
    if (!situation.soundNotice.isEmpty())
        states << situation.soundNotice;
    m_blankState->setText(states.join(QStringLiteral(" · ")));
    for (int number = 1; number <= 12; ++number)
        numberButton(number)->setEnabled(game.numbersLeft[size_t(number - 1)]);
    m_reveal->setEnabled(game.answerOffered);
    m_resume->setText(situation.resumeOffer);
    m_resume->setVisible(!situation.resumeOffer.isEmpty());
    m_notes->setText(situation.notes.join(QLatin1Char('\n')));
    m_notes->setVisible(!situation.notes.isEmpty());
    for (int team = 1; team <= 2; ++team) {
        const QString &name = situation.names.of(team);
        // A long name shortened here, whole in its tooltip: the row of
        // buttons must not push this window off the screen.
        QPushButton *button = teamButton(team);
        const QString shown = name.isEmpty() ? QStringLiteral("КОМАНДА %1").arg(team) : name;
        button->setText(button->fontMetrics().elidedText(shown, Qt::ElideRight, 160));
        button->setToolTip(name);
        QLineEdit *edit = nameEdit(team);
        if (!edit->hasFocus() && edit->text() != name)
            edit->setText(name); // never under the host's typing
    }
}

void HostView::showPicture(const PictureShow *pictures, bool roomBlanked)
{
    m_picture->refresh(pictures, roomBlanked);
}

void HostView::showAnswer(const GameSnapshot &game, bool mayShowAnswers)
{
    if (!mayShowAnswers) {
        // The room sees this screen: the answer only once the room has it.
        m_answer->setText(game.answerShown ? game.answer : QString());
        m_answerState->setText(
            QStringLiteral("Один экран: зал видит и это окно, поэтому ответ здесь — только "
                           "после «ОТВЕТ»."));
        return;
    }
    m_answer->setText(game.answer);
    if (game.answer.isEmpty())
        m_answerState->clear();
    else
        m_answerState->setText(game.answerShown ? QStringLiteral("Ответ (открыт в зале):")
                                                : QStringLiteral("Ответ (в зале пока скрыт):"));
}
