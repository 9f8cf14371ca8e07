// SPDX-License-Identifier: GPL-3.0-or-later
// The input-language guard's Windows calls against the real system (under
// Wine in the cross build, which lists one plain layout, US English).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "core/keyboard/input_language_guard.h"
#include "platform/input/keyboard_layouts.h"

namespace kelodi {
namespace {

// The guard on the system's real layouts; only whether the main window is
// in front is played by the test.
class SystemLayouts : public InputLanguagePlatform {
public:
    bool foreground = false;
    bool isMainWindowForeground() override { return foreground; }
    std::vector<std::uintptr_t> keyboardLayouts() override
    {
        return keyboardLayoutList(InputLanguageGuard::MaxLayouts);
    }
    bool isInputMethod(std::uintptr_t layout) override { return isInputMethodLayout(layout); }
    void activateLayout(std::uintptr_t layout) override { activateKeyboardLayout(layout); }
};

std::uintptr_t activeLayout()
{
    return reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0));
}

TEST(KeyboardLayouts, TheGuardActivatesTheFirstLayoutThatIsNoInputMethod)
{
    const std::vector<std::uintptr_t> layouts = keyboardLayoutList(InputLanguageGuard::MaxLayouts);
    ASSERT_FALSE(layouts.empty()) << "the system lists no input layout";
    EXPECT_LE(layouts.size(), InputLanguageGuard::MaxLayouts);
    EXPECT_TRUE(keyboardLayoutList(0).empty());
    // US English is a plain keyboard on every system; under Wine it is the
    // only layout.
    constexpr std::uintptr_t UsEnglish = 0x04090409;
    if (std::find(layouts.begin(), layouts.end(), UsEnglish) != layouts.end()) {
        EXPECT_FALSE(isInputMethodLayout(UsEnglish));
    }
    const auto plain = std::find_if(layouts.begin(), layouts.end(),
                                    [](std::uintptr_t layout) { return !isInputMethodLayout(layout); });
    if (plain == layouts.end())
        GTEST_SKIP() << "every installed layout is an input method";

    SystemLayouts system;
    InputLanguageGuard guard(system);
    guard.tick();
    system.foreground = true;
    guard.tick();
    EXPECT_EQ(activeLayout(), *plain);
}

}  // namespace
}  // namespace kelodi
