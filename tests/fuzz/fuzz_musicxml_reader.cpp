// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the MusicXML reader and the playing-out of a score: any
// bytes must read without a crash, a hang or a sanitizer report, and give
// either a refusal with its reason or a song whose notes can be played.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_song_checks.h"
#include "platform/import/musicxml_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kelodi::fuzz::checkSong(kelodi::readMusicXml(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
