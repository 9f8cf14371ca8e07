// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace kelodi {

// Why the embedded synthesizer is missing or cannot play, as data: what was
// searched, what was tried and what each attempt answered. The caller words
// it for its audience (the window in Chinese, the score tool in English).
struct SynthDiagnosis {
    enum class Problem {
        None,
        NotInBuild,         // this build has no embedded synthesizer (no FluidSynth)
        NoSoundFont,        // no place searched held a usable SoundFont
        UnusableSoundFont,  // the SoundFont asked for is missing or is no SoundFont
        NoAudioOutput,      // every audio driver tried failed to open
        AudioFileFailed,    // the WAV file to render into could not be created
        SynthFailed,        // FluidSynth could not create a synthesizer
        SoundFontFailed,    // FluidSynth could not load the SoundFont
    };

    struct AudioAttempt {
        std::string driver;
        bool inBuild = true;  // false: this FluidSynth was built without it
        std::string error;    // what FluidSynth said when it did not open
    };

    Problem problem = Problem::None;
    // NoSoundFont: the places looked in, in order; a folder ends with "/".
    std::vector<std::string> searched;
    // UnusableSoundFont, SoundFontFailed: the file concerned.
    std::string soundFont;
    // NoAudioOutput: each driver tried, in order, and the drivers this build
    // offers; driverForced when the user named the one driver to try.
    std::vector<AudioAttempt> audioAttempts;
    std::vector<std::string> availableDrivers;
    bool driverForced = false;
    // AudioFileFailed: the file and the reason.
    std::string audioFile;
    std::string audioFileError;

    bool ok() const { return problem == Problem::None; }
};

// One line of English for logs and the score tool; empty when all is well.
std::string describeSynthProblem(const SynthDiagnosis& diagnosis);

}  // namespace kelodi
