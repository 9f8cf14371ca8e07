// SPDX-License-Identifier: GPL-3.0-or-later
// kelodi-dzq jianpu: the score as text, as a player pastes it into a chat.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/score_tool_run.h"

namespace kelodi::test {
namespace {

using ScoreToolJianpu = ScoreToolTest;

// The sample songs the build puts beside the tool.
std::string sample(const std::string& name)
{
    return (std::filesystem::path(KELODI_DZQ_PATH).parent_path() / "录制" / name).string();
}

TEST_F(ScoreToolJianpu, PrintsASampleSongInBarsOfFourWithDashesUnderlinesAndDots)
{
    const ToolRun result = run({"jianpu", sample("两只老虎.dzq")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "1=C 4/4  两只老虎\n"
              "\n"
              "1 2 3 1 | 1 2 3 1 | 3 4 5 - | 3 4 5 - |\n"
              "\n"
              "5 6 5 4 3 1 | 5 6 5 4 3 1 | 1 5 1 - | 1 5 1 - |\n"
              "___ ___       ___ ___\n"
              "                              ·         ·\n"
              "\n");
}

// A recording of chords in 3/4: its beat found from the onsets, a chord
// stacked, a rest of half a beat, a note tied over a bar line.
TEST_F(ScoreToolJianpu, PrintsARecordingWithChordsInTheTimeAsked)
{
    write("和弦.dzq", "琴键倍数:1\r\n0.5,c|0.01,e|0.01,g|0.48,抬起|0,d|0.25,抬起|0.25,e|0.5,抬起|"
                      "0,f|0,a|1.0,抬起|0,c1|0.75,抬起\r\n");
    const ToolRun result = run({"jianpu", "和弦.dzq", "--time", "3/4"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "1=C 3/4  和弦\n"
              "\n"
              "              ~~~~~\n"
              "5       |       |   |\n"
              "3       | 6     |   |\n"
              "              ·   ·\n"
              "1 2 0 3 | 4 - 1 | 1 |\n"
              "  ___             _\n"
              "\n");
}

TEST_F(ScoreToolJianpu, RefusesATimeItCannotWriteAndAScoreWithoutNotes)
{
    write("a.dzq", "琴键倍数:1\r\n0.1,c|0.5,抬起\r\n");
    write("empty.dzq", "琴键倍数:1\r\n");
    for (const char* time : {"3-4", "3/5", "0/4", ""}) {
        const ToolRun result = run({"jianpu", "a.dzq", "--time", time});
        EXPECT_EQ(result.status, 2) << time;
        EXPECT_EQ(result.err, "kelodi-dzq: --time takes a time signature such as 3/4 or 6/8, not \"" +
                                  std::string(time) + "\"\n");
        EXPECT_EQ(result.out, "");
    }
    const ToolRun empty = run({"jianpu", "empty.dzq"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "");
    const ToolRun twoFiles = run({"jianpu", "a.dzq", "empty.dzq"});
    EXPECT_EQ(twoFiles.status, 2);
    EXPECT_EQ(twoFiles.err.substr(0, twoFiles.err.find('\n')), "kelodi-dzq: jianpu takes 1 file");
}

}  // namespace
}  // namespace kelodi::test
