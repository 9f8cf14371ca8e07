// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <string>

class QAction;
class QMenu;
class QWidget;

namespace kelodi {

class Shell;

// Where the help menu's files are.
struct HelpFiles {
    QString helpText;    // "Kelodi说明.txt", opened for reading
    QString newsOptOut;  // "v.sz", read at set-up and written on each change
};

// Whether this build has the news window (CMake option KELODI_NEWS).
inline constexpr bool NewsBuilt = KELODI_NEWS;

// The main window's help menu "帮助(&H)": the help text, the home
// page, the news window, the contact and about boxes, and the user's choice not
// to have news pop up, kept in "v.sz".
//
// The menu belongs to `window`; add menu() to the menu bar. Item numbers are
// those of HelpItem; 3, 6 and 9 are separators and 2 and 4 do not exist.
//
// Without news (a build without the news window) the menu has neither
// "禁止弹出新闻资讯(&X)" nor "新闻资讯(&W)", nor the separator between them:
// items 5, 6 and 8 do not exist, and "v.sz" is neither read nor written.
class HelpMenu : public QObject {
    Q_OBJECT
public:
    enum class News { With, Without };

    HelpMenu(Shell& shell, const HelpFiles& files, QWidget* window, News news = defaultNews());
    // Both files in `programFolder`.
    HelpMenu(Shell& shell, const QString& programFolder, QWidget* window, News news = defaultNews());

    static constexpr News defaultNews() { return NewsBuilt ? News::With : News::Without; }

    QMenu* menu() const { return m_menu; }
    // The item with this number, separators included; nullptr for 2, 4 and
    // numbers outside 0..11.
    QAction* action(int index) const;

    // The check mark of "禁止弹出新闻资讯(&X)"; false without news.
    bool noNewsPopup() const;

    QString optOutFilePath() const;
    QString helpTextPath() const;

public slots:
    // Reads "v.sz" once at set-up. A missing or unreadable file clears the
    // choice. Emits noNewsPopupChanged with the value read. Without news it
    // does nothing.
    void loadNoNewsPopup();

    // Runs an item as if it was chosen (the tray menu runs 7 and 8 this way).
    // Numbers without an item do nothing.
    void click(int index);

signals:
    // "新闻资讯(&W)": the news window must be shown now.
    void newsRequested();
    // The check mark of "禁止弹出新闻资讯(&X)" changed (or was read).
    void noNewsPopupChanged(bool noNewsPopup);

private:
    void run(int index);
    void toggleNoNewsPopup();
    bool saveNoNewsPopup(bool value, std::string* error) const;

    Shell& m_shell;
    HelpFiles m_files;
    QWidget* m_window;
    QMenu* m_menu;
    QAction* m_actions[12] = {};
    bool m_saveFailureReported = false;
};

}  // namespace kelodi
