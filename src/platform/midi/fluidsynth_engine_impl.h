// SPDX-License-Identifier: GPL-3.0-or-later
// The inside of FluidSynthEngine, shared by its two files: fluidsynth_out.cpp
// (the engine, its SoundFont load and its ports) and fluidsynth_audio.cpp
// (the audio output it plays through, or the WAV file it renders into).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fluidsynth.h>

#include "platform/midi/fluidsynth_out.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/wav_writer.h"

namespace kelodi {

// The JACK audio output, opened and closed under the JACK library lock (see
// jackLibraryLock). It holds the synth it renders, so that a close that is
// given up on and ends later still has it.
class JackAudioOutput {
public:
    JackAudioOutput(std::shared_ptr<fluid_settings_t> settings, std::shared_ptr<fluid_synth_t> synth)
        : m_settings(std::move(settings)), m_synth(std::move(synth))
    {
    }
    ~JackAudioOutput()
    {
        const auto library = jackLibraryLock();
        if (!m_driver)
            return;
        if (m_generation != jackClientGeneration()) {
            // libjack has freed its client: closing it would call freed memory.
            keepForGood(m_driver);
            return;
        }
        delete_fluid_audio_driver(m_driver);
    }
    JackAudioOutput(const JackAudioOutput&) = delete;
    JackAudioOutput& operator=(const JackAudioOutput&) = delete;

    // True when the output opened; what FluidSynth said goes to log.
    bool open(std::string& log);

private:
    std::shared_ptr<fluid_settings_t> m_settings;
    std::shared_ptr<fluid_synth_t> m_synth;
    fluid_audio_driver_t* m_driver = nullptr;
    std::uint64_t m_generation = 0;
};

struct FluidSynthEngine::Impl {
    Impl(FluidSynthEngine& owner, SynthOptions options);

    void load();
    // The audio output (fluidsynth_audio.cpp).
    bool startAudio();
    void renderToFile();
    void stopAudio();
    void finish(SoundFontState state);
    void setProblem(SynthDiagnosis diagnosis);
    SynthDiagnosis diagnosis() const;
    void send(std::uint32_t message);
    void stop();

    FluidSynthEngine& m_owner;
    SynthOptions m_options;
    // Runs on the loader thread after audio has opened, just before the
    // SoundFont is read; only tests set it, to act while the load is pending.
    std::function<void()> m_beforeSoundFontLoad;
    // The synth and its settings are shared with the JACK audio output, which
    // may outlive the engine (see JackAudioOutput); the raw pointers are for
    // use, the shared ones own.
    std::shared_ptr<fluid_settings_t> m_settingsHeld;
    std::shared_ptr<fluid_synth_t> m_synthHeld;
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_audio_driver_t* m_driver = nullptr;
    std::unique_ptr<JackAudioOutput> m_jackAudio;
    std::unique_ptr<WavWriter> m_wav;
    std::thread m_renderThread;
    std::atomic<bool> m_stopRender{false};
    bool m_sdlAudio = false;  // SDL's audio was started for the sdl2 driver

    std::thread m_loader;
    std::atomic<SoundFontState> m_state{SoundFontState::Loading};
    std::atomic<bool> m_loaded{false};

    mutable std::mutex m_mutex;  // guards what follows
    std::condition_variable m_changed;
    bool m_audioDecided = false;
    bool m_audioOpen = false;
    std::string m_audioOutput;
    SynthDiagnosis m_diagnosis;
    std::vector<std::uint32_t> m_pending;  // channel state sent before the load ended

    std::mutex m_listenerMutex;
    std::vector<std::pair<const void*, std::function<void(bool)>>> m_listeners;
};

// Sends FluidSynth's log to stderr, once per process.
void installLogFunctions();

}  // namespace kelodi
