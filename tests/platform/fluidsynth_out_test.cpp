// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>
#include <random>
#include <thread>

#include <fluidsynth.h>
#if defined(__linux__)
#include <unistd.h>
#endif

#include "core/midi/midi_port.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/fluidsynth_out.h"
#include "platform/midi/soundfont_search.h"
#include "platform/synth_load_gate.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int Rate = SampleRate;

// Left channel of a 16-bit stereo WAV file, as written by the synth.
std::vector<double> leftChannel(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<double> samples;
    if (bytes.size() < 44)
        return samples;
    const std::size_t dataBytes = bytes[40] | bytes[41] << 8 | bytes[42] << 16 | std::size_t(bytes[43]) << 24;
    const std::size_t end = std::min(bytes.size(), 44 + dataBytes);
    for (std::size_t i = 44; i + 3 < end; i += 4)
        samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8) / 32768.0);
    return samples;
}

// Sets an environment variable for the rest of a test and puts the old
// value back after it: the tests that follow in the same process must find
// the suite's sound servers as before.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* before = std::getenv(name))
            m_before = before;
        ::setenv(name, value, 1);
    }
    ~ScopedVariable()
    {
        if (m_before)
            ::setenv(m_name.c_str(), m_before->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_before;
};

double rms(const std::vector<double>& s, std::size_t from, std::size_t to)
{
    double sum = 0;
    to = std::min(to, s.size());
    for (std::size_t i = from; i < to; ++i)
        sum += s[i] * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

// Fundamental frequency by normalised autocorrelation: the shortest lag whose
// correlation is close to the best one, so the octave below is not taken.
double pitch(const std::vector<double>& s, std::size_t from, std::size_t length)
{
    const int minLag = Rate / 2000;
    const int maxLag = Rate / 50;
    std::vector<double> r(maxLag + 2, 0.0);
    for (int lag = minLag; lag <= maxLag + 1; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t i = from; i < from + length; ++i) {
            xy += s[i] * s[i + lag];
            xx += s[i] * s[i];
            yy += s[i + lag] * s[i + lag];
        }
        r[lag] = xy / std::sqrt(xx * yy + 1e-12);
    }
    const double best = *std::max_element(r.begin() + minLag, r.end());
    for (int lag = minLag + 1; lag <= maxLag; ++lag) {
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
            const double shift = 0.5 * (a - c) / (a - 2 * b + c);  // parabolic peak
            return Rate / (lag + shift);
        }
    }
    return 0;
}

class EmbeddedSynth : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (findSoundFont({}).empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        m_dir = fs::temp_directory_path() / ("kelodi-synth-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
        m_setup.audioFile = (m_dir / "out.wav").string();
    }
    void TearDown() override
    {
        if (!m_dir.empty())
            fs::remove_all(m_dir);
    }

    fs::path m_dir;
    MidiSetup m_setup;
};

TEST_F(EmbeddedSynth, PlaysConcertAAtFourHundredFortyHertzAndResetSilencesIt)
{
    {
        auto devices = createMidiDeviceList(m_setup);
        ASSERT_TRUE(devices->waitForSoundFont(20s)) << devices->synthProblem();
        EXPECT_EQ(devices->audioOutput(), "file");
        MidiPort port(*devices);
        ASSERT_TRUE(port.open(0));
        port.sendProgramChange(0, 0);
        port.sendNoteOn(0, 69);
        std::this_thread::sleep_for(1000ms);
        port.reset();  // the key is still down: only reset stops it
        std::this_thread::sleep_for(1200ms);
        port.close();
    }
    const auto samples = leftChannel(m_dir / "out.wav");
    const auto onset = std::find_if(samples.begin(), samples.end(), [](double v) { return std::abs(v) > 0.01; });
    ASSERT_NE(onset, samples.end()) << "the note was never heard";
    const std::size_t start = static_cast<std::size_t>(onset - samples.begin());
    ASSERT_GT(samples.size(), start + Rate * 18 / 10);

    EXPECT_NEAR(pitch(samples, start + Rate / 5, Rate / 4), 440.0, 440.0 * 0.01);
    const double sounding = rms(samples, start + Rate * 8 / 10, start + Rate * 9 / 10);
    EXPECT_GT(sounding, 0.001);
    // Reset cut the voice; what is left a moment later is at most a trace of
    // reverb, far below the note.
    const double after = rms(samples, start + Rate * 14 / 10, start + Rate * 17 / 10);
    EXPECT_LT(after, sounding / 100) << "sounding " << sounding << ", after reset " << after;
}

