// SPDX-License-Identifier: GPL-3.0-or-later
// Every command that reads a file, given something that is no regular file:
// a folder, a pipe nobody writes to (an open would wait for ever), an
// endless device, a link that leads to itself. Each is refused at once with
// the reason, and nothing is written.
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include "cli/score_tool_run.h"

namespace kelodi::test {
namespace {

namespace fs = std::filesystem;

class UnusualFiles : public ScoreToolTest {};

TEST_F(UnusualFiles, AreRefusedAtOnceWithTheReason)
{
    fs::create_directory(m_folder / "folder.dzq");
    ASSERT_EQ(::mkfifo((m_folder / "pipe.dzq").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", m_folder / "zero.dzq");
    fs::create_symlink("loop-b.dzq", m_folder / "loop-a.dzq");
    fs::create_symlink("loop-a.dzq", m_folder / "loop-b.dzq");
    const std::size_t entries = entryCount();

    const std::pair<const char*, const char*> inputs[] = {
        {"folder.dzq", "not a regular file"},
        {"pipe.dzq", "not a regular file"},
        {"zero.dzq", "not a regular file"},
        {"loop-a.dzq", "Too many levels of symbolic links"},
    };
    const std::vector<std::vector<std::string>> commands = {
        {"events"},          {"convert", "out.dzq"}, {"midi", "out.mid"},
        {"render", "out.wav"}, {"play"},              {"from-midi", "out.dzq"},
    };
    for (const auto& [input, reason] : inputs) {
        for (const std::vector<std::string>& command : commands) {
            std::vector<std::string> args = {command[0], input};
            args.insert(args.end(), command.begin() + 1, command.end());
            SCOPED_TRACE(args[0] + " " + input);
            const ToolRun result = runScoreTool(args, m_folder, std::chrono::seconds(30));
            EXPECT_EQ(result.status, 2);
            EXPECT_EQ(result.err, std::string("kelodi-dzq: cannot read ") + input + ": " + reason + "\n");
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(entryCount(), entries);
        }
    }
}

}  // namespace
}  // namespace kelodi::test
