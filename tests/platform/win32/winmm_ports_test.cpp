// SPDX-License-Identifier: GPL-3.0-or-later
// The WinMM backend against the system's real multimedia API (under Wine in
// the cross build, whose test prefix offers the devices of the tests'
// loopback MIDI driver; one by default).
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/midi/midi_in.h"
#include "core/midi/short_message.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/soundfont_search.h"
#include "platform/midi/system_inputs.h"
#include "platform/midi/system_ports.h"

namespace kelodi {
namespace {

// What the loopback driver (tests/windows/loopback_midi_driver.cpp) writes
// down for the devices while this lives: one line per call, the time left
// out. The driver reads its log's name from the environment at each call.
class LoopbackLog {
public:
    LoopbackLog()
        : m_path(std::filesystem::temp_directory_path() /
                 ("kelodi-loopback-" + std::to_string(GetCurrentProcessId()) + ".log"))
    {
        std::filesystem::remove(m_path);
        SetEnvironmentVariableW(L"KELODI_LOOPBACK_LOG", m_path.c_str());
    }
    ~LoopbackLog()
    {
        SetEnvironmentVariableW(L"KELODI_LOOPBACK_LOG", nullptr);
        std::filesystem::remove(m_path);
    }

    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        std::ifstream in(m_path);
        for (std::string line; std::getline(in, line);)
            out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }

private:
    std::filesystem::path m_path;
};

bool hasLoopbackDevice(const MidiDeviceCatalog& catalog)
{
    return catalog.count() > 0 && catalog.deviceName(0).rfind("Kelodi Loopback", 0) == 0;
}

TEST(WinMMPorts, ListsEveryDeviceTheSystemCountsInItsOrder)
{
    const std::unique_ptr<SystemPorts> ports = createSystemPorts();
    EXPECT_EQ(ports->apiName(), "WinMM");
    EXPECT_TRUE(ports->hasMapper());
    const std::vector<SystemPortInfo> list = ports->list();
    ASSERT_EQ(list.size(), midiOutGetNumDevs());
    for (UINT id = 0; id < list.size(); ++id) {
        MIDIOUTCAPSA raw{};
        if (midiOutGetDevCapsA(id, &raw, sizeof raw) != MMSYSERR_NOERROR)
            continue;
        EXPECT_EQ(list[id].caps.manufacturerId, raw.wMid) << "device " << id;
        EXPECT_EQ(list[id].caps.technology, raw.wTechnology) << "device " << id;
        EXPECT_EQ(list[id].caps.channelMask, raw.wChannelMask) << "device " << id;
    }
}

TEST(WinMMPorts, TheMapperIsTheSystemsOwnAndTheDevicesKeepTheirNumbers)
{
    MidiDeviceCatalog catalog(nullptr, createSystemPorts(), {});
    EXPECT_EQ(catalog.portApi(), "WinMM");
    EXPECT_FALSE(catalog.synthAvailable());
    EXPECT_EQ(catalog.count(), static_cast<int>(midiOutGetNumDevs()));

    // Device -1 reports what the system reports for MIDI_MAPPER, or nothing
    // when the system cannot tell (no device behind it).
    MIDIOUTCAPSA raw{};
    const MidiDeviceCaps mapper = catalog.caps(MidiMapperId);
    if (midiOutGetDevCapsA(MIDI_MAPPER, &raw, sizeof raw) == MMSYSERR_NOERROR) {
        EXPECT_EQ(mapper.technology, raw.wTechnology);
        EXPECT_EQ(mapper.channelMask, raw.wChannelMask);
    } else {
        EXPECT_EQ(mapper.productName, "");
        EXPECT_EQ(mapper.channelMask, 0);
    }
    EXPECT_EQ(catalog.open(catalog.count()), nullptr);
    EXPECT_EQ(catalog.caps(catalog.count()).productName, "");
}

// A build without FluidSynth says that it has no synthesizer, not that a
// SoundFont is missing (there would be no point in installing one), and
// ignores a SoundFont it is given.
TEST(WinMMPorts, ABuildWithoutTheSynthSaysSoAndListsTheSystemsDevicesOnly)
{
    if (hasEmbeddedSynth())
        GTEST_SKIP() << "this build has the embedded synthesizer";
    for (const std::string soundFont : {"", "C:\\GM.sf2"}) {
        MidiSetup setup;
        setup.soundFont = soundFont;
        const std::unique_ptr<MidiDeviceCatalog> devices = createMidiDeviceList(setup);
        EXPECT_EQ(devices->synthProblem(), "this build has no embedded synthesizer") << soundFont;
        EXPECT_FALSE(devices->synthAvailable());
        EXPECT_EQ(devices->count(), static_cast<int>(midiOutGetNumDevs()));
    }
}

// With nothing behind it the mapper refuses to open, and saying so is all
// that happens. (Under Wine: play_wine.sh, which can take the devices away.)
TEST(WinMMPorts, TheMapperOfASystemWithoutDevicesDoesNotOpen)
{
    MidiDeviceCatalog catalog(nullptr, createSystemPorts(), {});
    if (catalog.count() != 0)
        GTEST_SKIP() << "the system has a MIDI output device";
    EXPECT_EQ(catalog.open(MidiMapperId), nullptr);
}

// Each message reaches the device as its four bytes, lowest first, by
// number and through the mapper; a word no port can carry never leaves, and
// a closed port sends nothing.
TEST(WinMMPorts, ADeviceGetsEachMessageAsItsBytesAndNothingAPortCannotCarry)
{
    MidiDeviceCatalog catalog(nullptr, createSystemPorts(), {});
    if (!hasLoopbackDevice(catalog))
        GTEST_SKIP() << "no loopback device (the test Wine prefix has one)";
    const LoopbackLog log;
    for (const int id : {0, MidiMapperId}) {
        std::unique_ptr<MidiOut> port = catalog.open(id);
        ASSERT_NE(port, nullptr) << "device " << id;
        port->send(noteOnMessage(0, 60));
        port->send(programChangeMessage(3, 9));
        port->send(controlChangeMessage(15, 64, 127));
        port->send(0x00643C);                                  // no status byte
        port->send(0x00C890);                                  // a data byte above 127
        port->send(noteOffMessage(0, 60));
        port->reset();
        port->close();
        port->close();
        port->send(noteOnMessage(0, 60));
        port->reset();
    }
    const std::vector<std::string> once = {"0 open",         "0 90 3C 64 00", "0 C3 09 00 00", "0 BF 40 7F 00",
                                           "0 80 3C 00 00", "0 reset",       "0 close"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    // Wine's mapper passes a reset on once for each channel it maps.
    std::vector<std::string> lines = log.lines();
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    EXPECT_EQ(lines, twice);
}

// The loopback's input twin of output device 0 hands each message sent to
// the output to the handler, as its bytes; after close() nothing more comes,
// and an input that is not there does not open.
TEST(WinMMPorts, AnInputDeliversWhatItsKeyboardSendsUntilClosed)
{
    const std::unique_ptr<MidiInputList> inputs = createMidiInputList();
    EXPECT_EQ(inputs->apiName(), "WinMM");
    const std::vector<std::string> names = inputs->names();
    ASSERT_EQ(names.size(), midiInGetNumDevs());
    if (names.empty() || names[0] != "Kelodi Loopback In Caf\xC3\xA9")
        GTEST_SKIP() << "no loopback input (the test Wine prefix has one)";
    EXPECT_EQ(inputs->open("Kelodi Loopback In 9", [](const std::uint8_t*, std::size_t) {}), nullptr);

    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> received;
    std::unique_ptr<MidiIn> in = inputs->open(names[0], [&](const std::uint8_t* bytes, std::size_t length) {
        std::lock_guard lock(mutex);
        received.emplace_back(bytes, bytes + length);
    });
    ASSERT_NE(in, nullptr);
    EXPECT_FALSE(in->disconnected());

    HMIDIOUT keyboard = nullptr;
    ASSERT_EQ(midiOutOpen(&keyboard, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    midiOutShortMsg(keyboard, 0x25'3C'99);  // note-on, channel 10, velocity 37
    midiOutShortMsg(keyboard, 0x40'00'E3);  // pitch bend
    midiOutShortMsg(keyboard, 0x00'05'C0);  // program change: two bytes
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard lock(mutex);
            if (received.size() >= 3)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    in->close();
    midiOutShortMsg(keyboard, 0x00'3C'89);
    midiOutClose(keyboard);
    std::lock_guard lock(mutex);
    EXPECT_EQ(received, (std::vector<std::vector<std::uint8_t>>{{0x99, 0x3C, 0x25}, {0xE3, 0x00, 0x40}, {0xC0, 0x05}}));
}

}  // namespace
}  // namespace kelodi
