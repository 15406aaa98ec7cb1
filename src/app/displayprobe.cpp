#include "app/displayprobe.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstring>

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
        const socklen_t length =
            socklen_t(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0) + path.size());
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) == 0) {
            answers = true;
            break;
        }
    }
    ::close(fd);
    return answers;
}

} // namespace

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
