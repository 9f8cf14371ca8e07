// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/device_menu.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/fakes/recording_midi.h"
#include "core/midi/midi_port.h"

namespace kelodi {
namespace {

using test::RecordingDeviceList;

struct RecordingMenuView : DeviceMenuView {
    std::vector<std::pair<int, std::string>> added;
    std::map<int, bool> checked;
    std::vector<std::pair<std::string, std::string>> errors;  // title, text

    void addDeviceItem(int index, const std::string& caption) override { added.emplace_back(index, caption); }
    void setItemChecked(int index, bool on) override { checked[index] = on; }
    void showCriticalError(const std::string& title, const std::string& text) override
    {
        errors.emplace_back(title, text);
    }
    std::vector<int> tickedItems() const
    {
        std::vector<int> ticked;
        for (const auto& [index, on] : checked)
            if (on)
                ticked.push_back(index);
        return ticked;
    }
};

// Three devices; device 1 reports a name with garbage after its NUL.
class NamedDeviceList : public RecordingDeviceList {
public:
    NamedDeviceList() : RecordingDeviceList(3) {}
    MidiDeviceCaps caps(int id) const override
    {
        MidiDeviceCaps caps = RecordingDeviceList::caps(id);
        if (id == 1)
            caps.productName = std::string("Synth & Co\0XYZ", 14);
        return caps;
    }
};

// Seven messages per channel whose bytes name the channel, so a lost, doubled
// or reordered message shows in the comparison.
void sendKnownSettings(MidiPort& port, int channel)
{
    port.sendProgramChange(channel, 20 + channel);
    port.sendControlChange(channel, 7, 100 - channel);
    port.sendControlChange(channel, 10, 64 + channel);
    port.sendControlChange(channel, 91, channel);
    port.sendControlChange(channel, 93, 2 * channel);
    port.sendControlChange(channel, 1, 3 * channel);
    port.sendControlChange(channel, 64, channel % 2 ? 127 : 0);
}

std::vector<ShortMessage> expectedRestore()
{
    std::vector<ShortMessage> expected;
    for (std::uint32_t ch = 0; ch < 16; ++ch) {
        expected.push_back(0xC0 + ch + (20 + ch) * 0x100);
        expected.push_back(0xB0 + ch + 0x07 * 0x100 + (100 - ch) * 0x10000);
        expected.push_back(0xB0 + ch + 0x0A * 0x100 + (64 + ch) * 0x10000);
        expected.push_back(0xB0 + ch + 0x5B * 0x100 + ch * 0x10000);
        expected.push_back(0xB0 + ch + 0x5D * 0x100 + 2 * ch * 0x10000);
        expected.push_back(0xB0 + ch + 0x01 * 0x100 + 3 * ch * 0x10000);
        expected.push_back(0xB0 + ch + 0x40 * 0x100 + (ch % 2 ? 0x7F : 0) * 0x10000);
    }
    return expected;
}

class DeviceMenuTest : public ::testing::Test {
protected:
    DeviceMenuTest()
    {
        port.open(MidiMapperId);
        menu.fillDeviceMenu();
        devices.journal.clear();
    }

