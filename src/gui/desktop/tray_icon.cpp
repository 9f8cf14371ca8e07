// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/desktop/tray_icon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include "platform/shell/tray_area_sweep.h"

namespace kelodi {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      m_menu(std::make_unique<QMenu>(QStringLiteral("托盘"))),
      m_tray(new QSystemTrayIcon(this))
{
    m_menu->setObjectName(QStringLiteral("TrayMenu"));
    m_actions[HomePage] = m_menu->addAction(QStringLiteral("软件主页(&H)"), this, &TrayIcon::homePageRequested);
    m_actions[News] = m_menu->addAction(QStringLiteral("新闻资讯(&W)"), this, &TrayIcon::newsRequested);
    m_actions[Separator] = m_menu->addSeparator();
    // Choosing it only closes the menu.
    m_actions[Nothing] = m_menu->addAction(QStringLiteral("什么都不做(&T)"));
    m_actions[Exit] = m_menu->addAction(QStringLiteral("退出(&F)"), this, &TrayIcon::exitRequested);
    for (int i = 0; i < 5; ++i)
        m_actions[i]->setObjectName(QStringLiteral("TrayMenuItem_%1").arg(i));
    m_tray->setContextMenu(m_menu.get());

    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Trigger is the left button released over the icon; the right button
        // opens the context menu by itself.
        if (reason == QSystemTrayIcon::Trigger)
            emit restoreRequested();
    });
}

TrayIcon::~TrayIcon()
{
    // The context menu must not outlive the tray that points to it.
    m_tray->setContextMenu(nullptr);
}

void TrayIcon::add(const QIcon& icon, const QString& tip)
{
    m_tray->setIcon(icon);
    m_tray->setToolTip(tip);
    m_tray->show();
}

void TrayIcon::remove()
{
    m_tray->hide();
    sweepTrayArea();
}

bool TrayIcon::isShown() const
{
    return m_tray->isVisible();
}

QString TrayIcon::tip() const
{
    return m_tray->toolTip();
}

QIcon TrayIcon::icon() const
{
    return m_tray->icon();
}

QAction* TrayIcon::action(Item item) const
{
    return m_actions[item];
}

int restoreWindowStateFor(Qt::WindowStates states)
{
    if (states & Qt::WindowMinimized)
        return 0;
    return (states & Qt::WindowMaximized) ? 2 : 0;
}

void applyWindowState(QWidget* window, int restoreWindowState)
{
    const Qt::WindowStates keep = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    window->setWindowState(keep | (restoreWindowState == 2 ? Qt::WindowMaximized : Qt::WindowNoState));
    window->show();
    window->raise();
    window->activateWindow();
}

bool restoreFromTray(QWidget* window, int restoreWindowState)
{
    if (window == nullptr || (window->isVisible() && !window->isMinimized()))
        return false;
    applyWindowState(window, restoreWindowState);
    return true;
}

}  // namespace kelodi
