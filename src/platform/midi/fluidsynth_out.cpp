// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/fluidsynth_out.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>

#include <fluidsynth.h>
#if KELODI_HAVE_SDL2
#include <SDL.h>
#endif

#include "platform/midi/bounded_call.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/midi_wire.h"
#include "platform/midi/system_ports.h"
#include "platform/midi/wav_writer.h"

namespace kelodi {

namespace {

// FluidSynth's JACK output is a JACK client: opening and closing it wait for
// the server's answer, and a stopped server never gives one. Neither is
// waited for longer than this; the audio output counts as failed instead.
constexpr std::chrono::milliseconds JackAudioLimit(2000);

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

}  // namespace

struct FluidSynthEngine::Impl {
    Impl(FluidSynthEngine& owner, SynthOptions options);

    void load();
    bool startAudio();
    void renderToFile();
    void dispatch(std::uint32_t message);
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

namespace {

// The order in which audio outputs are tried when none is forced. On Linux
// PulseAudio comes first because PipeWire serves it too; JACK next for studio
// set-ups; raw ALSA only when no sound server runs.
#if defined(_WIN32)
constexpr const char* AudioDrivers[] = {"wasapi", "dsound", "waveout", "sdl2"};
#elif defined(__APPLE__)
constexpr const char* AudioDrivers[] = {"coreaudio", "sdl2"};
#else
constexpr const char* AudioDrivers[] = {"pulseaudio", "jack", "alsa", "sdl2"};
#endif

// Audio buffering, for about 12 ms from a key to its sound at most.
//
// Most drivers buffer periods x period frames: four periods of 128 frames
// (2.9 ms each, 11.6 ms in all) leave three periods, 8.7 ms, for the render
// thread to be late by before the device runs dry, and rendering a period of
// 128 frames with some 80 notes sounding takes about 0.2 ms
// (bench_synth_latency). PulseAudio is asked for about one period of latency
// whatever the count, and the server's own buffer comes on top: 512 frames
// keep that at 11.6 ms, where 128 or 256 left it so short that a loaded
// machine ran dry many times a second. JACK ignores both and follows the
// server's period.
constexpr FluidSynthEngine::Buffering DefaultBuffering{128, 4};
constexpr std::pair<const char*, FluidSynthEngine::Buffering> DriverBuffering[] = {
    {"pulseaudio", {512, 2}},
};

// Channel-state messages sent before the SoundFont has loaded are kept; a
// program that floods the synth meanwhile loses the surplus rather than
// growing without bound.
constexpr std::size_t MaxPending = 65536;

// Frames rendered per step of the WAV renderer: 2.9 ms, so a message lands in
// the file within a few milliseconds of when it was sent.
constexpr int FileRenderFrames = 128;

// FluidSynth's log goes to stderr, except while audio drivers are being
// probed: a driver that does not open is expected and only the reason matters.
thread_local std::string* t_capturedLog = nullptr;

void logToStderr(int level, const char* message, void*)
{
    if (t_capturedLog) {
        if (!t_capturedLog->empty())
            *t_capturedLog += "; ";
        *t_capturedLog += message;
        return;
    }
    if (level <= FLUID_WARN)
        std::fprintf(stderr, "fluidsynth: %s\n", message);
}

void installLogFunctions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, logToStderr, nullptr);
        fluid_set_log_function(FLUID_ERR, logToStderr, nullptr);
        fluid_set_log_function(FLUID_WARN, logToStderr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

bool JackAudioOutput::open(std::string& log)
{
    const auto library = jackLibraryLock();
    t_capturedLog = &log;
    m_driver = new_fluid_audio_driver(m_settings.get(), m_synth.get());
    t_capturedLog = nullptr;
    m_generation = jackClientGeneration();
    return m_driver != nullptr;
}

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
    if (m_driver)
        delete_fluid_audio_driver(m_driver);
    if (m_jackAudio) {
        // A stopped JACK server would hold the close, and the program's exit
        // with it.
        callWithin(JackAudioLimit, [output = std::move(m_jackAudio)]() mutable {
            output.reset();
            return true;
        });
    }
    m_stopRender = true;
    if (m_renderThread.joinable())
        m_renderThread.join();
    m_wav.reset();
#if KELODI_HAVE_SDL2
    if (m_sdlAudio)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
#endif
    m_synth = nullptr;
    m_synthHeld.reset();
    m_settings = nullptr;
    m_settingsHeld.reset();
}

FluidSynthEngine::Buffering FluidSynthEngine::bufferingFor(const std::string& driver)
{
    for (const auto& [name, buffering] : DriverBuffering)
        if (driver == name)
            return buffering;
    return DefaultBuffering;
}

std::vector<std::string> FluidSynthEngine::availableAudioDrivers()
{
    std::vector<std::string> names;
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_foreach_option(settings, "audio.driver", &names,
                                  [](void* data, const char*, const char* option) {
                                      static_cast<std::vector<std::string>*>(data)->push_back(option);
                                  });
    delete_fluid_settings(settings);
    return names;
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

bool FluidSynthEngine::Impl::startAudio()
{
    if (!m_options.audioFile.empty()) {
        errno = 0;
        m_wav = WavWriter::create(m_options.audioFile, SampleRate, 2);
        if (!m_wav) {
            const int error = errno;
            SynthDiagnosis problem;
            problem.problem = SynthDiagnosis::Problem::AudioFileFailed;
            problem.audioFile = m_options.audioFile;
            if (error != 0)
                problem.audioFileError = std::strerror(error);
            setProblem(std::move(problem));
            return false;
        }
        m_renderThread = std::thread([this] { renderToFile(); });
        std::lock_guard lock(m_mutex);
        m_audioOutput = "file";
        return true;
    }

    SynthDiagnosis problem;
    problem.problem = SynthDiagnosis::Problem::NoAudioOutput;
    problem.availableDrivers = availableAudioDrivers();
    problem.driverForced = !m_options.audioDriver.empty();
    std::vector<std::string> tries;
    if (problem.driverForced) {
        tries.push_back(m_options.audioDriver);
    } else {
        for (const char* name : AudioDrivers)
            tries.emplace_back(name);
    }
    const std::vector<std::string>& available = problem.availableDrivers;
    for (const std::string& name : tries) {
        if (std::find(available.begin(), available.end(), name) == available.end()) {
            problem.audioAttempts.push_back({name, false, {}});
            continue;
        }
        fluid_settings_setstr(m_settings, "audio.driver", name.c_str());
        const Buffering buffering = bufferingFor(name);
        fluid_settings_setint(m_settings, "audio.period-size", buffering.periodFrames);
        fluid_settings_setint(m_settings, "audio.periods", buffering.periods);
#if KELODI_HAVE_SDL2
        // FluidSynth's SDL2 driver expects the program to have started SDL's
        // audio.
        if (name == "sdl2" && !m_sdlAudio)
            m_sdlAudio = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
#endif
        std::string captured;
        bool opened = false;
        if (name == "jack") {
            // Opened on a thread of its own and waited for a bounded time;
            // one that opens too late is closed there.
            auto output = std::make_unique<JackAudioOutput>(m_settingsHeld, m_synthHeld);
            std::optional<std::pair<std::unique_ptr<JackAudioOutput>, std::string>> result =
                callWithin(JackAudioLimit, [output = std::move(output)]() mutable {
                    std::string log;
                    if (!output->open(log))
                        output.reset();
                    return std::pair(std::move(output), std::move(log));
                });
            if (!result) {
                captured = "the JACK server does not answer";
            } else {
                m_jackAudio = std::move(result->first);
                captured = std::move(result->second);
                opened = m_jackAudio != nullptr;
            }
        } else {
            t_capturedLog = &captured;
            m_driver = new_fluid_audio_driver(m_settings, m_synth);
            t_capturedLog = nullptr;
            opened = m_driver != nullptr;
        }
        if (opened) {
            std::lock_guard lock(m_mutex);
            m_audioOutput = name;
            return true;
        }
        problem.audioAttempts.push_back({name, true, captured});
    }
    setProblem(std::move(problem));
    return false;
}

// Renders in real time: the file always holds as many frames as time has
// passed since the output started, however the thread is scheduled, so a
// message sent at second t is heard at second t of the file.
void FluidSynthEngine::Impl::renderToFile()
{
    using Clock = std::chrono::steady_clock;
    std::int16_t block[FileRenderFrames * 2];
    const Clock::time_point start = Clock::now();
    std::uint64_t frames = 0;
    std::uint64_t lastFinalise = 0;
    while (!m_stopRender.load()) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const auto due = static_cast<std::uint64_t>(elapsed * SampleRate);
        while (frames < due) {
            fluid_synth_write_s16(m_synth, FileRenderFrames, block, 0, 2, block, 1, 2);
            m_wav->append(block, FileRenderFrames);
            frames += FileRenderFrames;
        }
        // Keep the header current, so the file is playable even if the
        // process is killed.
        if (frames - lastFinalise >= SampleRate / 2) {
            m_wav->finalise();
            lastFinalise = frames;
        }
        const auto next = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(double(frames + 1) / SampleRate));
        std::this_thread::sleep_until(next);
    }
    m_wav->finalise();
}

void FluidSynthEngine::finaliseAudioFile()
{
    if (m_impl->m_wav)
        m_impl->m_wav->finalise();
}

void FluidSynthEngine::Impl::finish(SoundFontState state)
{
    {
        std::lock_guard lock(m_mutex);
        if (state == SoundFontState::Loaded) {
            // Still under the lock, so no sender slips a message in between
            // the queue and the switch to direct sending.
            for (std::uint32_t message : m_pending)
                dispatch(message);
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
        dispatch(message);
        return;
    }
    std::unique_lock lock(m_mutex);
    if (m_loaded.load()) {
        lock.unlock();
        dispatch(message);
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

void FluidSynthEngine::Impl::dispatch(std::uint32_t message)
{
    const int channel = statusByte(message) & 0x0F;
    const int data1 = dataByte1(message) & 0x7F;
    const int data2 = dataByte2(message) & 0x7F;
    switch (statusByte(message) & 0xF0) {
    case 0x80: fluid_synth_noteoff(m_synth, channel, data1); break;
    case 0x90:
        if (data2 == 0)
            fluid_synth_noteoff(m_synth, channel, data1);
        else
            fluid_synth_noteon(m_synth, channel, data1, data2);
        break;
    case 0xA0: fluid_synth_key_pressure(m_synth, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(m_synth, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(m_synth, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(m_synth, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(m_synth, channel, data1 | (data2 << 7)); break;
    default: break;  // system messages mean nothing to the synth
    }
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
