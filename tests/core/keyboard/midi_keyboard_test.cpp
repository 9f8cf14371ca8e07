// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "core/keyboard/keyboard_rig.h"
#include "core/keyboard/midi_keyboard.h"
#include "core/midi/midi_byte_parser.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;

constexpr ShortMessage wire(int status, int data1, int data2 = 0)
{
    return static_cast<ShortMessage>(status | (data1 << 8) | (data2 << 16));
}

struct MidiKeyboardTest : ::testing::Test {
    test::KeyboardRig rig;
    MidiKeyboard keyboard{rig.midi.port, rig.panel, rig.keys};
};

// The keyboard plays on channel 10 (wire 0x99); the panel is on channel 4.
TEST_F(MidiKeyboardTest, NotesKeepTheirVelocityAndGoToThePanelsChannelAsTheKeysPressAndRelease)
{
    rig.panel.selectChannel(3);
    rig.messages().clear();
    keyboard.receive(wire(0x99, 60, 37));
    EXPECT_EQ(rig.messages(), Messages{wire(0x93, 60, 37)}) << "one note, velocity 37, no chord";
    EXPECT_EQ(rig.view.colours, (std::map<int, std::uint32_t>{{24, KeyColour::Red}}));
    EXPECT_EQ(rig.view.caption, "Kelodi 7.90  字符：; 琴键：c1 简谱：高音1");

    rig.panel.selectChannel(5);  // the release stops the note where it sounds
    keyboard.receive(wire(0x89, 60, 64));
    keyboard.receive(wire(0x99, 62, 90));
    keyboard.receive(wire(0x99, 62, 0));  // velocity 0: a note-off
    EXPECT_EQ(rig.messages(), (Messages{wire(0x93, 60, 37), wire(0x83, 60, 64), wire(0x95, 62, 90), wire(0x85, 62, 0)}));
    EXPECT_EQ(rig.view.colours, (std::map<int, std::uint32_t>{{24, KeyColour::White}, {26, KeyColour::White}}));
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{24, ReleaseMarker, 26, ReleaseMarker}));
    EXPECT_EQ(keyboard.soundingNotes(), 0);
}

TEST_F(MidiKeyboardTest, PedalWheelBendAndPressurePassEverythingElseIsDropped)
{
    rig.panel.selectChannel(2);
    rig.messages().clear();
    for (ShortMessage m : {wire(0xB0, 64, 127), wire(0xB0, 1, 40), wire(0xE0, 0x00, 0x50), wire(0xD0, 70),
                           wire(0xB0, 7, 10), wire(0xB0, 10, 0), wire(0xC0, 5), wire(0xA0, 60, 20), wire(0xB0, 123, 0),
                           wire(0xF8, 0), wire(0xB0, 64, 0)})
        keyboard.receive(m);
    EXPECT_EQ(rig.messages(), (Messages{wire(0xB2, 64, 127), wire(0xB2, 1, 40), wire(0xE2, 0x00, 0x50),
                                        wire(0xD2, 70), wire(0xB2, 64, 0)}));
}

TEST_F(MidiKeyboardTest, ReleaseAllStopsEveryNoteAndLiftsPedalBendAndPressure)
{
    keyboard.receive(wire(0x90, 60, 100));
    keyboard.receive(wire(0x90, 20, 50));  // below the keys
    keyboard.receive(wire(0x90, 64, 80));
    keyboard.receive(wire(0xB0, 64, 127));
    keyboard.receive(wire(0xE0, 0x7F, 0x7F));
    keyboard.receive(wire(0xD0, 30));
    rig.panel.selectChannel(1);
    keyboard.receive(wire(0x90, 60, 10));  // the same note again, now on channel 2
    rig.messages().clear();
    rig.recorder.events.clear();

    keyboard.releaseAll();
    EXPECT_EQ(rig.messages(), (Messages{wire(0x80, 20, 0), wire(0x81, 60, 0), wire(0x80, 64, 0), wire(0xB0, 64, 0),
                                        wire(0xE0, 0x00, 0x40), wire(0xD0, 0)}));
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{ReleaseMarker})) << "one release, as a sweep of the keys";
    EXPECT_EQ(rig.view.colours[24], KeyColour::White);
    EXPECT_EQ(rig.view.colours[28], KeyColour::White);
    EXPECT_EQ(keyboard.soundingNotes(), 0);
    rig.messages().clear();
    keyboard.receive(wire(0x80, 60, 0));  // the keyboard's late note-off finds nothing
    EXPECT_TRUE(rig.messages().empty());
}

