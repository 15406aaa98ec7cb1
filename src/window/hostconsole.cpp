#include "window/hostconsole.h"

#include "game/game.h"
#include "window/form1.h"
#include "window/hostview.h"
#include "window/optionbutton.h"
#include "window/pictureshow.h"
#include "window/showing.h"

HostConsole::HostConsole(Form1 *form, Showing *showing)
    : QObject(form), m_form(form), m_showing(showing),
      m_keys(new hostkeys::KeyRouter([this](hostkeys::Action action) { act(action); }, this))
{
    m_keys->watch(form);
    connect(showing, &Showing::hostViewOpened, this, &HostConsole::wire);
    connect(showing, &Showing::roomChanged, this, &HostConsole::refresh);
    connect(form, &Form1::gameChanged, this, &HostConsole::refresh);
    connect(form->pictures(), &PictureShow::changed, this, &HostConsole::refresh);
}

void HostConsole::act(hostkeys::Action action)
{
    using hostkeys::Action;
    switch (action) {
    case Action::FullScreen:
        m_showing->press(placement::Key::ToggleFullScreen);
        break;
    case Action::EnterFullScreen:
        m_showing->press(placement::Key::EnterFullScreen);
        break;
    case Action::LeaveFullScreen:
        m_showing->press(placement::Key::LeaveFullScreen);
        break;
    case Action::HostView:
        m_showing->press(placement::Key::ToggleHostView);
        break;
    case Action::RevealAnswer:
        m_form->revealAnswerByKey();
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
        m_showing->setBlanked(!m_showing->isBlanked());
        break;
    case Action::Resume:
        emit resumeRequested();
        break;
    case Action::ReopenBuzzing:
        m_form->reopenBuzzing();
        break;
    }
}

void HostConsole::setKeeping(const Keeping &keeping)
{
    m_keeping = keeping;
    refresh();
}

// A host view just opened: its keys and buttons act as the board's.
void HostConsole::wire(HostView *view)
{
    m_keys->watch(view);
    connect(view, &HostView::numberRequested, m_form, [this](int number) {
        if (m_form->game().numberLeft(number))
            m_form->numberButton(number)->click(); // the number's own handler, as a click on the board
    });
    connect(view, &HostView::revealRequested, this, [this] { act(hostkeys::Action::RevealAnswer); });
    connect(view, &HostView::pointRequested, m_form, &Form1::pressTeamButton);
    connect(view, &HostView::takeBackRequested, this, [this] { act(hostkeys::Action::TakeBackPoint); });
    connect(view, &HostView::blankRequested, this, [this] { act(hostkeys::Action::Blank); });
    connect(view, &HostView::fullScreenRequested, this, [this] { act(hostkeys::Action::FullScreen); });
    connect(view, &HostView::resumeRequested, this, &HostConsole::resumeRequested);
    connect(view, &HostView::teamNamesEdited, m_form, &Form1::setTeamNames);
    refresh();
}

void HostConsole::refresh()
{
    HostView *view = m_showing->hostView();
    if (!view)
        return;
    HostView::Situation situation;
    situation.mayShowAnswers = m_showing->hostViewShowsAnswers();
    situation.blanked = m_showing->isBlanked();
    situation.soundNotice = m_form->soundNotice();
    situation.resumeOffer = m_keeping.offer;
    situation.notes = QStringList{m_keeping.problem, m_keeping.roundNote};
    situation.notes.removeAll(QString());
    situation.names = m_form->game().teamNames();
    view->showGame(m_form->snapshot(), situation);
    view->showPicture(m_form->pictures(), situation.blanked);
}
