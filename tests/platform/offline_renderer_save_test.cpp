// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/midi/offline_renderer.h"
#include "platform/midi/soundfont_search.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

// Where a rendered WAV file may go: the renderer saves like every writer of
// the program. POSIX only: the test makes pipes and gives up root.
class RenderTarget : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_soundFont = findSoundFont({});
        if (m_soundFont.empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        m_folder = fs::temp_directory_path() / ("kelodi-render-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    RenderResult render(const fs::path& path) const
    {
        const std::vector<TimedMessage> note = {{0.0, noteOnMessage(0, 60)}, {0.1, noteOffMessage(0, 60)}};
        return OfflineRenderer::render(note, 0.1, m_soundFont, path.string());
    }
    std::size_t entryCount() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }

    std::string m_soundFont;
    fs::path m_folder;
};

TEST_F(RenderTarget, APipeIsNeverReplaced)
{
    const fs::path pipe = m_folder / "out.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const RenderResult result = render(pipe);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "not a regular file");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_EQ(entryCount(), 1u);
}

TEST_F(RenderTarget, AWritableFileInAFolderThatTakesNoNewFileIsRenderedInPlace)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "gives up root to lose the folder's permission";
    const fs::path file = m_folder / "out.wav";
    std::ofstream(file) << "old";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ::_exit(render(file).ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "cannot run as another user here";
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream in(file, std::ios::binary);
    std::string head(4, '\0');
    in.read(head.data(), 4);
    EXPECT_EQ(head, "RIFF");
    EXPECT_GT(fs::file_size(file), 44u * 1000);
    EXPECT_EQ(entryCount(), 1u);
}

}  // namespace
}  // namespace kelodi
