// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "platform/midi/fluidsynth_out.h"

namespace kelodi {

// The tests' way into the synthesizer's load: the process's synthesizer,
// started so that its loader thread calls beforeSoundFontLoad once the audio
// output has opened and just before it reads the SoundFont. A test holds the
// load there to act while it is pending. Only tests define this friend.
struct SynthLoadGate {
    static std::shared_ptr<FluidSynthEngine> acquire(const SynthOptions& options,
                                                     std::function<void()> beforeSoundFontLoad)
    {
        return FluidSynthEngine::acquire(options, std::move(beforeSoundFontLoad));
    }
};

}  // namespace kelodi
