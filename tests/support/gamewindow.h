#pragma once

#include "support/fakesound.h"
#include "window/form1.h"
#include "window/hostconsole.h"
#include "window/showing.h"

#include <memory>

// The board as the program makes it: Form1 after its load handler, shown
// through a Showing (the keys, full screen, blanking, the host view), with a
// sound side that counts.
struct GameWindow
{
    FakeSound sound;
    Form1 form{&sound};
    Showing showing{&form};
    HostConsole console{&form, &showing};

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

// What a window test works on, made anew for each test function: a test
// class derives from it and calls start() in init() and stop() in cleanup().
class GameUnderTest
{
protected:
    std::unique_ptr<GameWindow> game;
    Form1 *form = nullptr;
    FakeSound *sound = nullptr;
    Showing *showing = nullptr;
    HostConsole *console = nullptr;

    void start()
    {
        game = std::make_unique<GameWindow>();
        form = &game->form;
        sound = &game->sound;
        showing = &game->showing;
        console = &game->console;
    }
    void stop()
    {
        form = nullptr;
        sound = nullptr;
        showing = nullptr;
        console = nullptr;
        game.reset();
    }
    void tick(int times = 1) { game->tick(times); }
    void runToStop() { game->runToStop(); }
};
