// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelodi {

// What the guard needs from the window system. A layout is an opaque handle
// (an HKL on Windows).
class InputLanguagePlatform {
public:
    virtual ~InputLanguagePlatform() = default;

    // Whether the main window is the window the user works in right now.
    virtual bool isMainWindowForeground() = 0;
    // The installed input layouts in the system's order.
    virtual std::vector<std::uintptr_t> keyboardLayouts() = 0;
    // Whether a layout is an input method, which would swallow plain key presses.
    virtual bool isInputMethod(std::uintptr_t layout) = 0;
    // Makes a layout the active one for the program's window thread.
    virtual void activateLayout(std::uintptr_t layout) = 0;
};

// Keeps input methods from swallowing the keys that play notes. Each time the
// main window comes to the front, the first installed layout that is not an
// input method is activated. Only that change from background to front acts:
// an input method the user switches on while the window stays in front stays
// on until the window has left the front and come back.
class InputLanguageGuard {
public:
    // The system is asked for at most this many layouts; further ones are ignored.
    static constexpr std::size_t MaxLayouts = 25;

    explicit InputLanguageGuard(InputLanguagePlatform& platform) : m_platform(platform) {}

    // One timer tick (once a second in the main window).
    void tick();

private:
    InputLanguagePlatform& m_platform;
    bool m_wasForeground = false;
};

}  // namespace kelodi
