#pragma once

#include <QIcon>

// The program's icon, a white window with a cyan title bar, for the title bar
// and the task bar: hand-drawn pictures at 16 x 16 and 32 x 32 and, where Qt's
// SVG image plugin is installed, the scalable drawing at 48 to 256 pixels.
// The pictures come from packaging/icons, built into the program.
QIcon appIcon();
