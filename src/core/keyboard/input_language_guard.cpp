// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/input_language_guard.h"

namespace kelodi {

void InputLanguageGuard::tick()
{
    const bool isForeground = m_platform.isMainWindowForeground();
    if (isForeground == m_wasForeground)
        return;
    m_wasForeground = isForeground;
    if (!isForeground)
        return;

    const std::vector<std::uintptr_t> layouts = m_platform.keyboardLayouts();
    const std::size_t count = layouts.size() < MaxLayouts ? layouts.size() : MaxLayouts;
    for (std::size_t i = 0; i < count; ++i) {
        if (!m_platform.isInputMethod(layouts[i])) {
            m_platform.activateLayout(layouts[i]);
            return;
        }
    }
}

}  // namespace kelodi
