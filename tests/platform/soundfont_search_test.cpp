// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/midi/device_catalog.h"
#include "platform/midi/soundfont_search.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

const char* const SystemGm = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

class SoundFontSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("kelodi-sf-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_folder / "soundfont");
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};

TEST_F(SoundFontSearch, FolderBesideTheProgramComesFirstThenTheSystemFonts)
{
    std::ofstream(m_folder / "soundfont" / "b.sf2") << "x";
    std::ofstream(m_folder / "soundfont" / "readme.txt") << "x";
    std::ofstream(m_folder / "soundfont" / "a.SF2") << "x";
    const auto candidates = soundFontCandidates(m_folder.string());
    ASSERT_EQ(candidates.size(), 5u);
    EXPECT_EQ(candidates[0], (m_folder / "soundfont" / "a.SF2").string());
    EXPECT_EQ(candidates[1], (m_folder / "soundfont" / "b.sf2").string());
    EXPECT_EQ(candidates[2], "/usr/share/sounds/sf2/default-GM.sf2");
    EXPECT_EQ(candidates[3], "/usr/share/sounds/sf2/FluidR3_GM.sf2");
    EXPECT_EQ(candidates[4], "/usr/share/sounds/sf2/TimGM6mb.sf2");
}

TEST_F(SoundFontSearch, PassesOverFilesThatAreNotSoundFonts)
{
    if (!fs::exists(SystemGm))
        GTEST_SKIP() << "no GM SoundFont installed";
    std::ofstream(m_folder / "soundfont" / "0-broken.sf2") << "RIFF not a soundfont";
    fs::create_symlink(SystemGm, m_folder / "soundfont" / "1-real.sf2");
    EXPECT_EQ(findSoundFont(m_folder.string()), (m_folder / "soundfont" / "1-real.sf2").string());
}

TEST_F(SoundFontSearch, ANamedSoundFontThatIsUnusableLeavesNoSynthAndSaysWhy)
{
    const auto bad = m_folder / "soundfont" / "bad.sf2";
    std::ofstream(bad) << "nothing";
    MidiSetup setup;
    setup.soundFont = bad.string();
    const auto devices = createMidiDeviceList(setup);
    EXPECT_FALSE(devices->synthAvailable());
    EXPECT_EQ(devices->soundFontState(), SoundFontState::None);
    EXPECT_NE(devices->synthProblem().find(bad.string()), std::string::npos);
    // The mapper leads to the first system port, if the machine has one.
    if (devices->count() == 0) {
        EXPECT_EQ(devices->open(MidiMapperId), nullptr);
    }
    bool called = false;
    bool loaded = true;
    devices->onSoundFontLoaded([&](bool ok) {
        called = true;
        loaded = ok;
    });
    EXPECT_TRUE(called);
    EXPECT_FALSE(loaded);
}

}  // namespace
}  // namespace kelodi