TEST_F(EmbeddedSynth, ChannelStateSentWhileTheSoundFontLoadsTakesEffect)
{
    // Hold the load until the messages have been sent.
    std::promise<void> sent;
    std::shared_future<void> released = sent.get_future().share();
    auto engine = SynthLoadGate::acquire({findSoundFont({}), "", m_setup.audioFile}, [released] { released.wait(); });
    ASSERT_TRUE(engine);
    auto out = engine->open();
    ASSERT_TRUE(out);
    EXPECT_EQ(engine->state(), SoundFontState::Loading);
    out->send(programChangeMessage(2, 40));
    out->send(controlChangeMessage(2, Controller::Volume, 37));
    out->send(controlChangeMessage(2, Controller::Sustain, 127));
    out->reset();  // queued too: the pedal comes up again
    out->send(controlChangeMessage(2, Controller::Pan, 5));
    out->send(noteOnMessage(2, 60));  // nothing to sound it with yet: dropped
    sent.set_value();

    ASSERT_TRUE(engine->waitForLoad(20s));
    EXPECT_EQ(engine->channelProgram(2), 40);
    EXPECT_EQ(engine->channelControl(2, Controller::Volume), 37);
    EXPECT_EQ(engine->channelControl(2, Controller::Sustain), 0);
    EXPECT_EQ(engine->channelControl(2, Controller::Pan), 5);
    EXPECT_EQ(engine->channelProgram(1), 0);

    // The same synth serves every port and survives them.
    out.reset();
    auto again = engine->open();
    ASSERT_TRUE(again);
    EXPECT_EQ(engine->channelProgram(2), 40);
}

