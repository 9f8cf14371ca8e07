// SPDX-License-Identifier: GPL-3.0-or-later
// kelodi-dzq: the score tool. Reads .dzq files as the keyboard does, prints
// or rewrites their events, exports them as MIDI or audio, plays them on a
// MIDI device and brings melodies in from MIDI files.
//
// Exit status: 0 on success, 1 when the input holds no playable event (or
// note), 2 when a file cannot be read or written or the call is wrong, 130
// when Ctrl+C ended a playback or render.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/score_tool.h"
#include "core/app/program_info.h"
#include "platform/console/console_io.h"

namespace {

using namespace kelodi;
using namespace kelodi::cli;

constexpr std::string_view Usage =
    "usage: kelodi-dzq events FILE\n"
    "       kelodi-dzq convert IN OUT\n"
    "       kelodi-dzq midi IN.dzq OUT.mid [PANEL]\n"
    "       kelodi-dzq render IN.dzq OUT.wav [PANEL] [--soundfont F]\n"
    "       kelodi-dzq play IN.dzq [PANEL] [--device N] [--soundfont F]\n"
    "       kelodi-dzq play --list-devices\n"
    "       kelodi-dzq from-midi IN.mid OUT.dzq [--track N] [--channel C]\n"
    "                            [--transpose auto|keep|N]\n"
    "       kelodi-dzq from-midi --list IN.mid [--transpose auto|keep|N]\n"
    "       kelodi-dzq jianpu IN.dzq [--time 3/4]\n"
    "       kelodi-dzq --version | --help\n"
    "\n"
    "events     prints each event of a .dzq score as DELAY<TAB>KEY: the delay in\n"
    "           seconds after the previous event, the key index 0..43 or 9999\n"
    "           for \"release all keys\".\n"
    "convert    writes the events of IN to OUT as a key-name .dzq file (GBK).\n"
    "midi       writes what a replay of IN sends to the port as a Standard MIDI\n"
    "           File (format 0, one tick = 1 ms).\n"
    "render     renders that replay with the embedded synthesizer into a WAV\n"
    "           file (44.1 kHz, 16-bit stereo), faster than real time.\n"
    "play       plays IN on a MIDI device in real time; Ctrl+C stops it with\n"
    "           every note released. Devices are numbered as in the window's\n"
    "           device menu: -1 (the default) is the mapper.\n"
    "from-midi  takes the melody of a MIDI file (format 0 or 1): of its parts\n"
    "           (one per track and channel) the one most like a melody, or the\n"
    "           best on the track (1 = first) or channel (0..15) given; its top\n"
    "           line, moved to read in C (--transpose auto, the default), kept\n"
    "           in its key (keep) or moved N semitones, then by octaves onto the\n"
    "           44 keys; written as a key-name .dzq (GBK). --list prints one\n"
    "           line per part: TRACK, CHANNEL, 旋律 for the guess (else -),\n"
    "           NOTES, RANGE (jianpu), INSTRUMENT, NAME, REASONS, by tabs.\n"
    "           A MusicXML score (.musicxml, .xml or compressed .mxl) is read\n"
    "           the same way: one part per part of the score, or per voice of\n"
    "           a part with several (TRACK N/V); --track N names part N.\n"
    "jianpu     prints the score as jianpu text, laid out as the score window\n"
    "           lays it out: bars of --time (2/4, 3/4, 4/4 (default), 6/8 ...),\n"
    "           dashes for held beats, \"|\" bar lines, octave dots on the lines\n"
    "           above and below the digits, \"_\" underlines on the lines under\n"
    "           them, chords stacked highest on top, \"~\" over tied notes.\n"
    "\n"
    "PANEL      --program P (0..127, default 0)  --channel C (0..15, default 0)\n"
    "           --chord T (0..10, default 0 = single notes)  --octave O (-3..4)\n"
    "\n"
    "Exit status: 0 on success, 1 when the input holds no playable event,\n"
    "2 when a file cannot be read or written or the call is wrong, 130 when\n"
    "Ctrl+C stopped play or render.\n";

using Names = std::vector<std::string_view>;

// The panel options and more.
Names panelAnd(Names more)
{
    Names all = {"--program", "--channel", "--chord", "--octave"};
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

int usageError(const std::string& reason = {})
{
    if (!reason.empty())
        printError(reason);
    writeText(stderr, Usage);
    return ExitFailure;
}

// Parses the arguments after the subcommand and checks the operand count.
std::optional<Arguments> argumentsFor(const std::vector<std::string>& args, const Names& valued, const Names& flags,
                                      std::size_t operands)
{
    std::string error;
    std::optional<Arguments> arguments = parseArguments(args, 2, valued, flags, error);
    if (!arguments) {
        usageError(error);
        return std::nullopt;
    }
    const bool listing = (arguments->flags.count("--list-devices") != 0 && arguments->operands.size() <= operands) ||
                         (arguments->flags.count("--list") != 0 && arguments->operands.size() == 1);
    if (arguments->operands.size() != operands && !listing) {
        usageError(args[1] + " takes " + std::to_string(operands) +
                   (operands == 1 ? " file" : " files"));
        return std::nullopt;
    }
    return arguments;
}

}  // namespace

int main(int argc, char* argv[])
{
    // "\n" stays one byte on Windows too, so the output is the same everywhere.
    useBinaryStandardStreams();
    // Every argument is UTF-8 from here on, and every path is made from it
    // with pathFromUtf8.
    const std::vector<std::string> args = utf8Arguments(argc, argv);
    const std::size_t count = args.size();
    const std::string_view command = count >= 2 ? std::string_view(args[1]) : "";
    if (count == 2 && (command == "-h" || command == "--help")) {
        writeText(stdout, Usage);
        return ExitOk;
    }
    if (count == 2 && command == "--version") {
        writeText(stdout, "kelodi-dzq " + versionText() + "\n");
        return ExitOk;
    }
    if (command == "events" && count == 3)
        return printEvents(args[2]);
    if (command == "convert" && count == 4)
        return convert(args[2], args[3]);
    std::optional<Arguments> arguments;
    if (command == "midi" && (arguments = argumentsFor(args, panelAnd({}), {}, 2)))
        return exportMidi(*arguments);
    if (command == "render" && (arguments = argumentsFor(args, panelAnd({"--soundfont"}), {}, 2)))
        return renderWav(*arguments);
    if (command == "play" &&
        (arguments = argumentsFor(args, panelAnd({"--device", "--soundfont"}), {"--list-devices"}, 1)))
        return play(*arguments);
    if (command == "from-midi" && (arguments = argumentsFor(args, {"--track", "--channel", "--transpose"}, {"--list"}, 2)))
        return importMelodyFile(*arguments);
    if (command == "jianpu" && (arguments = argumentsFor(args, {"--time"}, {}, 1)))
        return printJianpu(*arguments);
    if (command == "midi" || command == "render" || command == "play" || command == "from-midi" ||
        command == "jianpu")
        return ExitFailure;  // argumentsFor has said why
    return usageError();
}
