// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace kelodi {

enum class HostSystem { Windows, Other };

// The system this program was built for.
constexpr HostSystem currentHostSystem()
{
#ifdef _WIN32
    return HostSystem::Windows;
#else
    return HostSystem::Other;
#endif
}

// The command that opens the system's volume control: "SndVol32" on Windows,
// whose program search finds it; elsewhere the full path of the first of
// pavucontrol and pwvucontrol that is an executable file in a folder of
// `pathVariable` (the PATH text, folders separated by ':'), or the empty text
// when neither is there. Only absolute folders are searched: an empty or
// relative PATH entry would make the result depend on the current folder.
std::string findMixerProgram(HostSystem system, std::string_view pathVariable);

inline std::string findMixerProgram(std::string_view pathVariable)
{
    return findMixerProgram(currentHostSystem(), pathVariable);
}

}  // namespace kelodi
