// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/app/side_window_placement.h"

namespace kelodi {
namespace {

constexpr PixelSize Wanted{620, 300};
constexpr PixelSize Readable{360, 180};
constexpr PixelSize Least{250, 52};

PixelRect place(const PixelRect& screen, const PixelRect& main)
{
    return placeSideWindow(screen, main, Wanted, Readable, Least);
}

TEST(SideWindowPlacement, GoesBesideTheMainWindowWhollyOnTheScreenAndNeverOverItsKeysOrButtons)
{
    struct Case {
        const char* what;
        PixelRect screen, main, expected;
    };
    const Case cases[] = {
        // A 1366 x 768 screen with the main window where it starts: no side has
        // room for the whole window; the band below is the largest that holds
        // it at its smallest.
        {"1366x768", {0, 0, 1366, 768}, {303, 109, 760, 440}, {303, 557, 620, 211}},
        {"1920x1080", {0, 0, 1920, 1080}, {580, 213, 760, 440}, {580, 661, 620, 300}},
        // Room on every side: below comes first.
        {"2560x1440", {0, 0, 2560, 1440}, {900, 500, 760, 440}, {900, 948, 620, 300}},
        // Too low for the band below: to the right, top lined up.
        {"right", {0, 0, 1920, 1080}, {0, 500, 760, 440}, {768, 500, 620, 300}},
        // Against the right edge: to the left.
        {"left", {0, 0, 1920, 1080}, {1160, 500, 760, 440}, {532, 500, 620, 300}},
        // Low on a screen whose top 40 pixels hold a panel: just above it.
        {"above", {0, 40, 1366, 1000}, {303, 660, 760, 370}, {303, 352, 620, 300}},
        // 1920 x 1080 at scale factor 2, the main window at the top left: the
        // band below is too low to read well in but the largest there is.
        {"960x540", {0, 0, 960, 540}, {0, 0, 745, 376}, {0, 384, 620, 156}},
        // The same under a panel, with a title bar, the main window centred:
        // the band below holds no more than the window's top line.
        {"960x540 centred", {0, 16, 960, 524}, {107, 80, 745, 395}, {107, 483, 620, 57}},
        // Centred on a small screen: the free band below, however low.
        {"small", {0, 0, 800, 600}, {20, 80, 760, 440}, {20, 528, 620, 72}},
    };
    for (const Case& c : cases) {
        const PixelRect placed = place(c.screen, c.main);
        EXPECT_EQ(placed, c.expected) << c.what << ": at " << placed.left << "," << placed.top << " " << placed.width
                                      << "x" << placed.height;
        EXPECT_TRUE(c.screen.contains(placed)) << c.what;
        EXPECT_FALSE(placed.overlaps(c.main)) << c.what;
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
