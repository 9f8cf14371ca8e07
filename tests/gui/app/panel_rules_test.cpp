// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "core/fakes/reset_burst.h"
#include "core/keyboard/chord_spellings.h"
#include "gui/app/main_window_fixture.h"
#include "gui/keyboard/spinner_widget.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;

class PanelRulesTest : public test::MainWindowFixture {
protected:
    template <class W>
    W* child(const char* name)
    {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    QString text(const char* label) { return child<QLabel>(label)->text(); }
    bool checked(const char* box) { return child<QCheckBox>(box)->isChecked(); }
    void click(const char* spinner, bool up)
    {
        auto* widget = child<SpinnerWidget>(spinner);
        QTest::mouseClick(up ? widget->upArrow() : widget->downArrow(), Qt::LeftButton);
    }
    void click(const char* box) { QTest::mouseClick(child<QCheckBox>(box), Qt::LeftButton); }
    // The messages a press of the computer key sends, its release done.
    Messages notesOfKey(Qt::Key key)
    {
        messages().clear();
        QTest::keyPress(handle(), key);
        Messages pressed = messages();
        QTest::keyRelease(handle(), key);
        return pressed;
    }
};

// Every control shows the settings of the channel it edits: switching channel
// brings that channel's values, sustain and mute into the controls, and sends
// only the controllers in which the two channels differ, on the new channel.
TEST_F(PanelRulesTest, ControlsFollowTheChannelSwitch)
{
    click("VolumeSpinner", true);
    click("PanSpinner", false);
    click("ReverbSpinner", true);
    click("ChorusSpinner", true);
    click("ModulationSpinner", true);
    click("SustainBox");
    click("MuteBox");
    ASSERT_TRUE(checked("MuteBox"));
    EXPECT_TRUE(notesOfKey(Qt::Key_D).empty()) << "channel 1 is muted";

    messages().clear();
    click("ChannelSpinner", true);
    EXPECT_EQ(text("ChannelLabel"), QStringLiteral(" 效果 02"));
    EXPECT_EQ(text("VolumeLabel"), QStringLiteral(" 音量 100"));
    EXPECT_EQ(text("PanLabel"), QStringLiteral(" 声道 00"));
    EXPECT_EQ(text("ReverbLabel"), QStringLiteral(" 混响 000"));
    EXPECT_EQ(text("ChorusLabel"), QStringLiteral(" 合声 000"));
    EXPECT_EQ(text("ModulationLabel"), QStringLiteral(" 颤音 000"));
    EXPECT_FALSE(checked("SustainBox"));
    EXPECT_FALSE(checked("MuteBox")) << "the mute box shows the new channel";
    EXPECT_EQ(messages(), (Messages{controlChangeMessage(1, 7, 100), controlChangeMessage(1, 10, 64),
                                        controlChangeMessage(1, 91, 0), controlChangeMessage(1, 93, 0),
                                        controlChangeMessage(1, 1, 0), controlChangeMessage(1, 64, 0)}));
    const Messages sounded = notesOfKey(Qt::Key_D);
    ASSERT_FALSE(sounded.empty()) << "channel 2 is not muted";
    EXPECT_EQ(sounded.front(), noteOnMessage(1, 48));

    messages().clear();
    click("ChannelSpinner", false);
    EXPECT_EQ(text("VolumeLabel"), QStringLiteral(" 音量 101"));
    EXPECT_EQ(text("PanLabel"), QStringLiteral(" 声道 -01"));
    EXPECT_EQ(text("ReverbLabel"), QStringLiteral(" 混响 001"));
    EXPECT_EQ(text("ChorusLabel"), QStringLiteral(" 合声 001"));
    EXPECT_EQ(text("ModulationLabel"), QStringLiteral(" 颤音 001"));
    EXPECT_TRUE(checked("SustainBox"));
    EXPECT_TRUE(checked("MuteBox"));
    EXPECT_EQ(messages(), (Messages{controlChangeMessage(0, 7, 101), controlChangeMessage(0, 10, 63),
                                        controlChangeMessage(0, 91, 1), controlChangeMessage(0, 93, 1),
                                        controlChangeMessage(0, 1, 1), controlChangeMessage(0, 64, 127)}));
    EXPECT_TRUE(notesOfKey(Qt::Key_D).empty()) << "channel 1 is still muted";

    // Unticking the box unmutes the channel it shows.
    click("MuteBox");
    EXPECT_FALSE(notesOfKey(Qt::Key_D).empty());
}

// The chord arrows reach every chord type the way a player steps through
// them (down from the default to the single note, up again past the skipped
// types 1 and 2, on to the octave), and D then sounds the chord the label
// names, built on its root, note 48. "单音" is selected exactly while the
// single note is.
TEST_F(PanelRulesTest, ChordArrowsReachEveryChordAndEachSoundsItsIntervals)
{
    const auto& spellings = test::chordSpellings();
    const struct {
        bool up;
        int type;
    } steps[] = {{false, 2}, {false, 1}, {false, 0}, {true, 3}, {true, 4}, {true, 5},
                 {true, 6},  {true, 7},  {true, 8},  {true, 9}, {true, 10}, {true, 10}};
    for (const auto& step : steps) {
        click("ChordSpinner", step.up);
        const test::ChordSpelling& chord = spellings[static_cast<std::size_t>(step.type)];
        EXPECT_EQ(text("ChordLabel").toStdString(), chord.label);
        EXPECT_EQ(child<QRadioButton>("SingleNoteOption")->isChecked(), step.type == 0) << chord.label;
        EXPECT_EQ(child<QRadioButton>("ChordOption")->isChecked(), step.type != 0) << chord.label;
        Messages expected;
        for (int interval : chord.intervals)
            expected.push_back(noteOnMessage(0, 48 + interval));
        EXPECT_EQ(notesOfKey(Qt::Key_D), expected) << chord.label;
    }
}

// File > New from another channel, with settings changed there and on the
// chord and octave arrows: the 112 messages of the reset, then the controls
// move to channel 0 and send, on channel 0, each controller whose shown value
// differs from its reset value. Every control then shows channel 0's reset.
TEST_F(PanelRulesTest, FileNewResetsEveryChannelAndShowsChannelZero)
{
    for (int i = 0; i < 4; ++i)
        click("ChannelSpinner", true);
    click("VolumeSpinner", false);
    click("PanSpinner", true);
    click("SustainBox");
    click("MuteBox");
    for (int i = 0; i < 3; ++i)
        click("ChordSpinner", false);
    click("OctaveSpinner", true);
    ASSERT_TRUE(child<QRadioButton>("SingleNoteOption")->isChecked());

    messages().clear();
    child<QAction>("NewItem")->trigger();
    Messages expected = test::resetBurst();
    for (auto [controller, value] : {std::pair{7, 100}, {10, 64}, {64, 0}})
        expected.push_back(controlChangeMessage(0, controller, value));
    EXPECT_EQ(messages(), expected);

    EXPECT_EQ(text("ChannelLabel"), QStringLiteral(" 效果 01"));
    EXPECT_EQ(text("VolumeLabel"), QStringLiteral(" 音量 100"));
    EXPECT_EQ(text("PanLabel"), QStringLiteral(" 声道 00"));
    EXPECT_EQ(text("ChordLabel"), QStringLiteral(" Major 7th"));
    EXPECT_EQ(text("OctaveLabel"), QStringLiteral(" 八度音程 0"));
    EXPECT_EQ(text("InstrumentLabel"), QStringLiteral("大钢琴"));
    EXPECT_FALSE(checked("SustainBox"));
    EXPECT_FALSE(checked("MuteBox"));
    EXPECT_TRUE(child<QRadioButton>("ChordOption")->isChecked());
    EXPECT_EQ(notesOfKey(Qt::Key_D), (Messages{noteOnMessage(0, 48), noteOnMessage(0, 52), noteOnMessage(0, 55),
                                               noteOnMessage(0, 59)}));
}

}  // namespace
}  // namespace kelodi
