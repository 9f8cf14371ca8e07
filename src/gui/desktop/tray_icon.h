// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace kelodi {

// The program's icon in the notification area. A left click asks
// for the main window back; the context menu offers the home
// page, the news window and exit. The icon only emits signals: the main window
// decides what they do (the help menu's home page and news items,
// requestExit() and restoreFromTray()).
class TrayIcon : public QObject {
    Q_OBJECT
public:
    // Menu items in order; Separator is the line between news and "nothing".
    enum Item { HomePage = 0, News = 1, Separator = 2, Nothing = 3, Exit = 4 };

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon with the window's icon and the tooltip given (the window
    // caption at start-up; later caption changes are not followed). Without a
    // notification area nothing shows and the program goes on without an icon.
    void add(const QIcon& icon, const QString& tip);
    // Takes the icon away at shutdown; on systems where a stale icon can stay
    // behind, the notification area is swept as well.
    void remove();

    bool isShown() const;
    QString tip() const;
    QIcon icon() const;

    QMenu* menu() const { return m_menu.get(); }
    QAction* action(Item item) const;
    // The tray object itself, for the few things tests and the platform need.
    QSystemTrayIcon* systemTrayIcon() const { return m_tray; }

signals:
    void restoreRequested();
    void homePageRequested();
    void newsRequested();
    void exitRequested();

private:
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_tray;
    QAction* m_actions[5] = {};
};

// The state the tray gives a window back, for its current state: 2 while it
// is maximised, 0
// while it is normal and also while it is minimised (so a window minimised
// from the maximised state comes back normal).
int restoreWindowStateFor(Qt::WindowStates states);

// Applies such a state (0 normal, 2 maximised) to a window: state,
// shown, in front, focused.
void applyWindowState(QWidget* window, int restoreWindowState);

// The tray's left click: brings the window back with applyWindowState when it
// is hidden or minimised; a window that is shown normally is left alone.
// Returns whether it acted.
bool restoreFromTray(QWidget* window, int restoreWindowState);

}  // namespace kelodi
