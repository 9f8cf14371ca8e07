// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/fluidsynth_out.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/midi/fluidsynth_engine_impl.h"
#include "platform/midi/midi_wire.h"
#include "platform/midi/synth_dispatch.h"
#include "platform/midi/system_ports.h"

namespace kelodi {

namespace {

// Channel-state messages sent before the SoundFont has loaded are kept; a
// program that floods the synth meanwhile loses the surplus rather than
// growing without bound.
constexpr std::size_t MaxPending = 65536;

// Program, bank and controller changes, pressure and pitch bend: everything
// that changes how later notes sound. Notes themselves are not state.
bool isChannelState(std::uint32_t message)
{
    switch (statusByte(message) & 0xF0) {
    case 0xB0:
    case 0xC0:
    case 0xD0:
    case 0xE0: return true;
    default: return false;
    }
}

class FluidSynthOut : public MidiOut {
public:
    explicit FluidSynthOut(std::shared_ptr<FluidSynthEngine> engine) : m_engine(std::move(engine)) {}
    ~FluidSynthOut() override { close(); }

    void send(ShortMessage message) override
    {
        if (!m_engine || wireLength(message) == 0)
            return;
        m_notes.track(message);
        m_engine->send(message);
    }

    void reset() override
    {
        if (!m_engine)
            return;
        m_notes.clear();
        m_engine->silence();
    }

