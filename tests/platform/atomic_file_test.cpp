// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#if defined(_WIN32)
#include <optional>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "core/fakes/scratch_folder.h"
#include "platform/files/atomic_file.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

class AbandonedTemporaries : public test::ScratchFolderTest {
protected:
    AbandonedTemporaries() : ScratchFolderTest("kelodi-sweep-") {}

    void make(const fs::path& name) const { std::ofstream(m_folder / name) << "x"; }
};

// A file held the way a running writer holds its temporary file: open
// without sharing its deletion on Windows, locked elsewhere.
class HeldFile {
public:
    explicit HeldFile(const fs::path& path)
    {
#if defined(_WIN32)
        m_stream.emplace(path, std::ios::binary);
        *m_stream << "x" << std::flush;
#else
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
#endif
    }
    ~HeldFile()
    {
#if !defined(_WIN32)
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }

private:
#if defined(_WIN32)
    std::optional<std::ofstream> m_stream;
#else
    int m_fd = -1;
#endif
};

// A writer killed part-way can leave its temporary file where the system
// gives it no unnamed one: the next save into the folder removes those of the
// program's own naming that no running writer holds, and nothing else.
TEST_F(AbandonedTemporaries, GoWithTheNextSaveIntoTheirFolder)
{
    make(".song.wav.0123456789abcdef.tmp");
    make(u8".录音.dzq.fedcba9876543210.tmp");
    const char* others[] = {".tune.mid.0123456789ABCDEF.tmp", ".song.wav.0123456789abcdef.tmp.kept",
                            ".song.wav.0123456789abcde.tmp", "song.wav.0123456789abcdef.tmp", "notes.tmp"};
    for (const char* name : others)
        make(name);
    const HeldFile held(m_folder / ".other.mid.00000000deadbeef.tmp");

    std::string error;
    ASSERT_TRUE(writeFileAtomically(m_folder / "new.dzq", "new", &error)) << error;

    EXPECT_FALSE(fs::exists(m_folder / ".song.wav.0123456789abcdef.tmp"));
    EXPECT_FALSE(fs::exists(m_folder / u8".录音.dzq.fedcba9876543210.tmp"));
    for (const char* name : others)
        EXPECT_TRUE(fs::exists(m_folder / name)) << name;
    EXPECT_TRUE(fs::exists(m_folder / ".other.mid.00000000deadbeef.tmp")) << "a file still being written went";
    EXPECT_EQ(contents(m_folder / "new.dzq"), "new");
    EXPECT_EQ(entryCount(), std::size(others) + 2);
}

}  // namespace
}  // namespace kelodi
