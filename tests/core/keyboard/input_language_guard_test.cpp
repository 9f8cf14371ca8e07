// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/input_language_guard.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace kelodi {
namespace {

struct FakeInputPlatform : InputLanguagePlatform {
    bool foreground = false;
    std::vector<std::uintptr_t> layouts;
    std::set<std::uintptr_t> inputMethods;
    std::vector<std::uintptr_t> activated;
    int listed = 0;

    bool isMainWindowForeground() override { return foreground; }
    std::vector<std::uintptr_t> keyboardLayouts() override
    {
        ++listed;
        return layouts;
    }
    bool isInputMethod(std::uintptr_t layout) override { return inputMethods.count(layout) != 0; }
    void activateLayout(std::uintptr_t layout) override { activated.push_back(layout); }
};

constexpr std::uintptr_t ChineseIme = 0xE0010804;
constexpr std::uintptr_t JapaneseIme = 0xE0010411;
constexpr std::uintptr_t UsEnglish = 0x04090409;
constexpr std::uintptr_t German = 0x04070407;

class InputLanguageGuardTest : public ::testing::Test {
protected:
    InputLanguageGuardTest()
    {
        platform.layouts = {ChineseIme, UsEnglish, German};
        platform.inputMethods = {ChineseIme, JapaneseIme};
    }
    FakeInputPlatform platform;
    InputLanguageGuard guard{platform};
};

TEST_F(InputLanguageGuardTest, ComingToTheFrontActivatesTheFirstPlainLayoutOnce)
{
    platform.foreground = true;
    guard.tick();
    EXPECT_EQ(platform.activated, std::vector<std::uintptr_t>{UsEnglish});

    // Staying in front: the user may switch the input method on meanwhile.
    for (int i = 0; i < 10; ++i)
        guard.tick();
    EXPECT_EQ(platform.activated.size(), 1u);
    EXPECT_EQ(platform.listed, 1);

    // Back after a while elsewhere, with a plain layout listed first.
    platform.foreground = false;
    guard.tick();
    platform.layouts = {German, ChineseIme};
    platform.foreground = true;
    guard.tick();
    EXPECT_EQ(platform.activated, (std::vector<std::uintptr_t>{UsEnglish, German}));
}

TEST_F(InputLanguageGuardTest, OnlyTheChangeFromBackgroundToFrontActs)
{
    // foreground per tick -> whether that tick activates
    const std::vector<std::pair<bool, bool>> ticks = {
        {false, false}, {false, false}, {true, true},  {true, false},  {false, false},
        {false, false}, {true, true},   {false, false}, {true, true},  {true, false},
    };
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        platform.foreground = ticks[i].first;
        const std::size_t before = platform.activated.size();
        guard.tick();
        EXPECT_EQ(platform.activated.size() - before, ticks[i].second ? 1u : 0u) << "tick " << i;
    }
}

TEST_F(InputLanguageGuardTest, NothingWhenEveryLayoutIsAnInputMethodOrNoneIsListed)
{
    platform.layouts = {ChineseIme, JapaneseIme};
    platform.foreground = true;
    guard.tick();
    EXPECT_TRUE(platform.activated.empty());

    // A plain layout added later is used only on the next return to the front.
    platform.layouts.push_back(German);
    guard.tick();
    EXPECT_TRUE(platform.activated.empty());
    platform.foreground = false;
    guard.tick();
    platform.foreground = true;
    guard.tick();
    EXPECT_EQ(platform.activated, std::vector<std::uintptr_t>{German});

    platform.layouts.clear();
    platform.activated.clear();
    platform.foreground = false;
    guard.tick();
    platform.foreground = true;
    guard.tick();
    EXPECT_TRUE(platform.activated.empty());
}

TEST_F(InputLanguageGuardTest, LooksAtNoMoreThanTwentyFiveLayouts)
{
    platform.layouts.assign(InputLanguageGuard::MaxLayouts, ChineseIme);
    platform.layouts.push_back(UsEnglish);  // the 26th
    platform.foreground = true;
    guard.tick();
    EXPECT_TRUE(platform.activated.empty());
}

}  // namespace
}  // namespace kelodi