    // The synth keeps running for the next port, so the notes this port left
    // on are let go here; otherwise they would sound on after the close.
    void close() override
    {
        if (!m_engine)
            return;
        for (ShortMessage m : m_notes.releaseAll())
            m_engine->send(m);
        m_engine->finaliseAudioFile();
        m_engine.reset();
    }

private:
    std::shared_ptr<FluidSynthEngine> m_engine;
    SoundingNotes m_notes;
};

std::mutex g_engineMutex;
std::weak_ptr<FluidSynthEngine> g_engine;

}  // namespace

std::shared_ptr<FluidSynthEngine> FluidSynthEngine::acquire(const SynthOptions& options)
{
    return acquire(options, {});
}

std::shared_ptr<FluidSynthEngine> FluidSynthEngine::acquire(const SynthOptions& options,
                                                            std::function<void()> beforeSoundFontLoad)
{
    std::lock_guard lock(g_engineMutex);
    if (auto alive = g_engine.lock())
        return alive;
    std::shared_ptr<FluidSynthEngine> engine(new FluidSynthEngine(options));
    engine->m_impl->m_beforeSoundFontLoad = std::move(beforeSoundFontLoad);
    g_engine = engine;
    engine->m_impl->m_loader = std::thread([impl = engine->m_impl.get()] { impl->load(); });
    return engine;
}

FluidSynthEngine::FluidSynthEngine(SynthOptions options)
    : m_impl(std::make_unique<Impl>(*this, std::move(options)))
{
}

FluidSynthEngine::Impl::Impl(FluidSynthEngine& owner, SynthOptions options)
    : m_owner(owner), m_options(std::move(options))
{
    installLogFunctions();
#if !defined(_WIN32)
    // Where no JACK server runs, FluidSynth's JACK driver would try to start
    // one: seconds spent on sound hardware that is busy or absent, for a user
    // who never asked for JACK. A user who wants that can still set the
    // variable to 0.
    setenv("JACK_NO_START_SERVER", "1", 0);
#endif
    m_settingsHeld.reset(new_fluid_settings(), delete_fluid_settings);
    m_settings = m_settingsHeld.get();
    fluid_settings_setnum(m_settings, "synth.sample-rate", SampleRate);
    // Samples are read when a preset is first selected, not all at start:
    // start-up reads only the SoundFont's headers, and memory holds only the
    // instruments in use.
    fluid_settings_setint(m_settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(m_settings, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(m_settings, "audio.jack.id", "Kelodi");
    m_pending.reserve(1024);
}

FluidSynthEngine::~FluidSynthEngine()
{
    m_impl->stop();
}

void FluidSynthEngine::Impl::stop()
{
    // A load listener that drops the last reference runs on the loader
    // thread itself, which is then past the load and about to return.
    if (m_loader.joinable()) {
        if (m_loader.get_id() == std::this_thread::get_id())
            m_loader.detach();
        else
            m_loader.join();
    }
    stopAudio();
    m_synth = nullptr;
    m_synthHeld.reset();
    m_settings = nullptr;
    m_settingsHeld.reset();
}

void FluidSynthEngine::Impl::setProblem(SynthDiagnosis diagnosis)
{
    std::lock_guard lock(m_mutex);
    m_diagnosis = std::move(diagnosis);
}

SynthDiagnosis FluidSynthEngine::diagnosis() const
{
    return m_impl->diagnosis();
}

SynthDiagnosis FluidSynthEngine::Impl::diagnosis() const
{
    std::lock_guard lock(m_mutex);
    return m_diagnosis;
}

std::string FluidSynthEngine::audioOutput() const
{
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_audioOutput;
}

SoundFontState FluidSynthEngine::state() const
{
    return m_impl->m_state.load();
}

const std::string& FluidSynthEngine::soundFontPath() const
{
    return m_impl->m_options.soundFont;
}

void FluidSynthEngine::Impl::load()
{
    if (fluid_synth_t* synth = new_fluid_synth(m_settings))
        m_synthHeld.reset(synth, [settings = m_settingsHeld](fluid_synth_t* held) { delete_fluid_synth(held); });
    m_synth = m_synthHeld.get();
    if (!m_synth) {
        SynthDiagnosis problem;
        problem.problem = SynthDiagnosis::Problem::SynthFailed;
        setProblem(std::move(problem));
    }
    const bool audio = m_synth && startAudio();
    {
        std::lock_guard lock(m_mutex);
        m_audioDecided = true;
        m_audioOpen = audio;
    }
    m_changed.notify_all();
    if (!audio) {
        finish(SoundFontState::Failed);
        return;
    }
    if (m_beforeSoundFontLoad)
        m_beforeSoundFontLoad();
    if (fluid_synth_sfload(m_synth, m_options.soundFont.c_str(), 1) == FLUID_FAILED) {
        SynthDiagnosis problem;
        problem.problem = SynthDiagnosis::Problem::SoundFontFailed;
        problem.soundFont = m_options.soundFont;
        setProblem(std::move(problem));
        finish(SoundFontState::Failed);
        return;
    }
    finish(SoundFontState::Loaded);
}

void FluidSynthEngine::Impl::finish(SoundFontState state)
{
    {
        std::lock_guard lock(m_mutex);
        if (state == SoundFontState::Loaded) {
            // Still under the lock, so no sender slips a message in between
            // the queue and the switch to direct sending.
            for (std::uint32_t message : m_pending)
                dispatchToSynth(m_synth, message);
            m_loaded.store(true);
        }
        m_pending.clear();
        m_pending.shrink_to_fit();
        m_state.store(state);
    }
    m_changed.notify_all();

    // A listener may drop the last outside reference to the engine. This one
    // keeps it alive until the listeners have run and the lock is released;
    // the engine may then end here, on the loader thread, which touches
    // nothing of it afterwards. (None is left when the engine is already
    // being destroyed elsewhere; that destructor waits for this thread.)
    std::shared_ptr<FluidSynthEngine> self = m_owner.weak_from_this().lock();
    {
        std::lock_guard lock(m_listenerMutex);
        for (auto& entry : m_listeners)
            entry.second(state == SoundFontState::Loaded);
        m_listeners.clear();
    }
    self.reset();
}

bool FluidSynthEngine::waitForLoad(std::chrono::milliseconds timeout)
{
    Impl& d = *m_impl;
    std::unique_lock lock(d.m_mutex);
    d.m_changed.wait_for(lock, timeout, [&d] { return d.m_state.load() != SoundFontState::Loading; });
    return d.m_state.load() == SoundFontState::Loaded;
}

void FluidSynthEngine::addLoadListener(const void* owner, std::function<void(bool)> listener)
{
    Impl& d = *m_impl;
    std::unique_lock lock(d.m_listenerMutex);
    const SoundFontState now = d.m_state.load();
    if (now == SoundFontState::Loading) {
        d.m_listeners.emplace_back(owner, std::move(listener));
        return;
    }
    lock.unlock();
    listener(now == SoundFontState::Loaded);
}

void FluidSynthEngine::removeListeners(const void* owner)
{
    std::lock_guard lock(m_impl->m_listenerMutex);
    std::erase_if(m_impl->m_listeners, [owner](const auto& entry) { return entry.first == owner; });
}

MidiDeviceCaps FluidSynthEngine::caps() const
{
    MidiDeviceCaps caps;
    int major = 0;
    int minor = 0;
    int micro = 0;
    fluid_version(&major, &minor, &micro);
    caps.driverVersion = static_cast<std::uint32_t>(((major & 0xFF) << 8) | (minor & 0xFF));
    // Named after the SoundFont itself, not a generic link to it such as
    // default-GM.sf2.
    const std::string& soundFont = m_impl->m_options.soundFont;
    std::filesystem::path path(std::u8string(soundFont.begin(), soundFont.end()));
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    const std::u8string stemText = (error ? path : real).stem().u8string();
    const std::string stem(stemText.begin(), stemText.end());
    caps.productName = truncateProductName("FluidSynth " + stem);
    caps.technology = MidiTechnology::Synth;
    // Read from the settings rather than the synth: the synth's own getter
    // waits on the API lock the SoundFont load holds.
    int polyphony = 0;
    fluid_settings_getint(m_impl->m_settings, "synth.polyphony", &polyphony);
    caps.voices = caps.notes = static_cast<std::uint16_t>(std::clamp(polyphony, 0, 0xFFFF));
    int channels = ChannelCount;
    fluid_settings_getint(m_impl->m_settings, "synth.midi-channels", &channels);
    caps.channelMask = channels >= ChannelCount ? 0xFFFF : static_cast<std::uint16_t>((1u << channels) - 1);
    return caps;
}

std::unique_ptr<MidiOut> FluidSynthEngine::open()
{
    Impl& d = *m_impl;
    std::unique_lock lock(d.m_mutex);
    // Opening an audio device takes milliseconds; a device that hangs is not
    // waited for forever.
    d.m_changed.wait_for(lock, std::chrono::seconds(10), [&d] { return d.m_audioDecided; });
    if (!d.m_audioOpen || d.m_state.load() == SoundFontState::Failed)
        return nullptr;
    lock.unlock();
    return std::make_unique<FluidSynthOut>(shared_from_this());
}

void FluidSynthEngine::send(std::uint32_t message)
{
    m_impl->send(message);
}

void FluidSynthEngine::Impl::send(std::uint32_t message)
{
    if (m_loaded.load(std::memory_order_acquire)) {
        dispatchToSynth(m_synth, message);
        return;
    }
    std::unique_lock lock(m_mutex);
    if (m_loaded.load()) {
        lock.unlock();
        dispatchToSynth(m_synth, message);
        return;
    }
    if (m_state.load() == SoundFontState::Loading && isChannelState(message)
        && m_pending.size() < MaxPending)
        m_pending.push_back(message);
}

void FluidSynthEngine::silence()
{
    Impl& d = *m_impl;
    if (d.m_loaded.load(std::memory_order_acquire)) {
        fluid_synth_all_sounds_off(d.m_synth, -1);
        for (int channel = 0; channel < ChannelCount; ++channel)
            fluid_synth_cc(d.m_synth, channel, Controller::Sustain, 0);
        return;
    }
    // Nothing sounds before the load; only a pedal queued down must come up.
    for (int channel = 0; channel < ChannelCount; ++channel)
        d.send(controlChangeMessage(channel, Controller::Sustain, 0));
}

int FluidSynthEngine::channelProgram(int channel) const
{
    if (!m_impl->m_loaded.load())
        return -1;
    int sfont = 0;
    int bank = 0;
    int program = 0;
    if (fluid_synth_get_program(m_impl->m_synth, channel, &sfont, &bank, &program) != FLUID_OK)
        return -1;
    return program;
}

int FluidSynthEngine::channelControl(int channel, int controller) const
{
    if (!m_impl->m_loaded.load())
        return -1;
    int value = 0;
    if (fluid_synth_get_cc(m_impl->m_synth, channel, controller, &value) != FLUID_OK)
        return -1;
    return value;
}

}  // namespace kelodi
