// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

class QMenuBar;
class QWindow;

namespace kelodi {

// Keys that the window system still sends to a menu that has closed.
//
// A menu takes the keyboard once it shows. When its Escape comes before that
// (a fast player, a busy machine, a move to the next menu), the menu closes
// before the X server has reported the keyboard as taken, and the keys
// pressed until the server has handled the release go to the closed menu's
// window. Qt makes the closed menu the focus window meanwhile and hands those
// keys to it: a letter chose the menu's item of that access key (E: 退出) or
// made the menu bar open the menu of that letter, and the key never played.
// Where Qt has already destroyed the menu's window, it drops them: the Escape
// meant for the next menu was lost, and that menu stayed open.
//
// Keys for the main window itself lose their shortcuts meanwhile: with the
// closed menu as the active window, Alt with a menu's letter opened nothing.
//
// Installed on the application (both as an event filter and as a native
// event filter), this gives such keys to the main window instead, as if no
// menu had been there: Alt with a menu's letter opens that menu, every other
// key goes where a key for the main window goes; and the main window stays
// the active window when Qt would make the closed menu the active one.
class ClosedMenuKeys : public QObject, public QAbstractNativeEventFilter {
public:
    ClosedMenuKeys(QWindow* keyWindow, QMenuBar* menuBar, QObject* parent);

    // X11: a key event for a window the program no longer has is given to
    // the main window. Never filters the event out.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A hidden pop-up of the main window's (a menu or a submenu).
    bool isClosedMenu(const QWindow* window) const;

    QPointer<QWindow> m_keyWindow;
    QPointer<QMenuBar> m_menuBar;
};

}  // namespace kelodi
