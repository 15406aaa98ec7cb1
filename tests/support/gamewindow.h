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

    // Ticks of Timer1, without waiting for them.
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            form.Timer1_Timer();
    }
    // From a pick's " 1" to "STOP".
    void runToStop() { tick(4); }
};
