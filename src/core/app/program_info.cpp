// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/app/program_info.h"

namespace kelodi {

std::string versionText(const ProgramVersion& version)
{
    return std::to_string(version.major) + "." + std::to_string(version.minor)
           + std::to_string(version.revision);
}

std::string programTitle(const ProgramVersion& version)
{
    return "Kelodi " + versionText(version);
}

}  // namespace kelodi
