#include <gtest/gtest.h>

#include "core/fakes/recording_midi.h"
#include "core/keyboard/instrument_panel.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;

struct PanelTest : ::testing::Test {
    test::RecordingPort midi;
    InstrumentPanel panel{midi.port};

    void startUp()
    {
        panel.mnuNewClick();
        panel.setStartupInstrument();
        midi.messages().clear();
    }
};

// File ▸ New: each channel's program, then volume 100, pan 64, reverb,
// chorus and modulation 0 and sustain off, channels 0..15 in order.
Messages resetBurst()
{
    const std::uint32_t programs[ChannelCount] = {0, 1, 24, 34, 48, 50, 52, 61, 80, 0, 85, 89, 91, 97, 101, 102};
    Messages expected;
    for (std::uint32_t c = 0; c < ChannelCount; ++c) {
        for (ShortMessage m : {0xC0u + programs[c] * 256u, 0x6407B0u, 0x400AB0u, 0x005BB0u, 0x005DB0u, 0x0001B0u,
                               0x0040B0u})
            expected.push_back(m + c);
    }
    return expected;
}

Messages operator+(Messages a, const Messages& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(PanelTest, StartUpSendsTheResetBurstThenTheStartupInstrument)
{
    panel.mnuNewClick();
    panel.setStartupInstrument();

    EXPECT_EQ(midi.messages(), resetBurst() + Messages{0x000009C0u});
    EXPECT_EQ(panel.lblInstrument.caption(), "钟琴");
    EXPECT_TRUE(panel.lblInfo.isVisible());
    EXPECT_TRUE(panel.lblVolume.isVisible());
    EXPECT_EQ(panel.channel(0).program, 9);
    EXPECT_EQ(panel.channel(0).instrumentName, "钟琴");
}

// The reset puts every channel back, whatever was changed on it, and the
// controls then show channel 0's reset values, also when channel 0 was the
// one shown: a control still showing an old value is set, and sends.
TEST_F(PanelTest, NewAfterChangesResetsEverythingAndShowsChannelZero)
{
    startUp();
    panel.vsbVolume.setValue(20);
    panel.vsbReverb.setValue(5);
    midi.messages().clear();
    panel.mnuNewClick();
    EXPECT_EQ(midi.messages(), resetBurst() + Messages({0x6407B0u, 0x005BB0u}));
    EXPECT_EQ(panel.vsbVolume.value(), 100);
    EXPECT_EQ(panel.lblReverb.caption(), " 混响 000");

    panel.vsbChord.setValue(8);
    panel.vsbOctave.setValue(-2);
    panel.vsbChannel.setValue(4);
    panel.applyChosenInstrument("长笛", 73);
    panel.vsbPan.setValue(3);
    panel.vsbChorus.setValue(7);
    panel.vsbModulation.setValue(9);
    panel.chkSustain.setChecked(true);
    panel.chkMute.setChecked(true);
    midi.messages().clear();
    panel.mnuNewClick();
    EXPECT_EQ(midi.messages(), resetBurst() + Messages({0x400AB0u, 0x005DB0u, 0x0001B0u, 0x0040B0u}));
    EXPECT_EQ(panel.chordType(), 3);
    EXPECT_EQ(panel.octaveOffset(), 0);
    EXPECT_EQ(panel.currentChannel(), 0);
    EXPECT_EQ(panel.lblInstrument.caption(), "大钢琴");
    EXPECT_FALSE(panel.chkMute.isChecked());
    const ChannelSettings& four = panel.channel(4);
    EXPECT_EQ(four.instrumentName, "弦乐合奏音色1");
    EXPECT_EQ(four.sustain, 0);
    EXPECT_EQ(four.mute, 0);
}

TEST_F(PanelTest, ChannelSwitchSendsOnlyTheDifferencesOnTheNewChannel)
{
    startUp();
    panel.vsbVolume.setValue(90);
    panel.vsbPan.stepUp();
    panel.vsbReverb.stepUp();
    panel.vsbChorus.stepUp();
    panel.vsbModulation.stepUp();
    midi.messages().clear();

    panel.vsbChannel.setValue(1);
    EXPECT_EQ(midi.messages(), (Messages{0x6407B1u, 0x400AB1u, 0x005BB1u, 0x005DB1u, 0x0001B1u}));
    EXPECT_EQ(panel.lblInstrument.caption(), "明亮的钢琴");
    midi.messages().clear();
    panel.vsbChannel.setValue(2);
    EXPECT_TRUE(midi.messages().empty());
    panel.vsbChannel.setValue(0);
    EXPECT_EQ(midi.messages(), (Messages{0x5A07B0u, 0x410AB0u, 0x015BB0u, 0x015DB0u, 0x0101B0u}));
}

TEST_F(PanelTest, SustainIsSentOnItsChannelAndMuteSendsNothing)
{
    startUp();
    panel.vsbChannel.setValue(3);
    panel.chkSustain.setChecked(true);
    EXPECT_EQ(midi.messages(), Messages{0x7F40B3u});
    panel.chkMute.setChecked(true);
    panel.chkSustain.setValue(2);  // greyed: neither state
    EXPECT_EQ(midi.messages(), Messages{0x7F40B3u});
    EXPECT_TRUE(panel.currentChannelMuted());

    panel.vsbChannel.setValue(4);
    EXPECT_EQ(midi.messages(), (Messages{0x7F40B3u, 0x0040B4u}));
    EXPECT_FALSE(panel.currentChannelMuted());
    EXPECT_FALSE(panel.chkMute.isChecked());
    EXPECT_FALSE(panel.chkSustain.isChecked());
    EXPECT_EQ(panel.channel(3).sustain, 1);
    panel.vsbChannel.setValue(3);
    EXPECT_TRUE(panel.chkMute.isChecked());
    EXPECT_TRUE(panel.chkSustain.isChecked());
    EXPECT_TRUE(panel.currentChannelMuted());

    // What a device switch puts back on channel 3, pedal down; nothing for a
    // channel that does not exist.
    midi.messages().clear();
    panel.sendChannelSettings(3);
    panel.sendChannelSettings(16);
    panel.sendChannelSettings(-1);
    EXPECT_EQ(midi.messages(),
              (Messages{0x22C3u, 0x6407B3u, 0x400AB3u, 0x005BB3u, 0x005DB3u, 0x0001B3u, 0x7F40B3u}));

    panel.chkSustain.setChecked(false);
    EXPECT_EQ(panel.channel(3).sustain, 0);
}

TEST_F(PanelTest, InstrumentChoiceIsSentStoredAndRefusedOnPercussion)
{
    startUp();
    panel.vsbChannel.setValue(9);
    EXPECT_EQ(panel.lblChannel.caption(), " 效果 10");
    EXPECT_FALSE(panel.lblInfo.isVisible());
    EXPECT_EQ(panel.lblInstrument.caption(), "打击");
    EXPECT_FALSE(panel.canChooseInstrument());
    panel.applyChosenInstrument("长笛", 73);
    EXPECT_TRUE(midi.messages().empty());

    panel.vsbChannel.stepDown();
    EXPECT_TRUE(panel.lblInfo.isVisible());
    panel.applyChosenInstrument("长笛", 73);
    EXPECT_EQ(panel.lblInstrument.caption(), "长笛");
    EXPECT_EQ(panel.channel(8).program, 73);
    panel.applyChosenInstrument("", 5);       // cancelled or closed
    panel.applyChosenInstrument("枪声", 128);  // no such program
    EXPECT_EQ(midi.messages(), Messages{0x49C8u});
    panel.vsbChannel.setValue(2);
    panel.vsbChannel.setValue(8);
    EXPECT_EQ(panel.lblInstrument.caption(), "长笛");
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
    Spinner InstrumentPanel::*spinner;
    Label InstrumentPanel::*label;
    int value;
    const char* caption;
    Messages messages;
};

class PanelLabelTest : public PanelTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(PanelLabelTest, ShowsPaddedValueAndSendsTheRawOne)
{
    startUp();
    const LabelCase& c = GetParam();
    (panel.*c.spinner).setValue(c.value == 64 ? 0 : 64);  // move away so that the target is a change
    midi.messages().clear();
    (panel.*c.spinner).setValue(c.value);
    EXPECT_EQ((panel.*c.label).caption(), c.caption);
    EXPECT_EQ(midi.messages(), c.messages);
}

using P = InstrumentPanel;
INSTANTIATE_TEST_SUITE_P(
    Boundaries, PanelLabelTest,
    ::testing::Values(LabelCase{&P::vsbPan, &P::lblPan, 0, " 声道 -64", {0x000AB0u}},
                      LabelCase{&P::vsbPan, &P::lblPan, 64, " 声道 00", {0x400AB0u}},
                      LabelCase{&P::vsbPan, &P::lblPan, 59, " 声道 -05", {0x3B0AB0u}},
                      LabelCase{&P::vsbPan, &P::lblPan, 127, " 声道 63", {0x7F0AB0u}},
                      LabelCase{&P::vsbVolume, &P::lblVolume, 0, " 音量 000", {0x0007B0u}},
                      LabelCase{&P::vsbReverb, &P::lblReverb, 5, " 混响 005", {0x055BB0u}},
                      LabelCase{&P::vsbChorus, &P::lblChorus, 7, " 合声 007", {0x075DB0u}},
                      LabelCase{&P::vsbModulation, &P::lblModulation, 30, " 颤音 030", {0x1E01B0u}},
                      LabelCase{&P::vsbOctave, &P::lblOctave, -3, " 八度音程 -3", {}}));

// Every value fits its data byte, every channel exists and every key's root
// lies within MIDI's notes: the arrows stop at the ends and send nothing.
TEST_F(PanelTest, SpinnersStopAtTheEndsOfTheirRanges)
{
    startUp();
    const struct {
        Spinner InstrumentPanel::*spinner;
        int lowest;
        int highest;
    } ranges[] = {{&P::vsbChannel, 0, 15}, {&P::vsbVolume, 0, 127}, {&P::vsbPan, 0, 127},
                  {&P::vsbReverb, 0, 127}, {&P::vsbChorus, 0, 127}, {&P::vsbModulation, 0, 127},
                  {&P::vsbOctave, -3, 4},  {&P::vsbChord, 0, 10}};
    for (const auto& r : ranges) {
        Spinner& spinner = panel.*r.spinner;
        spinner.setValue(r.highest);
        midi.messages().clear();
        spinner.stepUp();
        EXPECT_EQ(spinner.value(), r.highest);
        EXPECT_TRUE(midi.messages().empty());
        spinner.setValue(r.lowest);
        midi.messages().clear();
        spinner.stepDown();
        EXPECT_EQ(spinner.value(), r.lowest);
        EXPECT_TRUE(midi.messages().empty());
    }
}

TEST_F(PanelTest, ChordSpinnerAndOptionsFollowEachOther)
{
    startUp();
    const auto state = [&] {
        return std::to_string(panel.chordType()) + panel.lblChord.caption() + " option "
               + std::to_string(panel.option1.selected());
    };
    const char* down[] = {"2 Minor option 1", "1 Major option 1", "0 Note option 0"};
    for (const char* expected : down) {
        panel.vsbChord.stepDown();
        EXPECT_EQ(state(), expected);
    }
    panel.vsbChord.stepUp();  // 1 selects "和弦", which lands on the default chord
    EXPECT_EQ(state(), "3 Major 7th option 1");
    panel.vsbChord.setValue(10);
    panel.option1.select(0);
    EXPECT_EQ(state(), "0 Note option 0");
    panel.option1.select(1);
    EXPECT_EQ(state(), "3 Major 7th option 1");
    EXPECT_TRUE(midi.messages().empty());
}

// Only a change of option counts: choosing the option that is already
// selected keeps the chord type, whichever it is.
TEST_F(PanelTest, ChoosingTheSelectedOptionKeepsTheChord)
{
    startUp();
    panel.vsbChord.setValue(10);
    panel.option1.select(1);
    EXPECT_EQ(panel.chordType(), 10);
    EXPECT_EQ(panel.lblChord.caption(), " Octave");
    panel.option1.select(0);
    panel.option1.select(0);
    EXPECT_EQ(panel.chordType(), 0);
    EXPECT_EQ(panel.lblChord.caption(), " Note");
}

}  // namespace
}  // namespace kelodi
