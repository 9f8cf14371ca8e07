// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/fakes/scratch_folder.h"

namespace kelodi::test {

// What one run of kelodi-dzq gave: its exit status (128 + N when signal N
// ended it, -1 when it was still running at the time limit and was killed),
// and everything it wrote to stdout and stderr.
struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs the kelodi-dzq of this build with `args`, in `folder` (the test's
// own folder when empty), its stdin empty. A run that has not ended after
// `limit` is killed.
ToolRun runScoreTool(const std::vector<std::string>& args, const std::filesystem::path& folder = {},
                     std::chrono::seconds limit = std::chrono::seconds(120));

// `err` without the lines the libraries below the tool print themselves
// (ALSA's, FluidSynth's and JACK's complaints about a machine without sound).
std::string ownLines(const std::string& err);

// The tool's usage text, as --help prints it.
const std::string& usageText();

// A fixture with a scratch folder of its own, where the tool runs.
class ScoreToolTest : public ScratchFolderTest {
protected:
    ScoreToolTest() : ScratchFolderTest("kelodi-cli-") {}

    ToolRun run(const std::vector<std::string>& args) const { return runScoreTool(args, m_folder); }
    // Writes `bytes` to the file `name` in the folder; returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    std::string path(const std::string& name) const { return (m_folder / name).string(); }
};

}  // namespace kelodi::test
