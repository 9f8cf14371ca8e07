// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>

#include "core/news/news_schedule.h"

namespace kelodi {

class NewsWindow;
class Shell;

// Schedules the news window once per run and shows it on request. Owns the
// main window's one-second timer (running from construction) and
// the news window, which it creates on first use and again after the user
// has closed it.
class NewsController : public QObject {
    Q_OBJECT
public:
    // `server` is scheme and host of the news server; the page lies on it.
    explicit NewsController(Shell& shell, QObject* parent = nullptr, const QUrl& server = defaultServer());
    ~NewsController() override;

    static QUrl defaultServer();
    // Online unless the system's network information says the computer is
    // disconnected; where no network information backend loads, online.
    static bool systemIsOnline();

    // For tests: the online test and the source of the random delay (a
    // number in [0, 1)). The default random source is seeded by the system,
    // so the delay differs from run to run.
    void setOnlineTest(std::function<bool()> isOnline);
    void setRandomSource(std::function<double()> uniform);
    // For tests of the whole window: the news server (scheme and host), in
    // place of the one given at construction.
    void setServer(const QUrl& server);

    QTimer* timer() { return &m_timer; }
    const NewsSchedule& schedule() const { return m_schedule; }
    // The news window, or nullptr while there is none.
    NewsWindow* window() const { return m_window; }
    QUrl newsPageUrl() const { return m_pageUrl; }
    bool noNewsPopup() const { return m_noNewsPopup; }

public slots:
    // The check mark of "禁止弹出新闻资讯(&X)".
    void setNoNewsPopup(bool noNewsPopup);
    // "新闻资讯(&W)": loads the page unless the window already shows one of
    // the news server, and shows the window, opt-out or not.
    void showNow();
    // One tick of the schedule's timer.
    void tick();

private:
    NewsWindow* ensureWindow();

    Shell& m_shell;
    QUrl m_server;
    QUrl m_pageUrl;
    QTimer m_timer;
    NewsSchedule m_schedule;
    std::function<double()> m_uniform;
    std::function<bool()> m_isOnline;
    QPointer<NewsWindow> m_window;
    bool m_noNewsPopup = false;
};

}  // namespace kelodi
