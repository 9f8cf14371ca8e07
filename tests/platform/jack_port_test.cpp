// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <thread>

#include "core/midi/midi_port.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/system_ports.h"
#include "platform/jack_midi_dump.h"

namespace kelodi {
namespace {

using test::JackMidiDump;
using test::wireBytes;

class JackPorts : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ports = createSystemPorts();
        if (m_ports->apiName() != "JACK")
            GTEST_SKIP() << "system ports use " << m_ports->apiName() << ", not JACK";
        if (!JackWatch::acquire())
            GTEST_SKIP() << "no JACK server runs (scripts/run-tests starts one)";
        // No synth: only the ports matter here, and ids start at 0 with them.
        m_setup.soundFont = "/nonexistent.sf2";
    }

    std::string uniqueName(const char* role) const
    {
        return std::string("kelodi-test-") + role + "-" + std::to_string(::getpid());
    }

    static int idOf(const MidiDeviceCatalog& devices, const std::string& name)
    {
        for (int id = 0; id < devices.count(); ++id)
            if (devices.deviceName(id) == name)
                return id;
        return -1;
    }

    std::unique_ptr<SystemPorts> m_ports;
    MidiSetup m_setup;
};

// What the keyboard sends when it switches to a device: every channel's
// program, five controllers and sustain, 112 messages.
std::vector<ShortMessage> channelRestore()
{
    std::vector<ShortMessage> burst;
    for (int channel = 0; channel < 16; ++channel) {
        burst.push_back(programChangeMessage(channel, (channel * 7) % 128));
        burst.push_back(controlChangeMessage(channel, Controller::Volume, 100));
        burst.push_back(controlChangeMessage(channel, Controller::Pan, 64));
        burst.push_back(controlChangeMessage(channel, Controller::Reverb, channel));
        burst.push_back(controlChangeMessage(channel, Controller::Chorus, 0));
        burst.push_back(controlChangeMessage(channel, Controller::Modulation, 0));
        burst.push_back(controlChangeMessage(channel, Controller::Sustain, channel == 3 ? 127 : 0));
    }
    return burst;
}

TEST_F(JackPorts, BurstRightAfterOpeningAndResetArriveByteForByteInOrder)
{
    JackMidiDump dump(uniqueName("dump"));
    ASSERT_TRUE(dump.waitForPort(*m_ports)) << "jack_midi_dump did not start";
    auto devices = createMidiDeviceList(m_setup);
    EXPECT_EQ(devices->portApi(), "JACK");
    const int id = idOf(*devices, dump.port());
    ASSERT_GE(id, 0) << dump.port() << " is not listed";
    EXPECT_EQ(devices->caps(id).technology, MidiTechnology::MidiPort);
    EXPECT_EQ(devices->caps(id).channelMask, 0xFFFF);

    std::vector<ShortMessage> expected = channelRestore();
    {
        MidiPort port(*devices);
        ASSERT_TRUE(test::openPatiently([&] { return port.open(id); }));
        for (ShortMessage m : expected)
            port.sendShortMessage(m);
        port.sendNoteOn(0, 60);
        port.sendNoteOn(0, 64);
        port.sendNoteOn(0, 67);
        port.sendNoteOff(0, 60);
        port.reset();
        port.close();
    }
    for (ShortMessage m : {noteOnMessage(0, 60), noteOnMessage(0, 64), noteOnMessage(0, 67), noteOffMessage(0, 60),
                           // reset: the notes still down, the pedal still held, then every channel
                           noteOffMessage(0, 64), noteOffMessage(0, 67), controlChangeMessage(3, 64, 0)})
        expected.push_back(m);
    for (int channel = 0; channel < 16; ++channel) {
        expected.push_back(controlChangeMessage(channel, Controller::Sustain, 0));
        expected.push_back(controlChangeMessage(channel, 123, 0));
    }

    std::vector<std::vector<int>> expectedBytes;
    for (ShortMessage m : expected)
        expectedBytes.push_back(wireBytes(m));
    const auto received = dump.events(expectedBytes.size());
    ASSERT_EQ(received.size(), expectedBytes.size());
    for (std::size_t i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i], expectedBytes[i]) << "message " << i;
}

TEST_F(JackPorts, ClosingReleasesTheNotesItLeftOnAndSendingAfterwardsDoesNothing)
{
    JackMidiDump dump(uniqueName("close"));
    ASSERT_TRUE(dump.waitForPort(*m_ports));
    auto devices = createMidiDeviceList(m_setup);
    auto out = test::openPatiently([&] { return devices->open(idOf(*devices, dump.port())); });
    ASSERT_TRUE(out);
    out->send(noteOnMessage(1, 72));
    out->send(0x00803C90);  // a velocity byte with its top bit set: dropped
    out->close();
    out->send(noteOnMessage(1, 73));
    const std::vector<std::vector<int>> expected = {{0x91, 72, 100}, {0x81, 72, 0}};
    EXPECT_EQ(dump.events(expected.size()), expected);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(dump.events(expected.size()), expected) << "something arrived after the close";
}

TEST_F(JackPorts, OpensPortsByTheNameTheyWereListedWith)
{
    JackMidiDump first(uniqueName("first"));
    ASSERT_TRUE(first.waitForPort(*m_ports));
    JackMidiDump second(uniqueName("second"));
    ASSERT_TRUE(second.waitForPort(*m_ports));
    auto devices = createMidiDeviceList(m_setup);
    const int firstId = idOf(*devices, first.port());
    const int secondId = idOf(*devices, second.port());
    ASSERT_GE(firstId, 0);
    ASSERT_GE(secondId, 0);

    first.stop();
    ASSERT_TRUE(first.waitForPort(*m_ports, false)) << "the first port did not go away";

    // The port that vanished does not open, and no other port opens in its
    // place, even though the positions in the system's list have moved.
    EXPECT_EQ(devices->open(firstId), nullptr);
    auto out = test::openPatiently([&] { return devices->open(secondId); });
    ASSERT_TRUE(out);
    out->send(programChangeMessage(4, 9));
    out->close();
    const std::vector<std::vector<int>> expected = {{0xC4, 9}};
    EXPECT_EQ(second.events(1), expected);
}

}  // namespace
}  // namespace kelodi
