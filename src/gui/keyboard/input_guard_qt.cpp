#include "gui/keyboard/input_guard_qt.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#include <imm.h>
#ifdef _MSC_VER
#pragma comment(lib, "imm32.lib")
#endif
#endif

namespace kelodi {

#ifdef Q_OS_WIN

bool QtInputLanguagePlatform::isMainWindowForeground()
{
    return m_mainWindow && GetForegroundWindow() == reinterpret_cast<HWND>(m_mainWindow->winId());
}

std::vector<std::uintptr_t> QtInputLanguagePlatform::keyboardLayouts()
{
    HKL list[InputLanguageGuard::MaxLayouts] = {};
    const int count = GetKeyboardLayoutList(static_cast<int>(InputLanguageGuard::MaxLayouts), list);
    std::vector<std::uintptr_t> layouts;
    for (int i = 0; i < count; ++i)
        layouts.push_back(reinterpret_cast<std::uintptr_t>(list[i]));
    return layouts;
}

bool QtInputLanguagePlatform::isInputMethod(std::uintptr_t layout)
{
    return ImmIsIME(reinterpret_cast<HKL>(layout)) != FALSE;
}

void QtInputLanguagePlatform::activateLayout(std::uintptr_t layout)
{
    ActivateKeyboardLayout(reinterpret_cast<HKL>(layout), 0);
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
    m_timer->setObjectName(QStringLiteral("Timer2"));
    m_timer->setInterval(IntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] { m_guard->tick(); });
    m_timer->start();
}

InputGuardTimer::~InputGuardTimer() = default;

}  // namespace kelodi