    NamedDeviceList devices;
    MidiPort port{devices};
    RecordingMenuView view;
    DeviceMenu menu{port, view, [this](int channel) { sendKnownSettings(port, channel); }};
};

TEST_F(DeviceMenuTest, FillListsTheMapperThenEveryDeviceAndTicksTheMapper)
{
    ASSERT_EQ(menu.itemCount(), 4);
    EXPECT_EQ(menu.caption(0), "MIDI映射表(&Y)");
    EXPECT_EQ(view.added, (std::vector<std::pair<int, std::string>>{
                              {1, "Test Port 0"}, {2, "Synth & Co"}, {3, "Test Port 2"}}));
    EXPECT_EQ(view.tickedItems(), std::vector<int>{0});
    EXPECT_EQ(menu.checkedDeviceId(), -1);

    menu.fillDeviceMenu();  // items are made once
    EXPECT_EQ(menu.itemCount(), 4);
    EXPECT_EQ(view.added.size(), 3u);
}

TEST_F(DeviceMenuTest, SwitchResetsClosesOpensAndRestoresAllChannelsInOrder)
{
    menu.switchMidiOutput(2);

    EXPECT_EQ(devices.journal.events, (std::vector<std::string>{"reset", "close", "open 1"}));
    EXPECT_EQ(devices.journal.messages.size(), 112u);
    EXPECT_EQ(devices.journal.messages, expectedRestore());
    EXPECT_EQ(devices.journal.messages.front(), 0x000014C0u);  // C0 14 00 00
    EXPECT_EQ(devices.journal.messages.back(), 0x007F40BFu);   // BF 40 7F 00
    EXPECT_EQ(view.tickedItems(), std::vector<int>{2});
    EXPECT_EQ(menu.checkedDeviceId(), 1);
    EXPECT_TRUE(view.errors.empty());
}

TEST_F(DeviceMenuTest, ChoosingTheTickedItemAgainReopensAndResends)
{
    menu.switchMidiOutput(1);
    devices.journal.clear();

    menu.switchMidiOutput(1);

    EXPECT_EQ(devices.journal.events, (std::vector<std::string>{"reset", "close", "open 0"}));
    EXPECT_EQ(devices.journal.messages, expectedRestore());
    EXPECT_EQ(view.tickedItems(), std::vector<int>{1});
}

TEST_F(DeviceMenuTest, DeviceThatRefusesLeavesPortClosedItemTickedAndSaysWhich)
{
    devices.refusingId = 1;

    menu.switchMidiOutput(2);

    EXPECT_EQ(devices.journal.events, (std::vector<std::string>{"reset", "close", "open-failed 1"}));
    EXPECT_TRUE(devices.journal.messages.empty());
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0].first, "Tinsyn - Error");
    EXPECT_EQ(view.errors[0].second, "Unable To Open Synth & Co");
    EXPECT_EQ(view.tickedItems(), std::vector<int>{2});

    // Sending meanwhile reaches nothing, and the next good choice recovers.
    port.sendNoteOn(0, 60);
    EXPECT_TRUE(devices.journal.messages.empty());
    menu.switchMidiOutput(0);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(devices.journal.messages, expectedRestore());
    EXPECT_EQ(view.tickedItems(), std::vector<int>{0});
}

TEST_F(DeviceMenuTest, FailingMapperNamesTheMapperCaptionWithItsAmpersand)
{
    devices.refusingId = MidiMapperId;
    menu.switchMidiOutput(0);
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0].second, "Unable To Open MIDI映射表(&Y)");
    EXPECT_FALSE(port.isOpen());
}

TEST_F(DeviceMenuTest, ADeviceThatGoesAwayClosesThePortAndIsReportedOnce)
{
    menu.switchMidiOutput(3);
    devices.journal.clear();
    menu.checkDevice();
    EXPECT_TRUE(view.errors.empty());

    devices.journal.deviceGone = true;
    menu.checkDevice();
    menu.checkDevice();
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0].first, "Tinsyn - Error");
    EXPECT_EQ(view.errors[0].second, "MIDI设备已断开，请在“MIDI设备”菜单中重新选择。");
    // Closed without a reset: nothing reaches a device that is gone.
    EXPECT_EQ(devices.journal.events, std::vector<std::string>{"close"});
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(view.tickedItems(), std::vector<int>{3});

    // Chosen again once it is back, it is watched again.
    devices.journal.deviceGone = false;
    menu.switchMidiOutput(3);
    EXPECT_TRUE(port.isOpen());
    devices.journal.deviceGone = true;
    menu.checkDevice();
    EXPECT_EQ(view.errors.size(), 2u);
}

TEST_F(DeviceMenuTest, IndexOutsideTheMenuChangesNothing)
{
    for (int index : {-1, 4, 100}) {
        menu.switchMidiOutput(index);
        EXPECT_TRUE(devices.journal.events.empty()) << index;
        EXPECT_EQ(view.tickedItems(), std::vector<int>{0});
        EXPECT_TRUE(port.isOpen());
    }
}

}  // namespace
}  // namespace kelodi
