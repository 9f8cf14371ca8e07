// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/closed_menu_keys.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QWindow>

#include <memory>

namespace kelodi {

ClosedMenuKeys::ClosedMenuKeys(QWindow* keyWindow, QMenuBar* menuBar, QObject* parent)
    : QObject(parent), m_keyWindow(keyWindow), m_menuBar(menuBar)
{
}

bool ClosedMenuKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window || window->type() != Qt::Popup || window->isVisible() || !m_keyWindow || !m_menuBar)
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
