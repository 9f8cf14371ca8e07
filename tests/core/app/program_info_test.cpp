// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/app/program_info.h"
#include "core/app/window_placement.h"

namespace kelodi {
namespace {

TEST(ProgramInfo, TitleJoinsMinorAndRevisionWithoutLeadingZeros)
{
    EXPECT_EQ(programTitle(), "Kelodi 7.90");
    EXPECT_EQ(programTitle({1, 0, 5}), "Kelodi 1.05");
    EXPECT_EQ(programTitle({10, 12, 3}), "Kelodi 10.123");
    EXPECT_EQ(versionText(), "7.90");
}

TEST(CentreForm, CentresAcrossAndAThirdDown)
{
    const TwipPoint p = centreForm(12000, 9000, 6720, 4230);
    EXPECT_EQ(p.left, 2640);
    EXPECT_EQ(p.top, 1590);
}

TEST(CentreForm, RoundsFreeSpaceHalfToEvenThenTruncates)
{
    EXPECT_EQ(centreForm(100.5, 0, 0, 0).left, 50);   // 100.5 -> 100 -> 50
    EXPECT_EQ(centreForm(101.5, 0, 0, 0).left, 51);   // 101.5 -> 102 -> 51
    EXPECT_EQ(centreForm(0, 11, 0, 0).top, 3);        // 11 / 3 truncates
    EXPECT_EQ(centreForm(100, 100, 200, 200).left, -50);  // dialog larger than screen
    EXPECT_EQ(centreForm(100, 100, 200, 200).top, -33);   // truncates toward zero
}

}  // namespace
}  // namespace kelodi
