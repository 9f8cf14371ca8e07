// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/closed_menu_keys.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QWindow>

#include <memory>

#if QT_CONFIG(xcb) && __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define KELODI_XCB_EVENTS 1
#endif

namespace kelodi {

ClosedMenuKeys::ClosedMenuKeys(QWindow* keyWindow, QMenuBar* menuBar, QObject* parent)
    : QObject(parent), m_keyWindow(keyWindow), m_menuBar(menuBar)
{
    // A closed menu made the active window leaves the menus' Alt with a
    // letter without a window to act in: the main window stays the active
    // one until the window system moves the focus for real.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (focus && isClosedMenu(focus) && m_menuBar) {
            QT_WARNING_PUSH
            QT_WARNING_DISABLE_DEPRECATED
            QApplication::setActiveWindow(m_menuBar->window());
            QT_WARNING_POP
        }
    });
}

bool ClosedMenuKeys::isClosedMenu(const QWindow* window) const
{
    if (window->type() != Qt::Popup || window->isVisible() || !m_keyWindow)
        return false;
    // Only the main window's own menus and their submenus: a dialog's closed
    // pop-up list does not send its keys to the keyboard behind the dialog.
    const QWindow* owner = window->transientParent();
    while (owner && owner != m_keyWindow)
        owner = owner->transientParent();
    return owner != nullptr;
}

bool ClosedMenuKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
#ifdef KELODI_XCB_EVENTS
    if (eventType != "xcb_generic_event_t" || !m_keyWindow || !m_keyWindow->handle())
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const int type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Press and release events have the same layout.
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle() && window->winId() == key->event)
            return false;
    }
    key->event = static_cast<xcb_window_t>(m_keyWindow->winId());
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}

bool ClosedMenuKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window || !m_menuBar || !isClosedMenu(window))
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress) {
        const QKeySequence pressed(key->keyCombination());
        for (QAction* menu : m_menuBar->actions()) {
            if (menu->isVisible() && menu->isEnabled() && QKeySequence::mnemonic(menu->text()) == pressed) {
                m_menuBar->setActiveAction(menu);
                return true;
            }
        }
    }
    const std::unique_ptr<QEvent> copy(event->clone());
    QCoreApplication::sendEvent(m_keyWindow, copy.get());
    return true;
}

}  // namespace kelodi
