// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/midi/midi_device.h"
#include "core/midi/midi_out.h"
#include "core/recording/song_export.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/synth_diagnosis.h"

namespace kelodi {

struct SynthOptions {
    std::string soundFont;    // path of the SoundFont to load (UTF-8)
    std::string audioDriver;  // FluidSynth driver to use; empty = the first that opens
    std::string audioFile;    // render into this WAV file instead of an audio device
};

// The embedded General MIDI synthesizer: one FluidSynth instance per process,
// shared by every port opened on it and kept alive while any port or device
// list holds it, so closing and reopening it does not load the SoundFont
// again.
//
// Start-up never waits for the SoundFont. A loader thread opens the audio
// output and then reads the SoundFont. FluidSynth holds the synth's API lock
// for the whole load, so until it is done no message goes near the synth:
// program changes, controllers and other channel state are kept in order and
// applied as soon as the load completes, and notes played meanwhile are
// dropped (there is nothing yet to sound them with).
class FluidSynthEngine : public std::enable_shared_from_this<FluidSynthEngine> {
public:
    // The process's synthesizer, started with options when none is alive;
    // a synth already alive is returned as it is, whatever options say.
    static std::shared_ptr<FluidSynthEngine> acquire(const SynthOptions& options);

    ~FluidSynthEngine();
    FluidSynthEngine(const FluidSynthEngine&) = delete;
    FluidSynthEngine& operator=(const FluidSynthEngine&) = delete;

    SoundFontState state() const;
    const std::string& soundFontPath() const;
    // "file" for the WAV renderer, otherwise the FluidSynth driver that opened;
    // empty until (or unless) one has.
    std::string audioOutput() const;
    // Why the synth cannot play, when it cannot: the drivers tried and what
    // each said, or the file that failed.
    SynthDiagnosis diagnosis() const;

    // Waits until the load has ended; true when the SoundFont is loaded.
    bool waitForLoad(std::chrono::milliseconds timeout);

    // Calls listener once, on the loader thread, when the load ends (true when
    // loaded), or at once on the caller's thread when it already has. After
    // removeListeners(owner) returns, none of owner's listeners runs again.
    // A listener may drop its reference to the engine, the last one included.
    void addLoadListener(const void* owner, std::function<void(bool)> listener);
    void removeListeners(const void* owner);

    MidiDeviceCaps caps() const;

    // A port on the synth; nullptr when no audio output opened or the
    // SoundFont failed to load. Waits for the audio output, not the load.
    std::unique_ptr<MidiOut> open();

    // Channel messages from ports (any status byte; malformed ones are
    // dropped).
    void send(std::uint32_t message);
    // All sounds off and sustain off on every channel.
    void silence();
    // Brings the WAV file's header up to date (a port was closed); the file
    // keeps growing while the synth runs.
    void finaliseAudioFile();

    // Current program and controller value of a channel, -1 before the load.
    int channelProgram(int channel) const;
    int channelControl(int channel, int controller) const;

    // How much audio an output driver is asked to buffer: `periods` blocks of
    // `periodFrames` frames each.
    struct Buffering {
        int periodFrames;
        int periods;
    };
    static Buffering bufferingFor(const std::string& driver);

    // Audio drivers this FluidSynth build offers.
    static std::vector<std::string> availableAudioDrivers();

    // FluidSynth, the audio output and the loader thread, all in the .cpp.
    struct Impl;

private:
    friend struct SynthLoadGate;
    explicit FluidSynthEngine(SynthOptions options);
    static std::shared_ptr<FluidSynthEngine> acquire(const SynthOptions& options,
                                                     std::function<void()> beforeSoundFontLoad);

    std::unique_ptr<Impl> m_impl;
};

}  // namespace kelodi
