// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QSize>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <string>

class QLabel;
class QMouseEvent;

namespace kelodi {

class NewsPageView;
class Shell;

// The news pop-up: a small frameless window that stays on top in
// the bottom-right corner of the screen's work area. It slides in from its
// bottom edge, can be dragged by its title, and fades out when its close mark
// is clicked; closing destroys it. The page is loaded while the window is
// still hidden. Links on the page open in the user's browser, web addresses
// only.
class NewsWindow : public QWidget {
    Q_OBJECT
public:
    // 3870 x 3915 twips.
    static constexpr QSize WindowSize{258, 261};
    static constexpr int RevealStep = 100;     // pixels per slide-in tick
    static constexpr int SlideIntervalMs = 10;
    static constexpr int FadeIntervalMs = 10;
    static constexpr int FadeFrom = 255, FadeTo = 15, FadeStep = 10;

    explicit NewsWindow(Shell& shell, QWidget* parent = nullptr);

    void navigate(const QUrl& url);
    bool isBusy() const;
    QUrl address() const;
    const std::string& bodyHtml() const;
    NewsPageView* pageView() const { return m_view; }

    // Places the window in the bottom-right corner of the work area and lets
    // it slide in; a window already on screen is only brought to the front.
    void popUp();
    // Fades the window out and closes it (the close mark does this).
    void fadeOut();

    bool isSliding() const { return m_slideTimer.isActive(); }
    // The moving upper edge of the visible part, in window pixels.
    int regionTop() const { return m_regionTop; }
    // Where popUp() puts a window of this size on the given work area.
    static QPoint cornerPosition(const QRect& workArea);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void slideStep();
    void fadeStep();
    void openLink(const QUrl& url);
    // Press, move or release of the mouse on the title; true when taken.
    bool dragByTitle(const QMouseEvent* mouse);

    Shell& m_shell;
    QLabel* m_title;
    QLabel* m_closeMark;
    QWidget* m_container;
    NewsPageView* m_view;
    QTimer m_slideTimer;
    QTimer m_fadeTimer;
    int m_regionTop = 0;
    int m_alpha = FadeFrom;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

}  // namespace kelodi
