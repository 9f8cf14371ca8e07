// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QWidget>

#include "gui/desktop/app_icon.h"
#include "gui/desktop/tray_icon.h"

namespace kelodi {
namespace {

TEST(TrayIcon, MenuItemsEmitTheirRequests)
{
    TrayIcon tray;
    QStringList seen;
    for (QAction* action : tray.menu()->actions())
        seen << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(seen, (QStringList{"软件主页(&H)", "新闻资讯(&W)", "-", "什么都不做(&T)", "退出(&F)"}));

    QSignalSpy home(&tray, &TrayIcon::homePageRequested);
    QSignalSpy news(&tray, &TrayIcon::newsRequested);
    QSignalSpy exit(&tray, &TrayIcon::exitRequested);
    QSignalSpy restore(&tray, &TrayIcon::restoreRequested);
    const auto counts = [&] {
        return QList<qsizetype>{home.count(), news.count(), exit.count(), restore.count()};
    };

    tray.action(TrayIcon::Nothing)->trigger();
    EXPECT_EQ(counts(), (QList<qsizetype>{0, 0, 0, 0}));
    tray.action(TrayIcon::HomePage)->trigger();
    EXPECT_EQ(counts(), (QList<qsizetype>{1, 0, 0, 0}));
    tray.action(TrayIcon::News)->trigger();
    EXPECT_EQ(counts(), (QList<qsizetype>{1, 1, 0, 0}));
    tray.action(TrayIcon::Exit)->trigger();
    EXPECT_EQ(counts(), (QList<qsizetype>{1, 1, 1, 0}));
}

TEST(TrayIcon, OnlyTheLeftClickAsksForTheWindow)
{
    TrayIcon tray;
    QSignalSpy restore(&tray, &TrayIcon::restoreRequested);
    QSystemTrayIcon* icon = tray.systemTrayIcon();
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(restore.count(), 0);
    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(restore.count(), 1);
}

TEST(TrayIcon, ShowsTheWindowIconWithTheTipGivenAndGoesAway)
{
    TrayIcon tray;
    const QIcon icon = appIcon();
    tray.add(icon, QStringLiteral("Kelodi 7.90"));
    EXPECT_EQ(tray.tip(), QStringLiteral("Kelodi 7.90"));
    EXPECT_EQ(tray.icon().cacheKey(), icon.cacheKey());
    EXPECT_EQ(tray.systemTrayIcon()->contextMenu(), tray.menu());
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "no notification area on this display";
    EXPECT_TRUE(tray.isShown());
    tray.remove();
    EXPECT_FALSE(tray.isShown());
}

TEST(WindowRestore, StateRememberedForTheTray)
{
    EXPECT_EQ(restoreWindowStateFor(Qt::WindowNoState), 0);
    EXPECT_EQ(restoreWindowStateFor(Qt::WindowMaximized), 2);
    EXPECT_EQ(restoreWindowStateFor(Qt::WindowMinimized), 0);
    // Minimised from the maximised state: comes back normal.
    EXPECT_EQ(restoreWindowStateFor(Qt::WindowMinimized | Qt::WindowMaximized), 0);
    EXPECT_EQ(restoreWindowStateFor(Qt::WindowMaximized | Qt::WindowActive), 2);
}

TEST(WindowRestore, LeftClickActsOnlyOnAMinimisedOrHiddenWindow)
{
    QWidget window;
    window.resize(300, 200);
    window.show();
    EXPECT_FALSE(restoreFromTray(&window, 2));
    EXPECT_FALSE(window.isMaximized());

    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    EXPECT_TRUE(restoreFromTray(&window, 2));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isMaximized());

    window.hide();
    EXPECT_TRUE(restoreFromTray(&window, 0));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMaximized());
}

}  // namespace
}  // namespace kelodi
