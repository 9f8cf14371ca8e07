// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/soundfont_search.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include <fluidsynth.h>

namespace kelodi {

namespace {

// The system-wide GM SoundFonts, the distribution's chosen default first.
constexpr const char* SystemSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

// Paths travel as UTF-8 strings; std::filesystem would read a plain
// std::string in the Windows ANSI code page instead.
std::filesystem::path pathFromUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool hasSf2Extension(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".sf2";
}

}  // namespace

std::vector<std::string> soundFontCandidates(const std::string& programFolder)
{
    std::vector<std::string> result;
    if (!programFolder.empty()) {
        const std::filesystem::path folder = pathFromUtf8(programFolder) / "soundfont";
        std::vector<std::filesystem::path> found;
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (hasSf2Extension(it->path()) && it->is_regular_file(error))
                found.push_back(it->path());
        }
        // Directory order is arbitrary; sorting makes "the first" the same on
        // every start.
        std::sort(found.begin(), found.end());
        for (const auto& path : found)
            result.push_back(utf8FromPath(path));
    }
    for (const char* path : SystemSoundFonts)
        result.emplace_back(path);
    return result;
}

std::vector<std::string> soundFontSearchPlaces(const std::string& programFolder)
{
    std::vector<std::string> places;
    if (!programFolder.empty())
        places.push_back(utf8FromPath(pathFromUtf8(programFolder) / "soundfont" / ""));
    for (const char* path : SystemSoundFonts)
        places.emplace_back(path);
    return places;
}

bool isSoundFont(const std::string& path)
{
    // FluidSynth logs an error for a file that is missing; absent candidates
    // are normal while searching.
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(pathFromUtf8(path), error))
        return false;
    return fluid_is_soundfont(path.c_str()) != 0;
}

std::string findSoundFont(const std::string& programFolder)
{
    for (const auto& candidate : soundFontCandidates(programFolder))
        if (isSoundFont(candidate))
            return candidate;
    return {};
}

bool hasEmbeddedSynth()
{
    return true;
}

}  // namespace kelodi
