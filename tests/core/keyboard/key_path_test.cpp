// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <functional>

#include "core/keyboard/keyboard_rig.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;

Messages notes(ShortMessage (*kind)(int, int), int channel, std::initializer_list<int> list)
{
    Messages m;
    for (int n : list)
        m.push_back(kind(channel, n));
    return m;
}

struct KeyPathTest : ::testing::Test {
    test::KeyboardRig rig;
};

TEST_F(KeyPathTest, OnlyTheLeftButtonOnARealKeyDoesAnything)
{
    rig.keys.press(0, 2);
    rig.keys.release(0, 4);
    rig.press(44);
    EXPECT_EQ(rig.view.caption, "untouched");
    EXPECT_TRUE(rig.recorder.events.empty());
    EXPECT_TRUE(rig.messages().empty());
}

TEST_F(KeyPathTest, SingleNotePressAndRelease)
{
    rig.panel.setChordType(0);
    rig.press(1);
    EXPECT_EQ(rig.view.caption, "Kelodi 7.90  字符：Shift+Q 琴键：#C 简谱：低音#1");
    EXPECT_EQ(rig.messages(), Messages{0x00642590u});
    EXPECT_EQ(rig.view.colours, (std::map<int, std::uint32_t>{{1, KeyColour::Red}}));
    EXPECT_EQ(rig.messages().front(), noteOnMessage(0, 37)) << "key 1 at octave 0 sounds note 37";

    rig.release(1);
    EXPECT_EQ(rig.view.caption, "Kelodi 7.90  ");
    EXPECT_EQ(rig.messages(), (Messages{0x00642590u, 0x00002580u}));
    EXPECT_EQ(rig.view.colours[1], KeyColour::Black);
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{1, ReleaseMarker}));
}

struct EdgeCase {
    const char* what;
    int chord;
    int octave;
    int key;
    Messages sounded;
    std::vector<int> red;
};

class ChordEdgeTest : public KeyPathTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(ChordEdgeTest, SoundsWhatFitsAndReleasesExactlyThat)
{
    const EdgeCase& c = GetParam();
    rig.panel.setChordType(c.chord);
    rig.panel.setOctave(c.octave);
    rig.press(c.key);
    EXPECT_EQ(rig.messages(), c.sounded) << c.what;
    std::map<int, std::uint32_t> red;
    for (int k : c.red)
        red[k] = KeyColour::Red;
    EXPECT_EQ(rig.view.colours, red) << c.what;

    rig.messages().clear();
    rig.release(c.key);
    Messages stopped;
    for (ShortMessage m : c.sounded)
        stopped.push_back(noteOffMessage(0, dataByte1(m)));
    EXPECT_EQ(rig.messages(), stopped) << c.what;
    EXPECT_EQ(rig.view.colours.size(), c.red.size()) << c.what << ": only its own keys are repainted";
}

Messages on(std::initializer_list<int> list) { return notes(noteOnMessage, 0, list); }

INSTANTIATE_TEST_SUITE_P(
    Edges, ChordEdgeTest,
    ::testing::Values(EdgeCase{"lowest note", 0, -3, 0, on({0}), {0}},
                      EdgeCase{"highest note", 0, 4, 43, on({127}), {43}},
                      EdgeCase{"default chord", 3, 0, 2, on({38, 42, 45, 49}), {2, 6, 9, 13}},
                      EdgeCase{"chord above the keyboard", 1, 0, 43, on({79, 83, 86, 91}), {43}},
                      EdgeCase{"chord partly above the keyboard", 1, 0, 36, on({72, 76, 79, 84}), {36, 40, 43}},
                      EdgeCase{"octave chord", 10, 0, 5, on({41, 53}), {5, 17}},
                      EdgeCase{"ninth above 127 is dropped", 8, 3, 42, on({114, 118, 121, 125}), {42}},
                      EdgeCase{"only the root fits", 1, 4, 43, on({127}), {43}},
                      EdgeCase{"widest chord", 9, 0, 0, on({36, 39, 43, 46, 50}), {0, 3, 7, 10, 14}}));

TEST_F(KeyPathTest, MutedChannelAndRecordPause)
{
    rig.panel.setMute(true);
    rig.press(7);
    EXPECT_EQ(rig.view.caption, "Kelodi 7.90  字符：T 琴键：G 简谱：低音5");
    rig.release(7);
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_TRUE(rig.view.colours.empty());

    rig.keys.setReleasesRecorded(false);
    rig.press(4);
    rig.release(4);
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{7, ReleaseMarker, 4}));
}

class HeldPairTest : public KeyPathTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HeldPairTest, EachReleaseStopsItsOwnKey)
{
    rig.panel.setChordType(0);
    rig.press(5);
    rig.press(7);
    rig.messages().clear();
    const int first = GetParam() ? 5 : 7;
    const int second = GetParam() ? 7 : 5;

    rig.release(first);
    EXPECT_EQ(rig.messages(), notes(noteOffMessage, 0, {first + 36}));
    EXPECT_EQ(rig.view.colours[second], KeyColour::Red);
    rig.release(second);
    rig.release(second);  // no longer sounding: nothing is sent
    EXPECT_EQ(rig.messages(), notes(noteOffMessage, 0, {first + 36, second + 36}));
    EXPECT_EQ(rig.recorder.events.size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(Orders, HeldPairTest, ::testing::Bool());

struct ChangeCase {
    const char* what;
    std::function<void(InstrumentPanel&)> change;
};

class ChangeWhileHeldTest : public KeyPathTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeWhileHeldTest, ReleaseStopsWhatThePressSounded)
{
    rig.press(12);
    GetParam().change(rig.panel);
    rig.messages().clear();
    rig.release(12);
    EXPECT_EQ(rig.messages(), notes(noteOffMessage, 0, {48, 52, 55, 59})) << GetParam().what;
    EXPECT_EQ(rig.view.colours[19], KeyColour::White) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangeWhileHeldTest,
    ::testing::Values(ChangeCase{"chord type", [](InstrumentPanel& p) { p.setChordType(0); }},
                      ChangeCase{"ninth chord", [](InstrumentPanel& p) { p.setChordType(9); }},
                      ChangeCase{"channel", [](InstrumentPanel& p) { p.selectChannel(5); }},
                      ChangeCase{"mute", [](InstrumentPanel& p) { p.setMute(true); }},
                      ChangeCase{"octave", [](InstrumentPanel& p) { p.setOctave(2); }},
                      ChangeCase{"File New", [](InstrumentPanel& p) { p.resetToDefaults(); }}));

TEST_F(KeyPathTest, RestrikeStopsTheOldNotesAndSharedKeysStayRed)
{
    rig.panel.setChordType(10);
    rig.press(0);  // 36 and 48, keys 0 and 12
    rig.panel.selectChannel(2);
    rig.messages().clear();
    rig.press(0);
    Messages expected = notes(noteOffMessage, 0, {36, 48});
    for (ShortMessage m : notes(noteOnMessage, 2, {36, 48}))
        expected.push_back(m);
    EXPECT_EQ(rig.messages(), expected);
    EXPECT_EQ(rig.view.colours[12], KeyColour::Red);

    rig.panel.setChordType(0);
    rig.press(12);
    rig.release(0);
    EXPECT_EQ(rig.view.colours[12], KeyColour::Red) << "key 12 still sounds";
    rig.release(12);
    EXPECT_EQ(rig.view.colours[12], KeyColour::White);
}

}  // namespace
}  // namespace kelodi
