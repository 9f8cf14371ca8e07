// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/score_tool.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "core/text/utf8.h"
#include "platform/console/console_io.h"
#include "platform/text/system_text_codec.h"

namespace kelodi::cli {

namespace {

const char* reasonText(SkipReason reason)
{
    switch (reason) {
    case SkipReason::MalformedItem: return "not an item";
    case SkipReason::UnknownKey: return "no such key";
    case SkipReason::BadLength: return "no length";
    }
    return "";
}

bool contains(const std::vector<std::string_view>& names, std::string_view name)
{
    for (std::string_view n : names)
        if (n == name)
            return true;
    return false;
}

}  // namespace

void printError(const std::string& text)
{
    writeText(stderr, "kelodi-dzq: " + escapeControlCharacters(text) + "\n");
}

std::optional<Arguments> parseArguments(const std::vector<std::string>& args, std::size_t first,
                                        const std::vector<std::string_view>& valued,
                                        const std::vector<std::string_view>& flags, std::string& error)
{
    Arguments result;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string_view word = args[i];
        if (word.size() < 3 || word.substr(0, 2) != "--") {
            result.operands.emplace_back(word);
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        if (contains(flags, name) && equals == std::string_view::npos) {
            result.flags.emplace(name);
        } else if (contains(valued, name)) {
            if (equals != std::string_view::npos) {
                result.options[std::string(name)] = std::string(word.substr(equals + 1));
            } else if (i + 1 < args.size()) {
                result.options[std::string(name)] = args[++i];
            } else {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + std::string(word);
            return std::nullopt;
        }
    }
    return result;
}

std::optional<int> integerOption(const Arguments& arguments, std::string_view name, int minimum, int maximum,
                                 int fallback, std::string& error)
{
    const auto found = arguments.options.find(name);
    if (found == arguments.options.end())
        return fallback;
    const std::string& text = found->second;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < minimum || value > maximum) {
        error = std::string(name) + " takes a whole number from " + std::to_string(minimum) + " to " +
                std::to_string(maximum) + ", not \"" + text + "\"";
        return std::nullopt;
    }
    return value;
}

std::optional<ReplaySettings> replaySettings(const Arguments& arguments, std::string& error)
{
    const std::optional<int> program = integerOption(arguments, "--program", 0, 127, 0, error);
    const std::optional<int> channel = integerOption(arguments, "--channel", 0, 15, 0, error);
    const std::optional<int> chord = integerOption(arguments, "--chord", 0, 10, 0, error);
    const std::optional<int> octave = integerOption(arguments, "--octave", -3, 4, 0, error);
    if (!program || !channel || !chord || !octave)
        return std::nullopt;
    return ReplaySettings{*program, *channel, *chord, *octave};
}

int loadScore(const std::string& path, RecordingFile& file)
{
    std::string error;
    std::optional<RecordingFile> read = readRecordingFile(pathFromUtf8(path), systemTextCodec(), &error);
    if (!read) {
        printError("cannot read " + path + ": " + error);
        return ExitFailure;
    }
    file = std::move(*read);
    // Skipped items are what a score writer wants to know about; they go to
    // stderr so that what a subcommand prints on stdout stays machine-readable.
    for (const SkippedItem& item : file.report.skipped) {
        printError(path + ":" + std::to_string(item.line) + ": skipped \"" + item.text + "\" (" +
                   reasonText(item.reason) + ")");
    }
    if (file.report.skippedCount > file.report.skipped.size()) {
        printError(path + ": " + std::to_string(file.report.skippedCount - file.report.skipped.size()) +
                   " more items skipped");
    }
    for (const ZeroedDelay& item : file.report.zeroedDelays)
        printError(path + ":" + std::to_string(item.line) + ": the delay of \"" + item.text +
                   "\" was read as 0 (it must lie between 0 and 86400 s)");
    if (file.report.zeroedDelayCount > file.report.zeroedDelays.size()) {
        printError(path + ": " + std::to_string(file.report.zeroedDelayCount - file.report.zeroedDelays.size()) +
                   " more delays read as 0");
    }
    if (file.report.linesIgnored)
        printError(path + ": lines after line " + std::to_string(MaxRecordingLines) + " were ignored");
    if (!file.events.hasKeyPress()) {
        printError(path + ": 文件中没有可播放的音符！ (no key press in the file)");
        return ExitNothingToPlay;
    }
    return ExitOk;
}

int refuseSameFile(const std::string& input, const std::string& output)
{
    // The same device and file number: hard links and symbolic links too.
    std::error_code ec;
    if (!std::filesystem::equivalent(pathFromUtf8(input), pathFromUtf8(output), ec))
        return ExitOk;
    printError(output + " is the input file " + input + "; the output needs a file of its own");
    return ExitFailure;
}

std::string programFolder()
{
    return executableFolder();
}

}  // namespace kelodi::cli
