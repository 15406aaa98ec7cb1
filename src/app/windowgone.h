#pragma once

#include <QAbstractNativeEventFilter>
#include <QWidget>

// Ends the program when its window is destroyed from outside (xdotool
// windowclose, some window managers' "kill"): Qt would otherwise run on
// with no window, and the host could neither see nor close it.
class WindowGoneWatch : public QAbstractNativeEventFilter
{
public:
    explicit WindowGoneWatch(QWidget *window) : m_window(window) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QWidget *m_window;
};