// Linux only: the test sees the loader thread end in /proc.
#if defined(__linux__)
TEST_F(EmbeddedSynth, ALoadListenerMayDropTheLastReference)
{
    std::promise<pid_t> loaderStarted;
    std::promise<void> listening;
    std::shared_future<void> released = listening.get_future().share();
    auto engine = SynthLoadGate::acquire({findSoundFont({}), "", m_setup.audioFile}, [&loaderStarted, released] {
        loaderStarted.set_value(::gettid());
        released.wait();
    });
    ASSERT_TRUE(engine);
    const pid_t loader = loaderStarted.get_future().get();
    std::atomic<bool> heard{false};
    engine->addLoadListener(this, [&heard, keep = engine](bool) mutable {
        heard = true;
        keep.reset();  // the last reference: the engine ends now or soon after
    });
    engine.reset();
    listening.set_value();

    // The loader thread ends once the engine is gone; address sanitizer
    // reports anything that touched the engine after it was freed.
    const fs::path task = "/proc/self/task/" + std::to_string(loader);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (fs::exists(task) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(fs::exists(task)) << "the loader thread is still running";
    EXPECT_TRUE(heard);
}
#endif

TEST_F(EmbeddedSynth, ListsItselfAsMapperAndDeviceZeroWithTruthfulCapabilities)
{
    auto devices = createMidiDeviceList(m_setup);
    EXPECT_EQ(devices->synthDeviceId(), 0);
    ASSERT_GE(devices->count(), 1);

    const MidiDeviceCaps mapper = devices->caps(MidiMapperId);
    EXPECT_EQ(mapper.technology, MidiTechnology::Mapper);
    EXPECT_EQ(mapper.channelMask, 0xFFFF);

    const MidiDeviceCaps synth = devices->caps(0);
    EXPECT_EQ(synth.technology, MidiTechnology::Synth);
    EXPECT_EQ(synth.voices, 256);
    EXPECT_EQ(synth.notes, 256);
    EXPECT_EQ(synth.channelMask, 0xFFFF);
    EXPECT_EQ(synth.manufacturerId, 0);
    EXPECT_EQ(synth.driverVersion, std::uint32_t(FLUIDSYNTH_VERSION_MAJOR << 8 | FLUIDSYNTH_VERSION_MINOR));
    EXPECT_FALSE(synth.productName.empty());
    EXPECT_LE(synth.productName.size(), 31u);

    EXPECT_EQ(devices->caps(devices->count()).productName, "");
    EXPECT_EQ(devices->open(devices->count()), nullptr);
    EXPECT_EQ(devices->open(-5), nullptr);
}

TEST_F(EmbeddedSynth, NoAudioOutputMeansTheSynthCannotBeOpened)
{
    m_setup.audioFile.clear();
    m_setup.audioDriver = "no-such-driver";
    auto devices = createMidiDeviceList(m_setup);
    EXPECT_EQ(devices->open(MidiMapperId), nullptr);
    EXPECT_EQ(devices->open(0), nullptr);
    EXPECT_FALSE(devices->waitForSoundFont(5s));
    EXPECT_EQ(devices->soundFontState(), SoundFontState::Failed);
    // The message names the driver and what the build offers instead.
    EXPECT_NE(devices->synthProblem().find("no-such-driver"), std::string::npos);
    EXPECT_NE(devices->synthProblem().find("pulseaudio"), std::string::npos);
    // The same as data, for the window to word: the one driver tried, that
    // it is not in the build, and what the build has instead.
    const SynthDiagnosis why = devices->synthDiagnosis();
    EXPECT_EQ(why.problem, SynthDiagnosis::Problem::NoAudioOutput);
    EXPECT_TRUE(why.driverForced);
    ASSERT_EQ(why.audioAttempts.size(), 1u);
    EXPECT_EQ(why.audioAttempts[0].driver, "no-such-driver");
    EXPECT_FALSE(why.audioAttempts[0].inBuild);
    EXPECT_NE(std::find(why.availableDrivers.begin(), why.availableDrivers.end(), "pulseaudio"),
              why.availableDrivers.end());
}

TEST_F(EmbeddedSynth, EveryAudioDriverTriedIsReportedWithWhatItSaid)
{
    // No sound server of any kind answers under these names; each driver of
    // the default order is tried and refuses.
    const ScopedVariable jack("JACK_DEFAULT_SERVER", "kelodi-absent-synth-test");
    const ScopedVariable pulse("PULSE_SERVER", "unix:/nonexistent/kelodi-pulse");
    const ScopedVariable alsa("ALSA_CONFIG_PATH", "/dev/null");
    const ScopedVariable sdl("SDL_AUDIODRIVER", "kelodi-none");
    m_setup.audioFile.clear();
    auto devices = createMidiDeviceList(m_setup);
    EXPECT_EQ(devices->open(MidiMapperId), nullptr);
    const SynthDiagnosis why = devices->synthDiagnosis();
    EXPECT_EQ(why.problem, SynthDiagnosis::Problem::NoAudioOutput);
    EXPECT_FALSE(why.driverForced);
    std::vector<std::string> tried;
    for (const auto& attempt : why.audioAttempts) {
        tried.push_back(attempt.driver);
        if (attempt.inBuild) {
            EXPECT_FALSE(attempt.error.empty()) << attempt.driver << " failed without a word";
        }
    }
    EXPECT_EQ(tried, (std::vector<std::string>{"pulseaudio", "jack", "alsa", "sdl2"}));
}

}  // namespace
}  // namespace kelodi
