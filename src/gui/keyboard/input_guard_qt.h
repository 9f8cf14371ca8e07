// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "core/keyboard/input_language_guard.h"

class QTimer;

namespace kelodi {

// The input-language platform for the window system the program runs on.
//
// On Windows it asks the system: the foreground window, the installed input
// layouts, which of them are input methods, and activates one.
//
// Elsewhere a program cannot switch the system's input method, so the one
// "layout" it offers stands for "input method off for the main window": taking
// it removes the input-method context from the window and every widget in it
// (a key then reaches the keyboard instead of a composition window) and drops
// any composition in progress.
class QtInputLanguagePlatform : public InputLanguagePlatform {
public:
    // The layout handle that means "input method off" where there are no
    // system layouts to pick.
    static constexpr std::uintptr_t InputMethodOff = 1;

    explicit QtInputLanguagePlatform(QWidget* mainWindow) : m_mainWindow(mainWindow) {}

    bool isMainWindowForeground() override;
    std::vector<std::uintptr_t> keyboardLayouts() override;
    bool isInputMethod(std::uintptr_t layout) override;
    void activateLayout(std::uintptr_t layout) override;

private:
    QPointer<QWidget> m_mainWindow;
};

// The main window's timer that ticks the input-language guard once a second
// for as long as the window lives.
class InputGuardTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 1000;

    // Starts at once; the object belongs to `mainWindow`.
    explicit InputGuardTimer(QWidget* mainWindow);
    ~InputGuardTimer() override;

    InputLanguageGuard& guard() { return *m_guard; }
    QTimer* timer() const { return m_timer; }

private:
    std::unique_ptr<QtInputLanguagePlatform> m_platform;
    std::unique_ptr<InputLanguageGuard> m_guard;
    QTimer* m_timer;
};

}  // namespace kelodi
