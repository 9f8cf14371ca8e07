// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/synth_diagnosis.h"

namespace kelodi {

namespace {

std::string joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

}  // namespace

std::string describeSynthProblem(const SynthDiagnosis& d)
{
    using Problem = SynthDiagnosis::Problem;
    switch (d.problem) {
    case Problem::None: return {};
    case Problem::NotInBuild: return "this build has no embedded synthesizer";
    case Problem::NoSoundFont: return "no General MIDI SoundFont found (searched " + joined(d.searched) + ")";
    case Problem::UnusableSoundFont: return "not a usable SoundFont: " + d.soundFont;
    case Problem::SynthFailed: return "FluidSynth could not create a synthesizer";
    case Problem::SoundFontFailed: return "cannot load the SoundFont " + d.soundFont;
    case Problem::AudioFileFailed:
        return "cannot write the audio file " + d.audioFile +
               (d.audioFileError.empty() ? "" : " (" + d.audioFileError + ")");
    case Problem::NoAudioOutput: {
        std::string reasons;
        for (const auto& attempt : d.audioAttempts)
            reasons += attempt.driver + ": " +
                       (!attempt.inBuild ? "not in this FluidSynth build"
                                         : attempt.error.empty() ? "did not open" : attempt.error) +
                       "; ";
        return "no audio output opened (" + reasons + "available: " + joined(d.availableDrivers) + ")";
    }
    }
    return {};
}

}  // namespace kelodi
