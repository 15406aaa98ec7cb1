#pragma once

#include "support/fakesound.h"
#include "window/form1.h"
#include "window/showing.h"

// The board as the program makes it: Form1 after its load handler, shown
// through a Showing (the keys, full screen, blanking, the host view), with a
// sound side that counts.
struct GameWindow
{
    FakeSound sound;
    Form1 form{&sound};
    Showing showing{&form};

    GameWindow() { form.Form_Load(); }
};
