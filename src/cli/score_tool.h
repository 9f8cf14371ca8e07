// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/recording/dzq_format.h"
#include "core/recording/replay_transcript.h"

// The subcommands of kelodi-dzq and what they share.
namespace kelodi::cli {

inline constexpr int ExitOk = 0;
inline constexpr int ExitNothingToPlay = 1;
inline constexpr int ExitFailure = 2;
// Stopped by Ctrl+C (or a termination request) before the end: 128 + SIGINT,
// as shells report it.
inline constexpr int ExitInterrupted = 130;

void printError(const std::string& text);

// A command line after the subcommand: operands in order, options by name
// ("--program" → "5"), flags that take no value.
struct Arguments {
    std::vector<std::string> operands;
    std::map<std::string, std::string, std::less<>> options;
    std::set<std::string, std::less<>> flags;

    bool has(std::string_view name) const { return options.count(name) != 0 || flags.count(name) != 0; }
};

// Reads args[first..] (UTF-8, see utf8Arguments): "--name VALUE" or "--name=VALUE" for the names in
// `valued`, "--name" for those in `flags`, anything else not starting with
// "--" as an operand. Empty, with the reason, for an unknown option or a
// missing value.
std::optional<Arguments> parseArguments(const std::vector<std::string>& args, std::size_t first,
                                        const std::vector<std::string_view>& valued,
                                        const std::vector<std::string_view>& flags, std::string& error);

// The whole number of option `name` within minimum..maximum, `fallback` when
// the option is absent; empty, with the reason, for anything else.
std::optional<int> integerOption(const Arguments& arguments, std::string_view name, int minimum, int maximum,
                                 int fallback, std::string& error);

// --program, --channel, --chord and --octave.
std::optional<ReplaySettings> replaySettings(const Arguments& arguments, std::string& error);

// Reads a score as the player does, reporting skipped items on stderr; the
// exit status when it cannot be used (ExitOk when it can).
int loadScore(const std::string& path, RecordingFile& file);

// ExitFailure, said on stderr, when `output` is the file `input` (the same
// file through any link): writing it would replace the input before it was
// read, or with what was made of it. ExitOk otherwise.
int refuseSameFile(const std::string& input, const std::string& output);

// The folder kelodi-dzq runs from (where a "soundfont" folder may lie).
std::string programFolder();

int printEvents(const std::string& path);
int convert(const std::string& input, const std::string& output);
int exportMidi(const Arguments& arguments);
int renderWav(const Arguments& arguments);
int play(const Arguments& arguments);
int importMelodyFile(const Arguments& arguments);
int printJianpu(const Arguments& arguments);

}  // namespace kelodi::cli
