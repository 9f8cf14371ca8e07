// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/fakes/recording_midi.h"
#include "core/fakes/reset_burst.h"
#include "core/keyboard/instrument_panel.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;
using test::resetBurst;

struct PanelTest : ::testing::Test {
    test::RecordingPort midi;
    InstrumentPanel panel{midi.port};

    // Where the arrows would take the spinner, one step for the whole way.
    void setTo(PanelSpinner spinner, int value) { panel.step(spinner, value - panel.state().value(spinner)); }

    void startUp()
    {
        panel.resetToDefaults();
        panel.setStartupInstrument();
        midi.messages().clear();
    }
};

Messages operator+(Messages a, const Messages& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(PanelTest, StartUpSendsTheResetBurstThenTheStartupInstrument)
{
    panel.resetToDefaults();
    panel.setStartupInstrument();

    EXPECT_EQ(midi.messages(), resetBurst() + Messages{0x000009C0u});
    EXPECT_EQ(panel.state().settings.instrumentName, "钟琴");
    EXPECT_TRUE(panel.state().instrumentHintShown());
    EXPECT_EQ(panel.channel(0).program, 9);
    EXPECT_EQ(panel.channel(0).instrumentName, "钟琴");
}

// The reset puts every channel back, whatever was changed on it, and the
// controls then show channel 0's reset values, also when channel 0 was the
// one shown: a control still showing an old value is set, and sends.
TEST_F(PanelTest, NewAfterChangesResetsEverythingAndShowsChannelZero)
{
    startUp();
    panel.setController(ChannelControl::Volume, 20);
    panel.setController(ChannelControl::Reverb, 5);
    midi.messages().clear();
    panel.resetToDefaults();
    EXPECT_EQ(midi.messages(), resetBurst() + Messages({0x6407B0u, 0x005BB0u}));
    EXPECT_EQ(panel.state().settings.volume, 100);
    EXPECT_EQ(panel.state().caption(PanelSpinner::Reverb), " 混响 000");

    panel.setChordType(8);
    panel.setOctave(-2);
    panel.selectChannel(4);
    panel.applyChosenInstrument("长笛", 73);
    panel.setController(ChannelControl::Pan, 3);
    panel.setController(ChannelControl::Chorus, 7);
    panel.setController(ChannelControl::Modulation, 9);
    panel.setSustain(true);
    panel.setMute(true);
    midi.messages().clear();
    panel.resetToDefaults();
    EXPECT_EQ(midi.messages(), resetBurst() + Messages({0x400AB0u, 0x005DB0u, 0x0001B0u, 0x0040B0u}));
    EXPECT_EQ(panel.chordType(), 3);
    EXPECT_EQ(panel.octaveOffset(), 0);
    EXPECT_EQ(panel.currentChannel(), 0);
    EXPECT_EQ(panel.state().settings.instrumentName, "大钢琴");
    EXPECT_FALSE(panel.state().settings.mute);
    const ChannelSettings& four = panel.channel(4);
    EXPECT_EQ(four.instrumentName, "弦乐合奏音色1");
    EXPECT_EQ(four.sustain, 0);
    EXPECT_EQ(four.mute, 0);
}

TEST_F(PanelTest, ChannelSwitchSendsOnlyTheDifferencesOnTheNewChannel)
{
    startUp();
    panel.setController(ChannelControl::Volume, 90);
    panel.step(PanelSpinner::Pan, +1);
    panel.step(PanelSpinner::Reverb, +1);
    panel.step(PanelSpinner::Chorus, +1);
    panel.step(PanelSpinner::Modulation, +1);
    midi.messages().clear();

    panel.selectChannel(1);
    EXPECT_EQ(midi.messages(), (Messages{0x6407B1u, 0x400AB1u, 0x005BB1u, 0x005DB1u, 0x0001B1u}));
    EXPECT_EQ(panel.state().settings.instrumentName, "明亮的钢琴");
    midi.messages().clear();
    panel.selectChannel(2);
    EXPECT_TRUE(midi.messages().empty());
    panel.selectChannel(0);
    EXPECT_EQ(midi.messages(), (Messages{0x5A07B0u, 0x410AB0u, 0x015BB0u, 0x015DB0u, 0x0101B0u}));
}

TEST_F(PanelTest, SustainIsSentOnItsChannelAndMuteSendsNothing)
{
    startUp();
    panel.selectChannel(3);
    panel.setSustain(true);
    EXPECT_EQ(midi.messages(), Messages{0x7F40B3u});
    panel.setMute(true);
    EXPECT_EQ(midi.messages(), Messages{0x7F40B3u});
    EXPECT_TRUE(panel.currentChannelMuted());

    panel.selectChannel(4);
    EXPECT_EQ(midi.messages(), (Messages{0x7F40B3u, 0x0040B4u}));
    EXPECT_FALSE(panel.currentChannelMuted());
    EXPECT_FALSE(panel.state().settings.mute);
    EXPECT_FALSE(panel.state().settings.sustain);
    EXPECT_EQ(panel.channel(3).sustain, 1);
    panel.selectChannel(3);
    EXPECT_TRUE(panel.state().settings.mute);
    EXPECT_TRUE(panel.state().settings.sustain);
    EXPECT_TRUE(panel.currentChannelMuted());

    // What a device switch puts back on channel 3, pedal down; nothing for a
    // channel that does not exist.
    midi.messages().clear();
    panel.sendChannelSettings(3);
    panel.sendChannelSettings(16);
    panel.sendChannelSettings(-1);
    EXPECT_EQ(midi.messages(),
              (Messages{0x22C3u, 0x6407B3u, 0x400AB3u, 0x005BB3u, 0x005DB3u, 0x0001B3u, 0x7F40B3u}));

    panel.setSustain(false);
    EXPECT_EQ(panel.channel(3).sustain, 0);
}

TEST_F(PanelTest, InstrumentChoiceIsSentStoredAndRefusedOnPercussion)
{
    startUp();
    panel.selectChannel(9);
    EXPECT_EQ(panel.state().caption(PanelSpinner::Channel), " 效果 10");
    EXPECT_FALSE(panel.state().instrumentHintShown());
    EXPECT_EQ(panel.state().settings.instrumentName, "打击");
    EXPECT_FALSE(panel.canChooseInstrument());
    panel.applyChosenInstrument("长笛", 73);
    EXPECT_TRUE(midi.messages().empty());

    panel.step(PanelSpinner::Channel, -1);
    EXPECT_TRUE(panel.state().instrumentHintShown());
    panel.applyChosenInstrument("长笛", 73);
    EXPECT_EQ(panel.state().settings.instrumentName, "长笛");
    EXPECT_EQ(panel.channel(8).program, 73);
    panel.applyChosenInstrument("", 5);       // cancelled or closed
    panel.applyChosenInstrument("枪声", 128);  // no such program
    EXPECT_EQ(midi.messages(), Messages{0x49C8u});
    panel.selectChannel(2);
    panel.selectChannel(8);
    EXPECT_EQ(panel.state().settings.instrumentName, "长笛");
    panel.applyChosenInstrument("大钢琴", 0);  // program 0 is an instrument too
    EXPECT_EQ(midi.messages(), (Messages{0x49C8u, 0x00C8u}));

    EXPECT_EQ(instrumentName(0), "大钢琴");
    EXPECT_EQ(instrumentName(127), "枪声");
    EXPECT_EQ(instrumentName(128), "");
    EXPECT_EQ(instrumentPreselection("尼龙弦吉他"), 24);
    EXPECT_EQ(instrumentPreselection("电贝司"), -1);
    EXPECT_EQ(instrumentPreselection("blown bottle"), -1);
}

struct LabelCase {
    PanelSpinner spinner;
    int value;
    const char* caption;
    Messages messages;
};

class PanelLabelTest : public PanelTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(PanelLabelTest, ShowsPaddedValueAndSendsTheRawOne)
{
    startUp();
    const LabelCase& c = GetParam();
    setTo(c.spinner, c.value == 64 ? 0 : 64);  // move away so that the target is a change
    midi.messages().clear();
    setTo(c.spinner, c.value);
    EXPECT_EQ(panel.state().caption(c.spinner), c.caption);
    EXPECT_EQ(midi.messages(), c.messages);
}

using S = PanelSpinner;
INSTANTIATE_TEST_SUITE_P(Boundaries, PanelLabelTest,
                         ::testing::Values(LabelCase{S::Pan, 0, " 声道 -64", {0x000AB0u}},
                                           LabelCase{S::Pan, 64, " 声道 00", {0x400AB0u}},
                                           LabelCase{S::Pan, 59, " 声道 -05", {0x3B0AB0u}},
                                           LabelCase{S::Pan, 127, " 声道 63", {0x7F0AB0u}},
                                           LabelCase{S::Volume, 0, " 音量 000", {0x0007B0u}},
                                           LabelCase{S::Reverb, 5, " 混响 005", {0x055BB0u}},
                                           LabelCase{S::Chorus, 7, " 合声 007", {0x075DB0u}},
                                           LabelCase{S::Modulation, 30, " 颤音 030", {0x1E01B0u}},
                                           LabelCase{S::Octave, -3, " 八度音程 -3", {}}));

// Every value fits its data byte, every channel exists and every key's root
// lies within MIDI's notes: the arrows stop at the ends and send nothing.
TEST_F(PanelTest, SpinnersStopAtTheEndsOfTheirRanges)
{
    startUp();
    const struct {
        PanelSpinner spinner;
        int lowest;
        int highest;
    } ranges[] = {{S::Channel, 0, 15}, {S::Volume, 0, 127},    {S::Pan, 0, 127},   {S::Reverb, 0, 127},
                  {S::Chorus, 0, 127}, {S::Modulation, 0, 127}, {S::Octave, -3, 4}, {S::Chord, 0, 10}};
    for (const auto& r : ranges) {
        setTo(r.spinner, r.highest);
        midi.messages().clear();
        panel.step(r.spinner, +1);
        EXPECT_EQ(panel.state().value(r.spinner), r.highest);
        EXPECT_TRUE(midi.messages().empty());
        setTo(r.spinner, r.lowest);
        midi.messages().clear();
        panel.step(r.spinner, -1);
        EXPECT_EQ(panel.state().value(r.spinner), r.lowest);
        EXPECT_TRUE(midi.messages().empty());
    }
}

// The chord arrows step one type at a time, except that leaving single notes
// upwards lands on the default chord: types 1 and 2 are reached only by
// stepping down. "单音" is selected exactly while single notes are.
TEST_F(PanelTest, SteppingUpFromSingleNotesLandsOnTheDefaultChord)
{
    startUp();
    const auto state = [&] {
        return std::to_string(panel.chordType()) + panel.state().caption(PanelSpinner::Chord) + " single "
               + std::to_string(panel.state().singleNote());
    };
    const char* down[] = {"2 Minor single 0", "1 Major single 0", "0 Note single 1"};
    for (const char* expected : down) {
        panel.stepChord(-1);
        EXPECT_EQ(state(), expected);
    }
    panel.stepChord(+1);
    EXPECT_EQ(state(), "3 Major 7th single 0");
    panel.stepChord(+1);
    EXPECT_EQ(state(), "4 Minor 7th single 0");
    EXPECT_TRUE(midi.messages().empty());
}

// "和弦" always gives the default chord when it becomes selected, "单音" the
// single note; choosing the option that is already selected keeps the chord
// type, whichever it is.
TEST_F(PanelTest, ChoosingChordGivesTheDefaultChordAndTheSelectedOptionKeepsIt)
{
    startUp();
    panel.setChordType(10);
    panel.chooseChord();
    EXPECT_EQ(panel.chordType(), 10);
    EXPECT_EQ(panel.state().caption(PanelSpinner::Chord), " Octave");
    panel.chooseSingleNote();
    panel.chooseSingleNote();
    EXPECT_EQ(panel.chordType(), 0);
    EXPECT_EQ(panel.state().caption(PanelSpinner::Chord), " Note");
    EXPECT_TRUE(panel.state().singleNote());
    panel.chooseChord();
    EXPECT_EQ(panel.chordType(), 3);
    EXPECT_EQ(panel.state().caption(PanelSpinner::Chord), " Major 7th");
    EXPECT_FALSE(panel.state().singleNote());
    EXPECT_TRUE(midi.messages().empty());
}

// Remembers what it was shown.
struct StateLog : PanelView {
    void showPanel(const PanelState& state) override { shown.push_back(state); }
    std::vector<PanelState> shown;
};

// The view learns each change once, as the finished state: never a step on
// the way (the chord type 1 passed over when stepping up from single notes,
// a channel half switched), and nothing for an operation that changes nothing.
TEST_F(PanelTest, TheViewIsShownEachChangeOnceAndFinished)
{
    StateLog view;
    panel.setView(&view);
    ASSERT_EQ(view.shown.size(), 1u);
    startUp();
    EXPECT_EQ(view.shown.size(), 3u);
    EXPECT_EQ(view.shown.back(), panel.state());

    panel.setController(ChannelControl::Volume, 90);
    panel.setSustain(true);
    view.shown.clear();
    panel.selectChannel(5);
    panel.chooseSingleNote();
    panel.stepChord(+1);
    ASSERT_EQ(view.shown.size(), 3u);
    EXPECT_EQ(view.shown[0].channel, 5);
    EXPECT_EQ(view.shown[0].settings, panel.channel(5));
    EXPECT_EQ(view.shown[1].chordType, 0);
    EXPECT_EQ(view.shown[2].chordType, 3);

    view.shown.clear();
    panel.selectChannel(5);
    panel.stepChord(-4);
    panel.stepChord(-1);
    panel.setSustain(false);
    panel.setOctave(0);
    panel.chooseSingleNote();
    panel.applyChosenInstrument("", 3);
    EXPECT_EQ(view.shown.size(), 1u) << "only the first chord step changed something";
    panel.setView(nullptr);
}

}  // namespace
}  // namespace kelodi
