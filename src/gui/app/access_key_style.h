// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

namespace kelodi {

// How access keys behave in the main window, where the letters that name the
// menus are also playing keys.
//
// The menu bar has no keyboard-navigation mode. In that mode (entered by a tap
// of Alt, by Escape out of a menu, or after an item chosen from the keyboard
// when no widget held the focus before) the menu bar keeps the keyboard, and
// the next plain letter opens a menu instead of sounding a key. Without it,
// Alt with a letter still opens that letter's menu, an open menu still works
// with the arrows, Return and Escape, and every letter after it plays again.
//
// A button whose access key went to a menu draws its caption without the
// underline: an underlined letter must lead to the control that shows it.
class AccessKeyStyle : public QProxyStyle {
public:
    // Wraps a fresh instance of the application's current style.
    AccessKeyStyle();

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace kelodi
