// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/input_guard_qt.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QTimer>

#ifdef Q_OS_WIN
#include "platform/input/keyboard_layouts.h"
#endif

namespace kelodi {

#ifdef Q_OS_WIN

// The Win32 calls themselves live in the platform layer; this only finds the
// main window's handle.
bool QtInputLanguagePlatform::isMainWindowForeground()
{
    return m_mainWindow && isForegroundWindow(static_cast<std::uintptr_t>(m_mainWindow->winId()));
}

std::vector<std::uintptr_t> QtInputLanguagePlatform::keyboardLayouts()
{
    return keyboardLayoutList(InputLanguageGuard::MaxLayouts);
}

bool QtInputLanguagePlatform::isInputMethod(std::uintptr_t layout)
{
    return isInputMethodLayout(layout);
}

void QtInputLanguagePlatform::activateLayout(std::uintptr_t layout)
{
    activateKeyboardLayout(layout);
}

#else

bool QtInputLanguagePlatform::isMainWindowForeground()
{
    return m_mainWindow && m_mainWindow->isActiveWindow();
}

std::vector<std::uintptr_t> QtInputLanguagePlatform::keyboardLayouts()
{
    return {InputMethodOff};
}

bool QtInputLanguagePlatform::isInputMethod(std::uintptr_t layout)
{
    return layout != InputMethodOff;
}

void QtInputLanguagePlatform::activateLayout(std::uintptr_t layout)
{
    if (layout != InputMethodOff || !m_mainWindow)
        return;
    // Widgets that take text (spin boxes, line edits) switch input methods on
    // for themselves; the keyboard needs every key as a plain key event.
    m_mainWindow->setAttribute(Qt::WA_InputMethodEnabled, false);
    for (QWidget* child : m_mainWindow->findChildren<QWidget*>())
        child->setAttribute(Qt::WA_InputMethodEnabled, false);
    QGuiApplication::inputMethod()->reset();
    // The focus widget's input-method state is read when focus arrives; tell
    // the input method that it changed.
    QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

#endif

InputGuardTimer::InputGuardTimer(QWidget* mainWindow)
    : QObject(mainWindow),
      m_platform(std::make_unique<QtInputLanguagePlatform>(mainWindow)),
      m_guard(std::make_unique<InputLanguageGuard>(*m_platform)),
      m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("InputGuardTimer"));
    m_timer->setInterval(IntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] { m_guard->tick(); });
    m_timer->start();
}

InputGuardTimer::~InputGuardTimer() = default;

}  // namespace kelodi
