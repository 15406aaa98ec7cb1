// Joysticks through SDL's virtual joystick: the path a real one takes, from
// plugging it in to a press reaching the event thread, without hardware.

#include "input/joysticks.h"

#include <QSignalSpy>
#include <QtTest>

#include <SDL.h>

class TestJoysticks : public QObject
{
    Q_OBJECT

private slots:
    void pluggedPressedHeldAndUnplugged()
    {
        JoystickWatch watch;
        QVERIFY2(watch.problem().isEmpty(), qPrintable(watch.problem()));
        QSignalSpy devices(&watch, &JoystickWatch::devicesChanged);
        QSignalSpy presses(&watch, &JoystickWatch::pressed);

        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 8, 0);
        QVERIFY2(index >= 0, SDL_GetError());
        QTRY_COMPARE(watch.connected().size(), 1);
        SDL_Joystick *pad = SDL_JoystickOpen(index);
        QVERIFY(pad);
        char guid[33] = {};
        SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(pad), guid, sizeof guid);

        const qint64 before = JoystickWatch::nowMs();
        SDL_JoystickSetVirtualButton(pad, 3, SDL_PRESSED);
        QTRY_COMPARE(presses.size(), 1);
        QCOMPARE(presses[0][0].toString(), QString::fromLatin1(guid).toLower());
        QCOMPARE(presses[0][1].toInt(), 3);
        const qint64 at = presses[0][2].toLongLong();
        QVERIFY(at >= before - 1 && at <= JoystickWatch::nowMs());

        QTest::qWait(50); // held: no second press
        SDL_JoystickSetVirtualButton(pad, 3, SDL_RELEASED);
        QTest::qWait(20);
        QCOMPARE(presses.size(), 1);
        SDL_JoystickSetVirtualButton(pad, 3, SDL_PRESSED);
        QTRY_COMPARE(presses.size(), 2);

        SDL_JoystickClose(pad);
        QVERIFY(SDL_JoystickDetachVirtual(index) == 0);
        QTRY_VERIFY(watch.connected().isEmpty());
        QVERIFY(devices.size() >= 2);
    }
};

QTEST_GUILESS_MAIN(TestJoysticks)
#include "tst_joysticks.moc"
