// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/midi/midi_file.h"
#include "core/recording/file_io.h"
#include "core/recording/song_export.h"

namespace kelodi {

struct RenderResult {
    bool ok = false;
    bool cancelled = false;
    std::string error;  // why it failed, when it did
    FileWriteFailure failure = FileWriteFailure::None;  // what kept the file from being written
    std::uint64_t frames = 0;
};

// Renders timed channel messages with FluidSynth into a WAV file (SampleRate,
// 16-bit stereo), as fast as the machine allows: no audio device, no real
// time, no threads. Each message takes effect at its own sample (to within
// FluidSynth's 64-frame block), and the file ends `TailSeconds` after
// `endSeconds`, so that the last notes ring out.
//
// The file is saved as every file of the program (AtomicFile): it appears
// complete or not at all, a failure or a cancel leaves any old file as it
// was, and a full disk is said as such. Anything that is not a regular file
// (a device, a pipe) is never replaced.
class OfflineRenderer {
public:
    static constexpr double TailSeconds = 2.0;

    // Called now and then with the part done (0..1); returning false cancels.
    using Progress = std::function<bool(double done)>;

    // `soundFont` and `wavPath` are UTF-8 paths.
    static RenderResult render(const std::vector<TimedMessage>& messages, double endSeconds,
                               const std::string& soundFont, const std::string& wavPath,
                               const Progress& progress = {});
};

}  // namespace kelodi
