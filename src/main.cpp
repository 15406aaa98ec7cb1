#include "window/form1.h"
#include "window/appicon.h"
#include "window/audiooutput.h"

#include <QApplication>
#include <QLineEdit>

#include <cstdio>
#include <cstdlib>

namespace {

// Qt aborts with a long report when it finds no display; a host deserves
// one clear line and an exit code instead.
bool displayAvailable()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "kvizor: нет дисплея (не заданы DISPLAY и WAYLAND_DISPLAY) — "
                             "запустите программу в графическом сеансе\n");
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvizor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Квизория"));
    QApplication::setApplicationVersion(QStringLiteral(KVIZOR_DISPLAY_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kvizor.kvizor"));

    QApplication::setWindowIcon(appIcon());

    AudioOutput sound;
    Form1 form(&sound);
    form.Form_Load();
    form.show();
    form.Text1->setFocus();
    return app.exec();
}
