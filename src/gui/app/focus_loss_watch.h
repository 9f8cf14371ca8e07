// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

#include <functional>

class QWindow;

namespace kelodi {

// The moment the window system takes the keyboard focus from a window.
//
// Qt on X11 reports the focus leaving for another program only after a pause
// (400 ms) in which it waits for the focus to come back to one of its own
// windows. A key let go in the other program meanwhile sends its key-up
// there; with the focus back before the pause ends, Qt reports no change at
// all, the key stays down as far as the window knows, its note sounds on and
// its next press is taken for a repeat. Installed on the application as a
// native event filter, this calls `lost` as soon as the window's focus goes
// elsewhere, whether it comes back soon or not. It never filters an event out;
// where the window system is not X11 it does nothing (Qt's own report holds).
class FocusLossWatch : public QObject, public QAbstractNativeEventFilter {
public:
    FocusLossWatch(QWindow* window, std::function<void()> lost, QObject* parent);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QPointer<QWindow> m_window;
    std::function<void()> m_lost;
};

}  // namespace kelodi
