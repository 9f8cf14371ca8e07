// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/access_key_style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QStyleFactory>

namespace kelodi {

AccessKeyStyle::AccessKeyStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

int AccessKeyStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                              QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_MenuBar_AltKeyNavigation:
        return 0;
    case SH_UnderlineShortcut:
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget); button && button->shortcut().isEmpty())
            return 0;
        break;
    default:
        break;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace kelodi
