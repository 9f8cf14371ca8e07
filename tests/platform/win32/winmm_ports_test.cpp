// The WinMM backend against the system's real multimedia API (under Wine in
// the cross build). Wine without an ALSA sequencer offers no MIDI device, so
// there the tests check what a machine without devices must do.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include "core/midi/short_message.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/soundfont_search.h"
#include "platform/midi/system_ports.h"

namespace kelodi {
namespace {

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

TEST(WinMMPorts, TheMapperOpensAndTakesMessagesWhereThereIsADevice)
{
    MidiDeviceCatalog catalog(nullptr, createSystemPorts(), {});
    if (catalog.count() == 0) {
        // With nothing behind it the mapper refuses to open, and saying so
        // is all that happens.
        EXPECT_EQ(catalog.open(MidiMapperId), nullptr);
        GTEST_SKIP() << "the system has no MIDI output device";
    }
    std::unique_ptr<MidiOut> port = catalog.open(MidiMapperId);
    ASSERT_NE(port, nullptr);
    port->send(noteOnMessage(0, 60));
    port->send(noteOffMessage(0, 60));
    port->reset();
    port->close();
    port->close();  // a second close does nothing
    port->send(noteOnMessage(0, 60));  // nor does sending on a closed port
}

}  // namespace
}  // namespace kelodi
