// SPDX-License-Identifier: GPL-3.0-or-later
// `from-midi`: the melody of a Standard MIDI File as a key-name score.

#include "cli/score_tool.h"
#include "core/recording/file_io.h"
#include "core/recording/melody_import.h"
#include "core/text/utf8.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi::cli {

namespace {

std::string octaveText(int semitones)
{
    if (semitones == 0)
        return "not moved";
    const int octaves = semitones / 12;
    const int count = octaves < 0 ? -octaves : octaves;
    return "moved " + std::to_string(count) + (count == 1 ? " octave " : " octaves ") + (octaves < 0 ? "down" : "up");
}

}  // namespace

int importMelodyFile(const Arguments& arguments)
{
    std::string error;
    MelodySource source;
    if (arguments.options.count("--track")) {
        const std::optional<int> track = integerOption(arguments, "--track", 1, 65535, 1, error);
        if (!track) {
            printError(error);
            return ExitFailure;
        }
        source.track = *track;
    }
    if (arguments.options.count("--channel")) {
        const std::optional<int> channel = integerOption(arguments, "--channel", 0, 15, 0, error);
        if (!channel) {
            printError(error);
            return ExitFailure;
        }
        source.channel = *channel;
    }

    const std::string& input = arguments.operands[0];
    const std::string& output = arguments.operands[1];
    if (const int status = refuseSameFile(input, output); status != ExitOk)
        return status;
    const std::optional<std::string> bytes = readFileBytes(pathFromUtf8(input), MaxMidiFileBytes, &error);
    std::optional<MidiFile> midi;
    if (bytes)
        midi = parseMidiFile(*bytes, &error);
    if (!midi) {
        printError("cannot read " + input + ": " + error);
        return ExitFailure;
    }
    const std::optional<MelodyImport> melody = importMelody(*midi, source, &error);
    if (!melody) {
        printError(input + ": " + error);
        return ExitFailure;
    }
    const MelodyReport& report = melody->report;
    if (melody->events.empty()) {
        printError(input + ": no notes to take (try --track or --channel)");
        return ExitNothingToPlay;
    }
    std::string from = report.track > 0 ? "track " + std::to_string(report.track) : "every track";
    from += report.channel >= 0 ? ", channel " + std::to_string(report.channel) : "";
    printError(input + ": " + from + ": " + std::to_string(report.melodyNotes) + " melody notes of " +
               std::to_string(report.notesTaken) + ", " + octaveText(report.octaveShift) + ", " +
               std::to_string(report.foldedNotes) + " folded into range");

    if (!writeRecordingFile(pathFromUtf8(output), melody->events, systemTextCodec(), atomicFileSaver(), &error)) {
        printError("cannot write " + output + ": " + error);
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace kelodi::cli
