#include "window/form1.h"
#include "window/appicon.h"
#include "window/audiooutput.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Whether a local X server answers on DISPLAY (":0", ":1.0", "unix:0").
// Remote displays are left for Qt to try.
bool localXServerAnswers(const QByteArray &display)
{
    QByteArray rest = display;
    if (rest.startsWith("unix:"))
        rest = rest.mid(4);
    if (!rest.startsWith(':'))
        return true;
    const QByteArray number = rest.mid(1).split('.').value(0);
    bool ok = false;
    number.toUInt(&ok);
    if (!ok)
        return true;

    const QByteArray path = "/tmp/.X11-unix/X" + number;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true;
    bool answers = false;
    // Xorg and Xvfb listen on the socket file and on the same name in the
    // abstract namespace; either will do.
    for (const bool abstract : {false, true}) {
        std::memset(address.sun_path, 0, sizeof address.sun_path);
        std::memcpy(address.sun_path + (abstract ? 1 : 0), path.constData(), size_t(path.size()));
        const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0) + path.size());
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) == 0) {
            answers = true;
            break;
        }
    }
    ::close(fd);
    return answers;
}

// Qt aborts with a long report when it finds no display; a host deserves
// one clear line and an exit code instead.
QString missingDisplay()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("нет дисплея (не заданы DISPLAY и WAYLAND_DISPLAY) — "
                              "запустите программу в графическом сеансе");
    if (!localXServerAnswers(display))
        return QStringLiteral("дисплей %1 не отвечает — запустите программу в графическом сеансе")
            .arg(QString::fromLocal8Bit(display));
    return {};
}

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
    const QString noDisplay = missingDisplay();
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "kvizor: %s\n", qUtf8Printable(noDisplay));
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvizor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Квизория"));
    QApplication::setApplicationVersion(QStringLiteral(KVIZOR_DISPLAY_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kvizor.kvizor"));

    // The window comes first; the icon and the audio output follow once it
    // has been drawn, so neither (nor a slow sound server) holds up the
    // first frame.
    SilentSound silent;
    Form1 form(&silent);
    std::unique_ptr<AudioOutput> sound;
    FirstPaint firstPaint([&] {
        QApplication::setWindowIcon(appIcon());
        sound = std::make_unique<AudioOutput>();
        form.setSound(sound.get());
    });
    form.installEventFilter(&firstPaint);

    form.Form_Load();
    form.show();
    form.Text1->setFocus();
    const int status = app.exec();
    form.setSound(&silent);
    return status;
}
