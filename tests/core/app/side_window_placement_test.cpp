// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/app/side_window_placement.h"

namespace kelodi {
namespace {

constexpr int Wanted[2] = {620, 300};
constexpr int Minimum[2] = {360, 180};

PixelRect place(const PixelRect& screen, const PixelRect& main, const PixelRect& keys)
{
    return placeSideWindow(screen, main, keys, Wanted[0], Wanted[1], Minimum[0], Minimum[1]);
}

TEST(SideWindowPlacement, GoesBesideTheMainWindowWhollyOnTheScreenAndNeverOverTheKeys)
{
    struct Case {
        const char* what;
        PixelRect screen, main, keys, expected;
    };
    const Case cases[] = {
        // A 1366 x 768 screen with the main window where it starts: no side has
        // room for the whole window; the band below is the largest that holds
        // it at its smallest.
        {"1366x768", {0, 0, 1366, 768}, {303, 109, 760, 440}, {307, 250, 752, 290}, {303, 557, 620, 211}},
        {"1920x1080", {0, 0, 1920, 1080}, {580, 213, 760, 440}, {584, 354, 752, 290}, {580, 661, 620, 300}},
        // Room on every side: below comes first.
        {"2560x1440", {0, 0, 2560, 1440}, {900, 500, 760, 440}, {904, 641, 752, 290}, {900, 948, 620, 300}},
        // Too low for the band below: to the right, top lined up.
        {"right", {0, 0, 1920, 1080}, {0, 500, 760, 440}, {4, 641, 752, 290}, {768, 500, 620, 300}},
        // Against the right edge: to the left.
        {"left", {0, 0, 1920, 1080}, {1160, 500, 760, 440}, {1164, 641, 752, 290}, {532, 500, 620, 300}},
        // Low on a screen whose top 40 pixels hold a panel: just above it.
        {"above", {0, 40, 1366, 1000}, {303, 660, 760, 370}, {307, 740, 752, 290}, {303, 352, 620, 300}},
        // No room beside it at all: over the controls above the keys.
        {"small", {0, 0, 800, 600}, {20, 80, 760, 440}, {24, 200, 752, 280}, {20, 0, 620, 192}},
    };
    for (const Case& c : cases) {
        const PixelRect placed = place(c.screen, c.main, c.keys);
        EXPECT_EQ(placed, c.expected) << c.what << ": at " << placed.left << "," << placed.top << " " << placed.width
                                      << "x" << placed.height;
        EXPECT_TRUE(c.screen.contains(placed)) << c.what;
        EXPECT_FALSE(placed.overlaps(c.keys)) << c.what;
    }
}

TEST(SideWindowPlacement, ARememberedPlaceIsKeptOnlyOnTheScreenAndOffTheKeys)
{
    const PixelRect screen{0, 0, 1366, 768};
    const PixelRect keys{307, 250, 752, 290};
    EXPECT_TRUE(canRestoreSideWindow(screen, keys, {0, 560, 620, 208}));
    EXPECT_FALSE(canRestoreSideWindow(screen, keys, {0, 561, 620, 208}));  // a pixel off the screen
    EXPECT_FALSE(canRestoreSideWindow(screen, keys, {0, 520, 620, 200}));  // over the lowest row of keys
    EXPECT_FALSE(canRestoreSideWindow(screen, keys, {0, 0, 0, 0}));
}

}  // namespace
}  // namespace kelodi
