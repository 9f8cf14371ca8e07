// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/fluidsynth_out.h"
#include "platform/midi/offline_renderer.h"
#include "platform/midi/soundfont_search.h"
#include "platform/midi/wav_writer.h"

// Built where FluidSynth is not available (the MinGW cross build): there is
// no embedded synthesizer, so no SoundFont is looked for, nothing renders
// audio and the device list holds the system's own devices only.
namespace kelodi {

namespace {

constexpr const char* NoSynth = "this build has no embedded synthesizer";

}  // namespace

bool hasEmbeddedSynth()
{
    return false;
}

std::vector<std::string> soundFontCandidates(const std::string&)
{
    return {};
}

std::vector<std::string> soundFontSearchPlaces(const std::string&)
{
    return {};
}

std::string findSoundFont(const std::string&)
{
    return {};
}

bool isSoundFont(const std::string&)
{
    return false;
}

struct FluidSynthEngine::Impl {};

std::shared_ptr<FluidSynthEngine> FluidSynthEngine::acquire(const SynthOptions&)
{
    return nullptr;
}

std::shared_ptr<FluidSynthEngine> FluidSynthEngine::acquire(const SynthOptions&, std::function<void()>)
{
    return nullptr;
}

FluidSynthEngine::~FluidSynthEngine() = default;

SoundFontState FluidSynthEngine::state() const
{
    return SoundFontState::None;
}

const std::string& FluidSynthEngine::soundFontPath() const
{
    static const std::string none;
    return none;
}

std::string FluidSynthEngine::audioOutput() const
{
    return {};
}

SynthDiagnosis FluidSynthEngine::diagnosis() const
{
    SynthDiagnosis d;
    d.problem = SynthDiagnosis::Problem::NotInBuild;
    return d;
}

FluidSynthEngine::Buffering FluidSynthEngine::bufferingFor(const std::string&)
{
    return {0, 0};
}

bool FluidSynthEngine::waitForLoad(std::chrono::milliseconds)
{
    return false;
}

void FluidSynthEngine::addLoadListener(const void*, std::function<void(bool)> listener)
{
    if (listener)
        listener(false);
}

void FluidSynthEngine::removeListeners(const void*) {}

MidiDeviceCaps FluidSynthEngine::caps() const
{
    return {};
}

std::unique_ptr<MidiOut> FluidSynthEngine::open()
{
    return nullptr;
}

void FluidSynthEngine::send(std::uint32_t) {}

void FluidSynthEngine::silence() {}

void FluidSynthEngine::finaliseAudioFile() {}

int FluidSynthEngine::channelProgram(int) const
{
    return -1;
}

int FluidSynthEngine::channelControl(int, int) const
{
    return -1;
}

std::vector<std::string> FluidSynthEngine::availableAudioDrivers()
{
    return {};
}

RenderResult OfflineRenderer::render(const std::vector<TimedMessage>&, double, const std::string&,
                                    const std::string&, const Progress&)
{
    RenderResult result;
    result.error = NoSynth;
    return result;
}

}  // namespace kelodi
