#include "app/windowgone.h"

#include <QCoreApplication>
#include <QTimer>

#include <xcb/xcb.h>

bool WindowGoneWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY)
        return false;
    const auto *destroyed = static_cast<const xcb_destroy_notify_event_t *>(message);
    // Only a window that Qt still thinks it has: one it recreates on another
    // screen is destroyed by Qt itself, after it has let go of the old id.
    if (m_window->testAttribute(Qt::WA_WState_Created) &&
        destroyed->window == xcb_window_t(m_window->winId()))
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return false;
}
