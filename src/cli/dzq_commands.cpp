// SPDX-License-Identifier: GPL-3.0-or-later
// `events` and `convert`: the score files themselves, without any device.

#include <charconv>
#include <cstdio>

#include "cli/score_tool.h"
#include "core/text/utf8.h"
#include "platform/console/console_io.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi::cli {

int printEvents(const std::string& path)
{
    RecordingFile file;
    if (const int status = loadScore(path, file); status != ExitOk)
        return status;
    std::string out;
    out.reserve(file.events.size() * 16);
    char buffer[80];
    for (const KeyEvent& event : file.events) {
        const auto delay = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(event.delay),
                                         std::chars_format::fixed, 6);
        out.append(buffer, delay.ec == std::errc() ? delay.ptr : buffer);
        out.push_back('\t');
        out += std::to_string(event.isReleaseAll() ? ReleaseMarker : event.pressedKey());
        out.push_back('\n');
    }
    if (!writeText(stdout, out)) {
        printError("cannot write to standard output");
        return ExitFailure;
    }
    return ExitOk;
}

int convert(const std::string& input, const std::string& output)
{
    if (const int status = refuseSameFile(input, output); status != ExitOk)
        return status;
    RecordingFile file;
    if (const int status = loadScore(input, file); status != ExitOk)
        return status;
    std::string error;
    if (!writeRecordingFile(pathFromUtf8(output), file.events, systemTextCodec(), atomicFileSaver(), &error)) {
        printError("cannot write " + output + ": " + error);
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace kelodi::cli
