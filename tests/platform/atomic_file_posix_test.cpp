// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/files/atomic_file.h"
#include "core/fakes/scratch_folder.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

// Saves on the odd things a path can name: nodes, pipes, chains of links and
// folders the user may not write to. POSIX only: the test makes those things.
class SaveTarget : public test::ScratchFolderTest {
protected:
    SaveTarget() : ScratchFolderTest("kelodi-save-") {}
};

TEST_F(SaveTarget, DevicesAndPipesAreRefusedAndStayWhatTheyWere)
{
    const fs::path pipe = m_folder / "pipe.dzq";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const fs::path link = m_folder / "link.dzq";
    fs::create_symlink("pipe.dzq", link);

    std::string error;
    EXPECT_FALSE(writeFileAtomically(pipe, "new", &error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(writeFileAtomically(link, "new", &error));
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_TRUE(fs::is_symlink(link));

    // A character device like /dev/null (only root may make one).
    const fs::path device = m_folder / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_FALSE(writeFileAtomically(device, "new", &error));
        EXPECT_TRUE(fs::is_character_file(fs::symlink_status(device)));
    }
    // No temporary file is left behind either.
    EXPECT_EQ(entryCount(), fs::exists(device) ? 3u : 2u);
}

TEST_F(SaveTarget, AChainOfLinksIsFollowedToItsEndAndALoopIsRefused)
{
    const fs::path file = m_folder / "file.dzq";
    std::ofstream(file) << "old";
    fs::create_directory(m_folder / "sub");
    fs::create_symlink("../file.dzq", m_folder / "sub" / "link2");
    fs::create_symlink("sub/link2", m_folder / "link1");

    std::string error;
    ASSERT_TRUE(writeFileAtomically(m_folder / "link1", "new", &error)) << error;
    EXPECT_EQ(contents(file), "new");
    EXPECT_TRUE(fs::is_symlink(m_folder / "link1"));
    EXPECT_TRUE(fs::is_symlink(m_folder / "sub" / "link2"));

    // A link that points nowhere yet makes the file where it points.
    fs::create_symlink("fresh.dzq", m_folder / "dangling");
    ASSERT_TRUE(writeFileAtomically(m_folder / "dangling", "fresh", &error)) << error;
    EXPECT_EQ(contents(m_folder / "fresh.dzq"), "fresh");
    EXPECT_TRUE(fs::is_symlink(m_folder / "dangling"));

    fs::create_symlink("loop-b", m_folder / "loop-a");
    fs::create_symlink("loop-a", m_folder / "loop-b");
    EXPECT_FALSE(writeFileAtomically(m_folder / "loop-a", "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_symlink(m_folder / "loop-a"));
    EXPECT_TRUE(fs::is_symlink(m_folder / "loop-b"));
}

// Runs writeFileAtomically(path, bytes) as a user who may not write to the
// folder: this process when it is no superuser (the folder is made read-only),
// otherwise a child that gives up root for a throwaway user id. True when it
// succeeded; skips the test when the permission cannot be taken away.
testing::AssertionResult writeWithoutFolderPermission(const fs::path& folder, const fs::path& path,
                                                      const std::string& bytes)
{
    if (::geteuid() != 0) {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const bool ok = writeFileAtomically(path, bytes);
        fs::permissions(folder, fs::perms::owner_all);
        return ok ? testing::AssertionSuccess() : testing::AssertionFailure() << "write failed";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // 65534 is "nobody" on most systems; any id that owns nothing will do.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ::_exit(writeFileAtomically(path, bytes) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 3)
        return testing::AssertionFailure() << "could not give up root";
    return WEXITSTATUS(status) == 0 ? testing::AssertionSuccess() : testing::AssertionFailure() << "write failed";
}

TEST_F(SaveTarget, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    const fs::path file = m_folder / "open.dzq";
    std::ofstream(file) << "old";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const fs::path locked = m_folder / "locked.dzq";
    std::ofstream(locked) << "locked";
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(m_folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    if (::geteuid() != 0) {
        // Without root the test user owns the locked file; make sure it
        // really cannot write it.
        if (::access(locked.c_str(), W_OK) == 0)
            GTEST_SKIP() << "the file permission cannot be taken away here";
    }

    const auto result = writeWithoutFolderPermission(m_folder, file, "new");
    if (!result && std::string(result.message()) == "could not give up root")
        GTEST_SKIP() << "cannot run as another user here";
    EXPECT_TRUE(result);
    EXPECT_EQ(contents(file), "new");
    EXPECT_EQ(entryCount(), 2u);

    // Neither the folder nor the file can be written: nothing changes.
    EXPECT_FALSE(writeWithoutFolderPermission(m_folder, locked, "new"));
    EXPECT_EQ(contents(locked), "locked");
    EXPECT_EQ(entryCount(), 2u);
}

}  // namespace
}  // namespace kelodi
