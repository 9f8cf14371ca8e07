// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/mixer_program.h"

#include <array>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kelodi {

namespace {

// Volume controls of the sound servers a desktop is likely to run, in order
// of preference.
constexpr std::array<std::string_view, 2> MixerCandidates = {"pavucontrol", "pwvucontrol"};

std::vector<std::filesystem::path> searchFolders(std::string_view pathVariable)
{
    std::vector<std::filesystem::path> folders;
    std::size_t start = 0;
    while (start <= pathVariable.size()) {
        std::size_t end = pathVariable.find(':', start);
        if (end == std::string_view::npos)
            end = pathVariable.size();
        std::filesystem::path folder(pathVariable.substr(start, end - start));
        if (folder.is_absolute())
            folders.push_back(std::move(folder));
        start = end + 1;
    }
    return folders;
}

bool isExecutableFile(const std::filesystem::path& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status))
        return false;
    using std::filesystem::perms;
    return (status.permissions() & (perms::owner_exec | perms::group_exec | perms::others_exec))
           != perms::none;
}

}  // namespace

std::string findMixerProgram(HostSystem system, std::string_view pathVariable)
{
    if (system == HostSystem::Windows)
        return "SndVol32";

    const auto folders = searchFolders(pathVariable);
    for (std::string_view program : MixerCandidates) {
        for (const auto& folder : folders) {
            const auto candidate = folder / program;
            if (isExecutableFile(candidate))
                return candidate.string();
        }
    }
    return {};
}

}  // namespace kelodi
