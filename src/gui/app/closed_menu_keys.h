// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QMenuBar;
class QWindow;

namespace kelodi {

// Keys that the window system still sends to a menu that has closed.
//
// A menu takes the keyboard once it shows. When its Escape comes before that
// (a fast player, a busy machine, a move to the next menu), the menu closes
// before the window system reports the keyboard as taken, and Qt makes the
// closed menu the focus window until the release is reported too. The keys
// pressed in that moment reach the hidden menu: a letter there chooses the
// menu's item of that access key (E: 退出) or makes the menu bar open the
// menu of that letter, and the key never plays.
//
// Installed on the application, this filter gives such keys to the main
// window instead, as if no menu had been there: Alt with a menu's letter
// opens that menu, every other key goes to the keyboard.
class ClosedMenuKeys : public QObject {
public:
    ClosedMenuKeys(QWindow* keyWindow, QMenuBar* menuBar, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWindow> m_keyWindow;
    QPointer<QMenuBar> m_menuBar;
};

}  // namespace kelodi
