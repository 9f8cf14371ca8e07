// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/input/keyboard_layouts.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ library defines it already
#define NOMINMAX
#endif
#include <windows.h>
#include <imm.h>

namespace kelodi {

bool isForegroundWindow(std::uintptr_t window)
{
    return window != 0 && GetForegroundWindow() == reinterpret_cast<HWND>(window);
}

std::vector<std::uintptr_t> keyboardLayoutList(std::size_t maxCount)
{
    if (maxCount == 0)
        return {};
    std::vector<HKL> handles(maxCount);
    const int count = GetKeyboardLayoutList(static_cast<int>(handles.size()), handles.data());
    std::vector<std::uintptr_t> layouts;
    for (int i = 0; i < count && static_cast<std::size_t>(i) < handles.size(); ++i)
        layouts.push_back(reinterpret_cast<std::uintptr_t>(handles[static_cast<std::size_t>(i)]));
    return layouts;
}

bool isInputMethodLayout(std::uintptr_t layout)
{
    return ImmIsIME(reinterpret_cast<HKL>(layout)) != FALSE;
}

bool activateKeyboardLayout(std::uintptr_t layout)
{
    return ActivateKeyboardLayout(reinterpret_cast<HKL>(layout), 0) != nullptr;
}

}  // namespace kelodi
