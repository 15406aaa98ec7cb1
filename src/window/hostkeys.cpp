#include "window/hostkeys.h"

#include "window/form1.h"

#include <QShortcut>
#include <QWidget>

namespace hostkeys {

const std::vector<Binding> &bindings()
{
    static const std::vector<Binding> list = {
        {Action::FullScreen, {Qt::Key_F11}, QStringLiteral("во весь экран и обратно")},
        {Action::EnterFullScreen, {Qt::Key_F5}, QStringLiteral("во весь экран (кнопка показа на пульте)")},
        {Action::LeaveFullScreen, {Qt::Key_Escape}, QStringLiteral("выйти из полноэкранного показа")},
        {Action::HostView, {Qt::Key_F12}, QStringLiteral("открыть и закрыть окно ведущего")},
        {Action::RevealAnswer,
         {Qt::Key_PageDown},
         QStringLiteral("«ОТВЕТ» — показать ответ, когда кнопка видна")},
        {Action::Previous,
         {Qt::Key_PageUp},
         QStringLiteral("ничего (кнопка «назад» пульта ничего не отнимает)")},
        {Action::PointTeam1,
         {QKeySequence(Qt::CTRL | Qt::Key_1)},
         QStringLiteral("«КОМАНДА 1» — очко первой команде")},
        {Action::PointTeam2,
         {QKeySequence(Qt::CTRL | Qt::Key_2)},
         QStringLiteral("«КОМАНДА 2» — очко второй команде")},
        {Action::TakeBackPoint, {QKeySequence::Undo}, QStringLiteral("отменить последнее очко")},
        {Action::Blank,
         {Qt::Key_B, Qt::Key_Period},
         QStringLiteral("затемнить зал и вернуть (не в поле тура)")},
    };
    return list;
}

namespace {

void act(Form1 *form, Action action)
{
    switch (action) {
    case Action::FullScreen:
        form->setFullScreenShowing(!form->isFullScreen());
        break;
    case Action::EnterFullScreen:
        form->setFullScreenShowing(true);
        break;
    case Action::LeaveFullScreen:
        form->setFullScreenShowing(false);
        break;
    case Action::HostView:
        form->toggleHostView();
        break;
    case Action::RevealAnswer:
        form->revealAnswerIfOffered();
        break;
    case Action::Previous:
        break;
    case Action::PointTeam1:
        form->pressTeamButton(1);
        break;
    case Action::PointTeam2:
        form->pressTeamButton(2);
        break;
    case Action::TakeBackPoint:
        form->takeBackPoint();
        break;
    case Action::Blank:
        form->setBlanked(!form->isBlanked());
        break;
    }
}

} // namespace

void install(QWidget *window, Form1 *form)
{
    for (const Binding &binding : bindings()) {
        for (const QKeySequence &key : binding.keys) {
            auto *shortcut = new QShortcut(key, window);
            shortcut->setContext(Qt::WindowShortcut);
            // A held clicker button must not give a team two points.
            shortcut->setAutoRepeat(false);
            const Action action = binding.action;
            QObject::connect(shortcut, &QShortcut::activated, form, [form, action] { act(form, action); });
        }
    }
}

QString keyNames(const Binding &binding)
{
    QStringList names;
    for (const QKeySequence &key : binding.keys)
        names << key.toString(QKeySequence::NativeText);
    return names.join(QStringLiteral(" или "));
}

} // namespace hostkeys
