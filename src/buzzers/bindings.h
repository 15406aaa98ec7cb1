#pragma once

#include "base/outcome.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Which buttons are the teams' buzzers, as the host binds them in the host
// view or writes them by hand in buzzers.conf, one button a line:
//
//   1 = key:Q
//   2 = key:P
//   1 = joystick:03000000790000000600000010010000:button:3
//
// A key is named by its place on the keyboard (the letter it has on a
// Latin layout), so a Russian layout changes nothing. Several buttons may be
// one team's. "#" begins a comment.
namespace buzzers {

struct Binding
{
    enum class Kind { Key, JoystickButton };
    int team = 1; // 1 or 2
    Kind kind = Kind::Key;
    quint32 evdevCode = 0; // a key's place: its Linux input code
    QString guid;          // a joystick's SDL GUID, 32 hex digits
    int button = 0;        // a joystick's button, from 0

    bool sameButton(const Binding &o) const
    {
        return kind == o.kind &&
               (kind == Kind::Key ? evdevCode == o.evdevCode : guid == o.guid && button == o.button);
    }
    bool operator==(const Binding &o) const { return team == o.team && sameButton(o); }
};

// $XDG_CONFIG_HOME/kvizor/buzzers.conf when that is an absolute path, else
// ~/.config/kvizor/buzzers.conf.
QString configPath();

// The key name of a place ("Q", "7", "F3", "Space", "KP5"), empty for a
// place with no name here; and the place of a name, 0 for none.
QString keyName(quint32 evdevCode);
quint32 keyPlace(const QString &name);

// Whether a key's place is one of the host's keys, which cannot be a buzzer.
using HostKeyTest = std::function<bool(quint32 evdevCode)>;

struct Parsed
{
    std::vector<Binding> bindings;
    QStringList problems; // "строка 3: …", one a line that was left out
};
Parsed parse(const QString &text, const HostKeyTest &isHostKey);

// The bindings as the file holds them; a button bound twice is written once.
QString format(const std::vector<Binding> &bindings);

// The file read and written: no file is no buzzers, and no error. Writing
// replaces the file whole (a temporary file renamed over it).
Outcome<Parsed> read(const QString &path, const HostKeyTest &isHostKey);
Done write(const QString &path, const std::vector<Binding> &bindings);

// How the host view names a button: "клавиша Q", "джойстик 0300…, кнопка 4".
QString describe(const Binding &binding);

} // namespace buzzers
