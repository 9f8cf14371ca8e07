// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kelodi {

// Caption of every error box the program shows, on the device menu and at
// start alike. It carries the name of the program's predecessor, which users
// know these boxes by; it is not the window title.
inline constexpr const char* ErrorCaption = "Tinsyn - Error";

struct ProgramVersion {
    int major = KELODI_VERSION_MAJOR;
    int minor = KELODI_VERSION_MINOR;
    int revision = KELODI_VERSION_REVISION;
};

// "Kelodi " + major + "." + minor + revision, each in plain decimal:
// version 7.9.0 gives "Kelodi 7.90".
std::string programTitle(const ProgramVersion& version = {});

// The version as the about box shows it: major "." minor revision ("7.90").
std::string versionText(const ProgramVersion& version = {});

}  // namespace kelodi
