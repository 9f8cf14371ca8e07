// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/mixer_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kelodi {
namespace {

namespace fs = std::filesystem;

class MixerProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The search needs ':'-separated absolute folders and execute bits,
        // which a Windows file system has neither of; Windows builds ask for
        // SndVol32 by name instead.
        if (currentHostSystem() == HostSystem::Windows)
            GTEST_SKIP() << "the volume program is searched for on PATH only outside Windows";
        m_root = fs::temp_directory_path()
                 / ("kelodi-mixer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed())
                    + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    void TearDown() override
    {
        if (!m_root.empty())
            fs::remove_all(m_root);
    }

    fs::path folder(const std::string& name)
    {
        fs::create_directories(m_root / name);
        return m_root / name;
    }
    static fs::path file(const fs::path& dir, const std::string& name, bool executable)
    {
        std::ofstream(dir / name) << "#!/bin/sh\n";
        fs::permissions(dir / name,
                        executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
        return dir / name;
    }

    fs::path m_root;
};

TEST_F(MixerProgramTest, PrefersPavucontrolThenTheFirstFolderThatHasTheProgram)
{
    const auto a = folder("a");
    const auto b = folder("b");
    const auto pwvu = file(a, "pwvucontrol", true);
    file(b, "pwvucontrol", true);
    EXPECT_EQ(findMixerProgram(HostSystem::Other, a.string() + ":" + b.string()), pwvu.string());

    const auto pavu = file(b, "pavucontrol", true);
    EXPECT_EQ(findMixerProgram(HostSystem::Other, a.string() + ":" + b.string()), pavu.string());
    EXPECT_EQ(findMixerProgram(HostSystem::Other, a.string() + ":" + b.string() + ":" + a.string()), pavu.string());
}

TEST_F(MixerProgramTest, SkipsWhatCannotBeRun)
{
    const auto a = folder("a");
    const auto b = folder("b");
    file(a, "pavucontrol", false);                 // not executable
    fs::create_directories(b / "pavucontrol");     // a folder of that name
    const auto c = folder("c");
    const auto good = file(c, "pwvucontrol", true);

    EXPECT_EQ(findMixerProgram(HostSystem::Other,
                               a.string() + ":" + b.string() + ":" + (m_root / "missing").string() + ":"
                                   + c.string()),
              good.string());
}

TEST_F(MixerProgramTest, EmptyWhenNothingIsFoundOrOnlyRelativeFoldersWouldHaveIt)
{
    EXPECT_EQ(findMixerProgram(HostSystem::Other, ""), "");
    EXPECT_EQ(findMixerProgram(HostSystem::Other, ":::"), "");

    // A relative or empty entry means the current folder, which is not a
    // place to start programs from.
    const auto a = folder("a");
    file(a, "pavucontrol", true);
    const auto previous = fs::current_path();
    fs::current_path(m_root);
    EXPECT_EQ(findMixerProgram(HostSystem::Other, "a::."), "");
    fs::current_path(a);
    EXPECT_EQ(findMixerProgram(HostSystem::Other, ":"), "");
    fs::current_path(previous);
}

}  // namespace
}  // namespace kelodi
