#pragma once

#include "window/hostkeys.h"

#include <QObject>
#include <QString>

class Form1;
class HostView;
class Showing;

// The host's console: what each host key and each of the host view's
// buttons does, and the host view kept up to date with the game, the room
// and whether the game is being kept. Where the windows go is Showing's.
class HostConsole : public QObject
{
    Q_OBJECT

public:
    // Neither is owned; both must outlive the console.
    HostConsole(Form1 *form, Showing *showing);

    // A host key or one of the host view's buttons.
    void act(hostkeys::Action action);

    // What the host view says about keeping the game on disk.
    struct Keeping
    {
        QString offer;     // an interrupted game that Ctrl+R brings back
        QString problem;   // why the game is not being kept
        QString roundNote; // the resumed round's files have changed since
    };
    void setKeeping(const Keeping &keeping);

signals:
    // Ctrl+R or the host view's button.
    void resumeRequested();

private:
    void wire(HostView *view);
    void refresh();

    Form1 *m_form;
    Showing *m_showing;
    hostkeys::KeyRouter *m_keys;
    Keeping m_keeping;
};
