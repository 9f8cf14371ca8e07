// SPDX-License-Identifier: GPL-3.0-or-later
// `jianpu`: a score printed as jianpu text, laid out as the score window
// lays it out.

#include <filesystem>
#include <limits>

#include "cli/score_tool.h"
#include "core/practice/jianpu_layout.h"
#include "core/text/utf8.h"
#include "platform/console/console_io.h"

namespace kelodi::cli {

int printJianpu(const Arguments& arguments)
{
    TimeSignature time = DefaultTimeSignature;
    if (const auto given = arguments.options.find("--time"); given != arguments.options.end()) {
        const std::optional<TimeSignature> parsed = parseTimeSignature(given->second);
        if (!parsed) {
            printError("--time takes a time signature such as 3/4 or 6/8, not \"" + given->second + "\"");
            return ExitFailure;
        }
        time = *parsed;
    }
    const std::string& path = arguments.operands.front();
    RecordingFile file;
    if (const int status = loadScore(path, file); status != ExitOk)
        return status;
    const Score score = buildScore(file.events, std::numeric_limits<std::size_t>::max());
    const JianpuScore jianpu = layoutJianpu(score, time, scoreTiming(file.report));
    const std::string title = pathToUtf8(pathFromUtf8(path).stem());
    const std::string text =
        jianpuText(jianpu, breakRows(jianpu, DefaultRowCells), jianpuHeader(jianpu.time, title));
    if (!writeText(stdout, text)) {
        printError("cannot write to standard output");
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace kelodi::cli
