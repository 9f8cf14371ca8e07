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

TEST_F(PanelTest, StartUpSendsTheResetBurstThenTheStartupInstrument)
{
    panel.mnuNewClick();
    panel.setStartupInstrument();

    const std::uint32_t programs[ChannelCount] = {0, 1, 24, 34, 48, 50, 52, 61, 80, 0, 85, 89, 91, 97, 101, 102};
    Messages expected;
    for (std::uint32_t c = 0; c < ChannelCount; ++c) {
        for (ShortMessage m : {0xC0u + programs[c] * 256u, 0x6407B0u, 0x400AB0u, 0x005BB0u, 0x005DB0u, 0x0001B0u,
                               0x0040B0u})
            expected.push_back(m + c);
    }
    expected.push_back(0x000009C0u);
    EXPECT_EQ(midi.messages(), expected);
    EXPECT_EQ(panel.lblInstrument.caption(), "钟琴");
}

TEST_F(PanelTest, NewAfterChangesResetsEverythingAndShowsChannelZero)
{
    startUp();
    panel.vsbChord.setValue(8);
    panel.vsbOctave.setValue(-2);
    panel.vsbChannel.setValue(4);
    panel.vsbVolume.setValue(20);
    panel.chkMute.setChecked(true);
    panel.mnuNewClick();

    EXPECT_EQ(panel.chordType(), 3);
    EXPECT_EQ(panel.octaveOffset(), 0);
    EXPECT_EQ(panel.currentChannel(), 0);
    EXPECT_EQ(panel.lblInstrument.caption(), "大钢琴");
    EXPECT_EQ(panel.vsbVolume.value(), 100);
    EXPECT_EQ(panel.channel(4).mute, 0);
}

TEST_F(PanelTest, ChannelSwitchSendsOnlyTheDifferencesOnTheNewChannel)
{
    startUp();
    panel.vsbVolume.setValue(90);
    panel.vsbPan.stepUp();
    midi.messages().clear();

    panel.vsbChannel.setValue(1);
    EXPECT_EQ(midi.messages(), (Messages{0x6407B1u, 0x400AB1u}));
    EXPECT_EQ(panel.lblInstrument.caption(), "明亮的钢琴");
    midi.messages().clear();
    panel.vsbChannel.setValue(2);
    EXPECT_TRUE(midi.messages().empty());
    panel.vsbChannel.setValue(0);
    EXPECT_EQ(midi.messages(), (Messages{0x5A07B0u, 0x410AB0u}));
}

TEST_F(PanelTest, SustainIsSentOnItsChannelAndMuteSendsNothing)
{
    startUp();
    panel.vsbChannel.setValue(3);
    panel.chkSustain.setChecked(true);
    panel.chkMute.setChecked(true);
    panel.chkSustain.setValue(2);  // greyed: neither state
    EXPECT_EQ(midi.messages(), Messages{0x7F40B3u});
    EXPECT_TRUE(panel.currentChannelMuted());

    panel.vsbChannel.setValue(4);
    EXPECT_EQ(midi.messages(), (Messages{0x7F40B3u, 0x0040B4u}));
    EXPECT_FALSE(panel.currentChannelMuted());
    EXPECT_EQ(panel.channel(3).sustain, 1);
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
    panel.applyChosenInstrument("", 5);       // cancelled or closed
    panel.applyChosenInstrument("枪声", 128);  // no such program
    EXPECT_EQ(midi.messages(), Messages{0x49C8u});
    panel.vsbChannel.setValue(2);
    panel.vsbChannel.setValue(8);
    EXPECT_EQ(panel.lblInstrument.caption(), "长笛");

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
                      LabelCase{&P::vsbChorus, &P::lblChorus, 7, " 合声 007", {0x075DB0u}},
                      LabelCase{&P::vsbModulation, &P::lblModulation, 30, " 颤音 030", {0x1E01B0u}},
                      LabelCase{&P::vsbOctave, &P::lblOctave, -3, " 八度音程 -3", {}}));

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

}  // namespace
}  // namespace kelodi
