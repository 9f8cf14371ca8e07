// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace kelodi {

// Where the embedded synthesizer looks for its General MIDI SoundFont, in
// order: the first *.sf2 (by name) in a "soundfont" folder beside the program,
// then the system's GM SoundFonts.
std::vector<std::string> soundFontCandidates(const std::string& programFolder);

// The places soundFontCandidates looks in, for telling a user where a
// SoundFont may go: the "soundfont" folder (ending with "/"), then the system
// files.
std::vector<std::string> soundFontSearchPlaces(const std::string& programFolder);

// The first candidate that is a readable SoundFont, or an empty string. A file
// that exists but is not a SoundFont is passed over.
std::string findSoundFont(const std::string& programFolder);

// True when path names a readable SoundFont 2 file.
bool isSoundFont(const std::string& path);

// Whether this build has the embedded synthesizer at all. A build without
// FluidSynth (the Windows cross build) looks for no SoundFont and cannot
// render audio; its devices are the system's own.
bool hasEmbeddedSynth();

}  // namespace kelodi