TEST_F(MidiKeyboardTest, NotesOutsideTheKeysSoundButAreNotRecordedAndTheTakeIsToldOnce)
{
    rig.panel.setOctave(1);  // key 0 is note 48, key 43 note 91
    rig.recorder.take = 1;
    keyboard.receive(wire(0x90, 47, 90));
    EXPECT_EQ(rig.view.caption, "Kelodi 7.90  MIDI键盘弹的音超出了44个键，不录入");
    keyboard.receive(wire(0x90, 48, 90));
    keyboard.receive(wire(0x90, 91, 90));
    keyboard.receive(wire(0x90, 92, 90));
    EXPECT_EQ(rig.view.caption, "Kelodi 7.90  字符：B 琴键：g2 简谱：超高音5") << "told once a take";
    for (int note : {47, 48, 91, 92})
        keyboard.receive(wire(0x80, note, 0));
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{0, 43, ReleaseMarker, ReleaseMarker}));
    EXPECT_EQ(rig.messages().size(), 8u) << "every note sounds";
    EXPECT_EQ(rig.view.colours, (std::map<int, std::uint32_t>{{0, KeyColour::White}, {43, KeyColour::White}}));

    rig.recorder.take = 2;
    keyboard.receive(wire(0x90, 20, 90));
    EXPECT_EQ(rig.view.caption, "Kelodi 7.90  MIDI键盘弹的音超出了44个键，不录入") << "a new take is told again";
}

TEST_F(MidiKeyboardTest, AMutedChannelSoundsAndLightsNothingButTheKeyStillCounts)
{
    rig.panel.setMute(true);
    keyboard.receive(wire(0x90, 60, 90));
    keyboard.receive(wire(0x80, 60, 0));
    EXPECT_TRUE(rig.messages().empty());
    EXPECT_TRUE(rig.view.colours.empty());
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{24, ReleaseMarker}));
}

TEST_F(MidiKeyboardTest, AnyOctaveCountsANoteAsTheAwaitedKeyOfItsPitchClass)
{
    std::vector<int> awaited{26, 31};  // D and G of the middle octave
    keyboard.setAwaitedKeys([&] { return awaited; });
    keyboard.receive(wire(0x90, 98, 90));  // a D far above the keys
    keyboard.receive(wire(0x90, 84, 90));  // a C: nothing awaited of its class
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{})) << "off: the D is outside, the C outside";
    keyboard.setAnyOctave(true);
    keyboard.receive(wire(0x90, 86, 90));
    keyboard.receive(wire(0x90, 43, 90));
    keyboard.receive(wire(0x90, 61, 90));
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{26, 31, 25}));
    EXPECT_EQ(rig.messages().back(), wire(0x90, 61, 90)) << "the note itself sounds as played";
}

