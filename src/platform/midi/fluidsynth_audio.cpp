// SPDX-License-Identifier: GPL-3.0-or-later
// The embedded synthesizer's audio: the output drivers it tries, how much
// each buffers, the JACK output's bounded open and close, and the real-time
// WAV renderer of --audio-file.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#if KELODI_HAVE_SDL2
#include <SDL.h>
#endif

#include "platform/midi/bounded_call.h"
#include "platform/midi/fluidsynth_engine_impl.h"

namespace kelodi {

namespace {

// FluidSynth's JACK output is a JACK client: opening and closing it wait for
// the server's answer, and a stopped server never gives one. Neither is
// waited for longer than this; the audio output counts as failed instead.
constexpr std::chrono::milliseconds JackAudioLimit(2000);

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

}  // namespace

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

void FluidSynthEngine::Impl::stopAudio()
{
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

}  // namespace kelodi
