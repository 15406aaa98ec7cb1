#include "app/platformstart.h"
#include "app/windowgone.h"
#include "audio/audiooutput.h"
#include "game/teamnames.h"
#include "journal/journal.h"
#include "window/appicon.h"
#include "window/buzzerinput.h"
#include "window/form1.h"
#include "window/gamekeeper.h"
#include "window/hostconsole.h"
#include "window/showing.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

// Runs an action once, just after the watched widget is first painted.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(std::function<void()> action) : m_action(std::move(action)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_action) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, std::exchange(m_action, nullptr));
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

int main(int argc, char *argv[])
{
    std::optional<PlatformStartGuard> platformStart(std::in_place);
    QApplication app(argc, argv);
    platformStart.reset();
    QApplication::setApplicationName(QStringLiteral("kvizor"));
    // No display name: Qt would append it to every title, and the host
    // view's title, "Квизория — ведущий", already says whose window it is.
    QApplication::setApplicationVersion(QStringLiteral(KVIZOR_DISPLAY_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kvizor.kvizor"));

    // The window comes first; the icon and the audio output follow once it
    // has been drawn, so neither (nor a slow sound server) holds up the
    // first frame.
    SilentSound silent;
    Form1 form(&silent);
    Showing showing(&form);
    HostConsole console(&form, &showing);
    // The teams' names, if the host keeps them beside the rounds.
    const teams::NamesRead names = teams::readNames(teams::kFileName);
    form.setTeamNames(names.names);
    if (!names.error.isEmpty()) {
        std::fprintf(stderr, "kvizor: %s\n", qUtf8Printable(names.error));
        form.reportProblem(names.error);
    }
    // The last game is read and offered back before the window shows.
    journal::Journal journal;
    GameKeeper keeper(&form, &console, &journal);
    // The teams' buzzers, if the host bound any.
    BuzzerInput buzzers;
    QObject::connect(&buzzers, &BuzzerInput::pressed, &form, &Form1::buzz);
    for (const QString &problem : buzzers.problems())
        std::fprintf(stderr, "kvizor: %s\n", qUtf8Printable(problem));
    std::unique_ptr<AudioOutput> sound;
    FirstPaint firstPaint([&] {
        QApplication::setWindowIcon(appIcon());
        sound = std::make_unique<AudioOutput>();
        form.setSound(sound.get());
    });
    form.installEventFilter(&firstPaint);

    WindowGoneWatch windowGone(&form);
    app.installNativeEventFilter(&windowGone);

    form.Form_Load();
    form.show();
    form.Text1->setFocus();
    const int status = app.exec();
    form.setSound(&silent);
    return status;
}
