// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/midi/midi_device.h"
#include "platform/midi/midi_output_status.h"
#include "platform/midi/synth_diagnosis.h"

namespace kelodi {

class FluidSynthEngine;
class SystemPorts;

// How the program wants its MIDI output set up; everything may stay empty.
struct MidiSetup {
    std::string programFolder;  // where a "soundfont" folder is looked for (UTF-8)
    std::string soundFont;      // a SoundFont to use instead of searching for one
    std::string audioDriver;    // FluidSynth audio driver; empty = the first that opens
    std::string audioFile;      // render the synth into this WAV file instead of a device
};

enum class SoundFontState {
    None,     // no SoundFont: there is no embedded synthesizer
    Loading,  // being read in the background
    Loaded,
    Failed,   // it could not be loaded, or no audio output opened
};

// The machine's MIDI outputs, read when the list is created and at refresh().
//
// Outside Windows: device -1 (the mapper) and device 0 are the embedded
// synthesizer, devices 1.. the system's MIDI output ports (the ALSA sequencer,
// or JACK where there is none). Without a SoundFont there is no synthesizer:
// the system ports are then devices 0.., and the mapper opens device 0.
// On Windows: device -1 is the system's MIDI mapper, devices 0.. the WinMM
// output devices, and the embedded synthesizer, when a SoundFont is found,
// comes last.
class MidiDeviceCatalog : public MidiDeviceList, public MidiOutputStatus {
public:
    MidiDeviceCatalog(std::shared_ptr<FluidSynthEngine> synth, std::unique_ptr<SystemPorts> ports,
                      SynthDiagnosis missingSynth = {});
    ~MidiDeviceCatalog() override;
    MidiDeviceCatalog(const MidiDeviceCatalog&) = delete;
    MidiDeviceCatalog& operator=(const MidiDeviceCatalog&) = delete;

    int count() const override;
    MidiDeviceCaps caps(int id) const override;
    std::unique_ptr<MidiOut> open(int id) override;
    void refresh() override;

    // The full name a device was listed with (the caps hold it cut to 31 bytes).
    std::string deviceName(int id) const override;

    // The embedded synthesizer.
    bool synthAvailable() const override { return m_synth != nullptr; }
    int synthDeviceId() const;  // -2 when there is none
    std::string soundFontPath() const override;
    SoundFontState soundFontState() const;
    // Waits until the SoundFont has loaded (true) or failed or the time is up
    // (false). Messages sent before then are not lost: channel state is kept
    // and applied when the load completes.
    bool waitForSoundFont(std::chrono::milliseconds timeout) const;
    // Calls done(loaded) once when the load ends: on the loader thread, or at
    // once when it already has (also when there is no synth: done(false)).
    // Not called after the catalog is destroyed.
    void onSoundFontLoaded(std::function<void(bool)> done);
    // The synth's audio output: a FluidSynth driver name, "file", or empty.
    std::string audioOutput() const;
    // Why the synthesizer is missing or cannot play; empty when all is well.
    std::string synthProblem() const;
    // The same as data: where a SoundFont was looked for, which audio drivers
    // were tried and what each answered.
    SynthDiagnosis synthDiagnosis() const override;

    // The MIDI layer the system ports come from ("ALSA", "JACK", "WinMM"; empty
    // when none).
    std::string portApi() const;

private:
    struct Entry {
        bool synth = false;
        std::string name;
        int occurrence = 0;  // among earlier entries of the same name
        MidiDeviceCaps caps;
    };
    const Entry* entry(int id) const;
    void listEntries();

    std::shared_ptr<FluidSynthEngine> m_synth;
    std::unique_ptr<SystemPorts> m_ports;
    SynthDiagnosis m_missingSynth;
    std::vector<Entry> m_entries;
    bool m_systemMapper = false;
};

// Finds the SoundFont, starts the embedded synthesizer (its SoundFont loads in
// the background; this returns at once) and reads the list of system ports.
std::unique_ptr<MidiDeviceCatalog> createMidiDeviceList(const MidiSetup& setup);

// Audio drivers the embedded synthesizer can use in this build.
std::vector<std::string> availableAudioDrivers();

}  // namespace kelodi
