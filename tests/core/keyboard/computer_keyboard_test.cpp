// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/keyboard/keyboard_rig.h"

namespace kelodi {
namespace {

constexpr int Shift = 1;
constexpr int ShiftKey = 16;
constexpr int KeyW = 87;
constexpr int KeyE = 69;
constexpr int Space = 32;

struct ComputerKeyboardTest : ::testing::Test {
    test::KeyboardRig rig;
    ComputerKeyboard& computer = rig.computer;
    const std::vector<int>& events() { return rig.recorder.events; }
    bool anySounding()
    {
        for (int k = 0; k < KeyCount; ++k) {
            if (rig.keys.isSounding(k))
                return true;
        }
        return false;
    }
};

struct PressCase {
    const char* what;
    int keyCode;
    int shift;
    int key;  // -1: nothing sounds
};

class KeyDownTest : public ComputerKeyboardTest, public ::testing::WithParamInterface<PressCase> {};

TEST_P(KeyDownTest, PlaysTheMappedKey)
{
    const PressCase& c = GetParam();
    computer.keyDown(c.keyCode, c.shift);
    EXPECT_EQ(events(), c.key < 0 ? std::vector<int>{} : std::vector<int>{c.key}) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyDownTest,
                         ::testing::Values(PressCase{"Q", 81, 0, 0}, PressCase{"Shift+Q", 81, Shift, 1},
                                           PressCase{"Shift+W", KeyW, Shift, 3}, PressCase{"Shift+E", KeyE, Shift, 5},
                                           PressCase{"Ctrl+W", KeyW, 2, 2}, PressCase{"Ctrl+Shift+W", KeyW, 3, 2},
                                           PressCase{"space", Space, 0, -1}, PressCase{"Shift", ShiftKey, Shift, -1},
                                           PressCase{"beyond the table", 301, Shift, -1}));

TEST_F(ComputerKeyboardTest, HeldKeySoundsOnceAndItsKeyUpReportsOnce)
{
    for (int repeat = 0; repeat < 5; ++repeat)
        computer.keyDown(KeyW, 0);
    EXPECT_EQ(rig.messages(), (std::vector<ShortMessage>{0x00642690u, 0x00642A90u, 0x00642D90u, 0x00643190u}));
    computer.keyUp(KeyW, 0);
    EXPECT_EQ(events(), (std::vector<int>{2, ReleaseMarker}));
    EXPECT_EQ(rig.messages().size(), 8u);
    computer.keyDown(KeyW, 0);
    EXPECT_EQ(rig.messages().size(), 12u) << "a new press after the release";
    computer.keyUp(KeyW, 0);
    EXPECT_EQ(events(), (std::vector<int>{2, ReleaseMarker, 2, ReleaseMarker}));
}

TEST_F(ComputerKeyboardTest, KeyUpsOfKeylessCodesAndShiftSweepsReportOnce)
{
    computer.keyDown(Space, 0);
    computer.keyUp(Space, 0);
    computer.keyUp(Space, 0);  // nothing left to release
    EXPECT_EQ(events(), std::vector<int>{ReleaseMarker});

    computer.keyDown(ShiftKey, Shift);
    computer.keyDown(KeyW, Shift);
    computer.keyUp(KeyW, Shift);  // 301 shifted codes released, one report
    EXPECT_EQ(events(), (std::vector<int>{ReleaseMarker, 3, ReleaseMarker}));
    computer.keyUp(KeyE, Shift);
    EXPECT_EQ(events().size(), 3u);
    EXPECT_FALSE(anySounding());
    EXPECT_EQ(rig.messages().size(), 8u);
}

// Outside a recording the recorder's row keeps releases from the recorder;
// a key-up's own sweep must not let them through again.
TEST_F(ComputerKeyboardTest, KeyUpsLeaveReleasesUnrecordedWhileTheRowKeepsThem)
{
    rig.keys.setReleasesRecorded(false);
    for (const int code : {KeyW, KeyE}) {
        computer.keyDown(code, 0);
        computer.keyUp(code, 0);
    }
    EXPECT_EQ(events(), (std::vector<int>{2, 4}));
}

TEST_F(ComputerKeyboardTest, ShiftLetGoFirstEndsTheShiftedNoteWithItsKey)
{
    computer.keyDown(ShiftKey, Shift);
    computer.keyDown(KeyW, Shift);
    computer.keyUp(ShiftKey, 0);
    EXPECT_TRUE(rig.keys.isSounding(3));
    computer.keyUp(KeyW, 0);
    EXPECT_FALSE(anySounding());
    EXPECT_EQ(events(), (std::vector<int>{3, ReleaseMarker, ReleaseMarker}));
}

TEST_F(ComputerKeyboardTest, PlainKeyLetGoWhileShiftIsHeldStopsAndPlaysAgain)
{
    computer.keyDown(KeyW, 0);
    computer.keyDown(ShiftKey, Shift);
    rig.messages().clear();
    computer.keyUp(KeyW, Shift);
    EXPECT_EQ(rig.messages(), (std::vector<ShortMessage>{0x2680u, 0x2A80u, 0x2D80u, 0x3180u}));
    computer.keyUp(ShiftKey, 0);
    computer.keyDown(KeyW, 0);
    EXPECT_TRUE(rig.keys.isSounding(2)) << "not taken for a repeat";
}

TEST_F(ComputerKeyboardTest, TwoHeldKeysReleaseIndependently)
{
    computer.keyDown(KeyW, 0);
    computer.keyDown(KeyE, 0);
    computer.keyUp(KeyW, 0);
    EXPECT_FALSE(rig.keys.isSounding(2));
    EXPECT_TRUE(rig.keys.isSounding(4));
}

// The sweeps pass over codes that were never pressed; the keys those codes
// name must keep sounding while their own computer keys are held.
TEST_F(ComputerKeyboardTest, SweptCodesNeverCutOffAKeyStillHeld)
{
    constexpr int KeyR = 82;
    constexpr int KeyQ = 81;
    computer.keyDown(KeyE, 0);
    computer.keyDown(KeyR, 0);
    computer.keyUp(KeyE, 0);  // also releases Shift+E, which names R's key 5
    EXPECT_TRUE(rig.keys.isSounding(5));
    EXPECT_FALSE(rig.keys.isSounding(4));

    computer.keyDown(ShiftKey, Shift);
    computer.keyDown(KeyW, Shift);
    computer.keyUp(KeyW, Shift);  // the first Shift sweep: every shifted code
    EXPECT_TRUE(rig.keys.isSounding(5));
    EXPECT_FALSE(rig.keys.isSounding(3));
    computer.keyUp(ShiftKey, 0);  // Shift pressed nothing: released as key 0
    EXPECT_TRUE(rig.keys.isSounding(5));

    computer.keyDown(KeyQ, 0);
    computer.keyDown(Space, 0);
    computer.keyUp(Space, 0);  // space is released as key 0, Q's key
    EXPECT_TRUE(rig.keys.isSounding(0));
    computer.keyUp(KeyQ, 0);
    computer.keyUp(KeyR, 0);
    EXPECT_FALSE(anySounding());
}

// Nor keys held otherwise (the mouse, the player): the first Shift sweep
// passes over Shift+Q, which names key 1, and over codes without a key, which
// name key 0, and none of them pressed those keys.
TEST_F(ComputerKeyboardTest, SweepsPassOverKeysHeldOtherwise)
{
    rig.press(0);
    rig.press(1);
    computer.keyDown(ShiftKey, Shift);
    computer.keyDown(KeyW, Shift);
    computer.keyUp(KeyW, Shift);
    EXPECT_TRUE(rig.keys.isSounding(0));
    EXPECT_TRUE(rig.keys.isSounding(1));
    EXPECT_FALSE(rig.keys.isSounding(3));
}

TEST_F(ComputerKeyboardTest, FocusLossReleasesHeldKeysAsTheirKeyUpsWould)
{
    computer.keyDown(KeyW, 0);
    computer.keyDown(ShiftKey, Shift);
    computer.keyDown(KeyE, Shift);
    rig.recorder.events.clear();
    computer.focusLost();
    computer.focusLost();
    EXPECT_FALSE(anySounding());
    EXPECT_EQ(events(), (std::vector<int>{ReleaseMarker, ReleaseMarker, ReleaseMarker}));
    computer.keyDown(KeyW, 0);
    EXPECT_TRUE(rig.keys.isSounding(2));
    computer.keyUp(KeyW, 0);
    EXPECT_EQ(events(), (std::vector<int>{ReleaseMarker, ReleaseMarker, ReleaseMarker, 2, ReleaseMarker}));
}

}  // namespace
}  // namespace kelodi
