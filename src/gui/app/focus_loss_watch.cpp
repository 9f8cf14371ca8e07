// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/focus_loss_watch.h"

#include <QByteArray>
#include <QWindow>

#include <utility>

#if QT_CONFIG(xcb) && __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define KELODI_XCB_EVENTS 1
#endif

namespace kelodi {

FocusLossWatch::FocusLossWatch(QWindow* window, std::function<void()> lost, QObject* parent)
    : QObject(parent), m_window(window), m_lost(std::move(lost))
{
}

bool FocusLossWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
#ifdef KELODI_XCB_EVENTS
    if (eventType != "xcb_generic_event_t" || !m_window || !m_window->handle())
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_FOCUS_OUT)
        return false;
    auto* focus = reinterpret_cast<xcb_focus_out_event_t*>(event);
    // A grab (a menu of ours taking the keyboard) is not a move of the focus,
    // nor is the focus passing to a window inside this one.
    const bool moved = focus->mode == XCB_NOTIFY_MODE_NORMAL || focus->mode == XCB_NOTIFY_MODE_WHILE_GRABBED;
    const bool away = focus->detail != XCB_NOTIFY_DETAIL_INFERIOR && focus->detail != XCB_NOTIFY_DETAIL_POINTER;
    if (focus->event == static_cast<xcb_window_t>(m_window->winId()) && moved && away && m_lost)
        m_lost();
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}

}  // namespace kelodi
