// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelodi {

// Every sound Kelodi makes runs at this rate: the embedded synthesizer's live
// output and the WAV files songs are rendered into.
inline constexpr int SampleRate = 44100;

// An exported MIDI file's end-of-track comes this long after the last
// note-off, so that players let the last note ring.
inline constexpr double MidiTailSeconds = 1.0;

}  // namespace kelodi
