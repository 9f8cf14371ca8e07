// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelodi {

// The Windows calls behind the input-language guard: which window is in
// front, the installed input layouts, whether a layout is an input method,
// and activating one. They live here rather than in the Qt layer so that they
// build, and are tested, without a GUI. Windows only; a window and a layout
// travel as their handles (HWND, HKL).

// Whether `window` is the foreground window, the one the user works in.
bool isForegroundWindow(std::uintptr_t window);

// The installed input layouts in the system's order, at most maxCount.
std::vector<std::uintptr_t> keyboardLayoutList(std::size_t maxCount);

// Whether a layout is an input method editor (ImmIsIME).
bool isInputMethodLayout(std::uintptr_t layout);

// Makes a layout the active one for the calling thread (flags 0). False when
// the system refused.
bool activateKeyboardLayout(std::uintptr_t layout);

}  // namespace kelodi