// A device that takes a while over each message, as a busy server may: the
// threads sending to it meet at the port's lock again and again.
struct SlowDevices : MidiDeviceList {
    struct Out : MidiOut {
        explicit Out(std::vector<ShortMessage>& sent) : sent(sent) {}
        void send(ShortMessage message) override
        {
            sent.push_back(message);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        void reset() override {}
        void close() override {}
        std::vector<ShortMessage>& sent;
    };
    int count() const override { return 1; }
    MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<MidiOut> open(int) override { return std::make_unique<Out>(sent); }
    std::vector<ShortMessage> sent;
};

// The input port's thread plays notes and the pedal while the window thread
// releases everything again and again and shows what was handed over. Once
// the notes stop and a last releaseAll has run, nothing sounds on the device,
// the pedal is up and no key is lit.
TEST_F(MidiKeyboardTest, ReleaseAllRacingIncomingNotesLeavesNothingSounding)
{
    SlowDevices devices;
    MidiPort port(devices);
    ASSERT_TRUE(port.open(MidiMapperId));
    MidiKeyboard raced(port, rig.panel, rig.keys);
    std::mutex handOverMutex;
    std::vector<MidiKeyboard::KeyNote> handOver;
    std::atomic<bool> done{false};
    std::thread input([&] {
        for (int i = 0; i < 1000; ++i) {
            for (ShortMessage m : {wire(0x90, 40 + i % 48, 1 + i % 127), wire(0xB0, 64, 127)}) {
                if (const auto note = raced.play(m)) {
                    std::lock_guard lock(handOverMutex);
                    handOver.push_back(*note);
                }
            }
        }
        done = true;
    });
    const auto showHandedOver = [&] {
        std::vector<MidiKeyboard::KeyNote> notes;
        {
            std::lock_guard lock(handOverMutex);
            notes.swap(handOver);
        }
        for (const MidiKeyboard::KeyNote& note : notes)
            raced.show(note);
    };
    while (!done) {
        raced.releaseAll();
        showHandedOver();
        std::this_thread::sleep_for(std::chrono::microseconds(100));  // the window's other work
    }
    input.join();
    raced.releaseAll();
    showHandedOver();

    std::map<int, bool> onDevice;  // note -> sounding, as a synthesizer keeps it
    int pedal = 0;
    for (ShortMessage m : devices.sent) {
        if ((m & 0xF0) == 0x90 || (m & 0xF0) == 0x80)
            onDevice[dataByte1(m)] = (m & 0xF0) == 0x90 && dataByte2(m) != 0;
        else if ((m & 0xFF) == 0xB0 && dataByte1(m) == 64)
            pedal = dataByte2(m);
    }
    for (const auto& [note, sounding] : onDevice)
        EXPECT_FALSE(sounding) << "note " << note;
    EXPECT_EQ(pedal, 0);
    EXPECT_EQ(raced.soundingNotes(), 0);
    for (const auto& [key, colour] : rig.view.colours)
        EXPECT_NE(colour, KeyColour::Red) << "key " << key;
}

TEST(MidiByteParserTest, RunningStatusRealTimeAndBrokenMessages)
{
    const std::vector<std::uint8_t> stream{
        0x3C, 0x40,              // data with no status: dropped
        0x91, 0x3C, 0xF8, 0x40,  // clock inside a note-on: the note-on stays whole
        0x3E, 0x41,              // running status
        0xFE, 0x40, 0x00,        // active sensing, then running status again
        0x92, 0x30,              // cut short by the next status
        0xC3, 0x05, 0x06,        // a program change, and one more by running status
        0xF0, 0x7E, 0x01, 0xF7,  // system exclusive, skipped
        0x10, 0x20,              // running status ended by it
        0xF2, 0x01, 0x02,        // song position, skipped
        0xE4, 0x00, 0x40,
        0x80, 0x3C};             // truncated at the end
    MidiByteParser parser;
    Messages out;
    for (std::uint8_t byte : stream)
        if (auto m = parser.feed(byte))
            out.push_back(*m);
    EXPECT_EQ(out, (Messages{wire(0x91, 0x3C, 0x40), wire(0x91, 0x3E, 0x41), wire(0x91, 0x40, 0x00), wire(0xC3, 0x05),
                             wire(0xC3, 0x06), wire(0xE4, 0x00, 0x40)}));
}

}  // namespace
}  // namespace kelodi
