// kelodi-dzq: the score tool. Reads .dzq files as the keyboard does and prints
// or rewrites their events.
//
//   kelodi-dzq events FILE     one line per event: DELAY<TAB>KEY
//   kelodi-dzq convert IN OUT  writes IN's events as a key-name file
//
// Exit status: 0 with at least one playable event, 1 when the file holds no
// key press, 2 when a file cannot be read or written or the call is wrong.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/recording/dzq_format.h"
#include "platform/text/system_text_codec.h"

namespace {

using namespace kelodi;

constexpr int ExitOk = 0;
constexpr int ExitNothingToPlay = 1;
constexpr int ExitFailure = 2;

constexpr std::string_view Usage =
    "usage: kelodi-dzq events FILE\n"
    "       kelodi-dzq convert IN OUT\n"
    "\n"
    "events   prints each event of a .dzq score as DELAY<TAB>KEY: the delay in\n"
    "         seconds after the previous event, the key index 0..43 or 9999\n"
    "         for \"release all keys\".\n"
    "convert  writes the events of IN to OUT as a key-name .dzq file (GBK).\n"
    "\n"
    "Exit status: 0 with at least one playable event, 1 when the score holds\n"
    "no key press, 2 when a file cannot be read or written or the call is wrong.\n";

void printError(const std::string& text)
{
    std::fprintf(stderr, "kelodi-dzq: %s\n", text.c_str());
}

const char* reasonText(SkipReason reason)
{
    switch (reason) {
    case SkipReason::MalformedItem: return "not an item";
    case SkipReason::UnknownKey: return "no such key";
    case SkipReason::BadLength: return "no length";
    }
    return "";
}

// Reads a score for both subcommands; the exit status when it cannot be used.
int loadScore(const char* argument, RecordingFile& file)
{
    const std::filesystem::path path(argument);
    std::string error;
    std::optional<RecordingFile> read = readRecordingFile(path, systemTextCodec(), &error);
    if (!read) {
        printError(std::string("cannot read ") + argument + ": " + error);
        return ExitFailure;
    }
    file = std::move(*read);
    // Skipped items are what a score writer wants to know about; they go to
    // stderr so the event list on stdout stays machine-readable.
    for (const SkippedItem& item : file.report.skipped) {
        printError(std::string(argument) + ":" + std::to_string(item.line) + ": skipped \"" + item.text +
                   "\" (" + reasonText(item.reason) + ")");
    }
    if (file.report.skippedCount > file.report.skipped.size()) {
        printError(std::string(argument) + ": " +
                   std::to_string(file.report.skippedCount - file.report.skipped.size()) +
                   " more items skipped");
    }
    if (file.report.linesIgnored) {
        printError(std::string(argument) + ": lines after line " + std::to_string(MaxRecordingLines) +
                   " were ignored");
    }
    if (!file.events.hasKeyPress()) {
        printError(std::string(argument) + ": 文件中没有可播放的音符！ (no key press in the file)");
        return ExitNothingToPlay;
    }
    return ExitOk;
}

int printEvents(const char* argument)
{
    RecordingFile file;
    if (const int status = loadScore(argument, file); status != ExitOk)
        return status;
    std::string out;
    out.reserve(file.events.size() * 16);
    char buffer[80];
    for (std::size_t i = 0; i < file.events.size(); ++i) {
        const auto delay = std::to_chars(buffer, buffer + sizeof buffer,
                                         static_cast<double>(file.events.eventDelays[i]),
                                         std::chars_format::fixed, 6);
        out.append(buffer, delay.ec == std::errc() ? delay.ptr : buffer);
        out.push_back('\t');
        out += std::to_string(std::lround(file.events.eventKeys[i]));
        out.push_back('\n');
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        printError("cannot write to standard output");
        return ExitFailure;
    }
    return ExitOk;
}

int convert(const char* input, const char* output)
{
    RecordingFile file;
    if (const int status = loadScore(input, file); status != ExitOk)
        return status;
    std::string error;
    if (!writeRecordingFile(std::filesystem::path(output), file.events, systemTextCodec(), &error)) {
        printError(std::string("cannot write ") + output + ": " + error);
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::string_view command = argc >= 2 ? argv[1] : "";
    if (argc == 2 && (command == "-h" || command == "--help")) {
        std::fwrite(Usage.data(), 1, Usage.size(), stdout);
        return ExitOk;
    }
    if (command == "events" && argc == 3)
        return printEvents(argv[2]);
    if (command == "convert" && argc == 4)
        return convert(argv[2], argv[3]);
    std::fwrite(Usage.data(), 1, Usage.size(), stderr);
    return ExitFailure;
}
