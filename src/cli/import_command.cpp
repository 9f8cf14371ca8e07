// SPDX-License-Identifier: GPL-3.0-or-later
// `from-midi`: the melody of a Standard MIDI File or a MusicXML score as a
// key-name score, and the list of the file's parts.

#include <cstdlib>

#include "cli/score_tool.h"
#include "core/import/midi_song.h"
#include "core/import/part_facts.h"
#include "core/recording/file_io.h"
#include "core/recording/melody_import.h"
#include "core/text/utf8.h"
#include "platform/console/console_io.h"
#include "platform/files/atomic_file.h"
#include "platform/import/musicxml_reader.h"
#include "platform/text/system_text_codec.h"

namespace kelodi::cli {

namespace {

std::string countText(int count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string keyText(const KeyMove& key)
{
    if (!key.key)
        return "no key found";
    const std::string from = key.source == KeySource::Signature ? "key signature" : "estimated from the notes";
    return "key " + keyName(*key.key) + " (" + from + ")";
}

// How far the melody moved in all, and whether it now reads in C.
std::string moveText(const MelodyImport& melody)
{
    const MelodyReport& report = melody.report;
    const int semitones = report.transposition + report.octaveShift;
    std::string text;
    if (semitones == 0)
        text = "not moved";
    else if (semitones % 12 == 0)
        text = "moved " + countText(std::abs(semitones) / 12, "octave", "octaves");
    else
        text = "moved " + countText(std::abs(semitones), "semitone", "semitones");
    if (semitones != 0)
        text += semitones < 0 ? " down" : " up";
    if (melody.originalKey && report.transposition != 0)
        text += " to read in C";
    return text;
}

std::optional<Transposition> transpositionOption(const Arguments& arguments, std::string& error)
{
    Transposition transposition;
    const auto found = arguments.options.find("--transpose");
    if (found == arguments.options.end() || found->second == "auto")
        return transposition;
    if (found->second == "keep") {
        transposition.mode = Transposition::Mode::Keep;
        return transposition;
    }
    const std::optional<int> semitones = integerOption(arguments, "--transpose", -127, 127, 0, error);
    if (!semitones) {
        error = "--transpose takes auto, keep or a number of semitones (-127..127), not \"" + found->second + "\"";
        return std::nullopt;
    }
    transposition.mode = Transposition::Mode::Semitones;
    transposition.semitones = *semitones;
    return transposition;
}

// One line per part: track (with "/VOICE" for one voice of a score's part),
// channel, "旋律" for the guess (else "-"), notes, range, instrument, name and
// the finder's reasons, separated by tabs.
int listParts(const std::string& input, const ImportedSong& song, const Transposition& transposition)
{
    const std::vector<PartFacts> facts = partFacts(song, transposition);
    std::string text;
    for (const PartFacts& part : facts) {
        const std::string voice = part.voice > 0 ? "/" + std::to_string(part.voice) : std::string();
        text += std::to_string(part.track) + voice + "\t" + std::to_string(part.channel) + "\t" +
                (part.guess ? "旋律" : "-") + "\t" + std::to_string(part.notes) + "\t" + part.range + "\t" +
                part.instrument + "\t" + escapeControlCharacters(part.name) + "\t" + part.reason + "\n";
    }
    writeText(stdout, text);
    if (facts.empty()) {
        printError(input + ": no notes in the file");
        return ExitNothingToPlay;
    }
    return ExitOk;
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
    const std::optional<Transposition> transposition = transpositionOption(arguments, error);
    if (!transposition) {
        printError(error);
        return ExitFailure;
    }
    source.transposition = *transposition;

    const bool list = arguments.flags.count("--list") != 0;
    const std::string& input = arguments.operands[0];
    if (!list) {
        if (const int status = refuseSameFile(input, arguments.operands[1]); status != ExitOk)
            return status;
    }
    ImportedSong song;
    if (isMusicXmlFileName(pathFromUtf8(input))) {
        song = readMusicXmlFile(pathFromUtf8(input));
        if (!song.ok()) {
            printError("cannot read " + input + ": " + song.error);
            return ExitFailure;
        }
        if ((source.track || source.channel) && chosenPart(song, source) < 0) {
            printError(input + ": no part on " +
                       (source.track ? "track " + std::to_string(*source.track) : std::string("that track")) +
                       (source.channel ? " and channel " + std::to_string(*source.channel) : std::string()) +
                       " (the score has " + countText(static_cast<int>(song.parts.size()), "part", "parts") + ")");
            return ExitFailure;
        }
    } else {
        const std::optional<std::string> bytes = readFileBytes(pathFromUtf8(input), MaxMidiFileBytes, &error);
        std::optional<MidiFile> midi;
        if (bytes)
            midi = parseMidiFile(*bytes, &error);
        if (!midi) {
            printError("cannot read " + input + ": " + error);
            return ExitFailure;
        }
        if (const std::string missing = missingMidiSource(*midi, source); !missing.empty()) {
            printError(input + ": " + missing);
            return ExitFailure;
        }
        song = midiSong(*midi, &systemTextCodec());
        if (!song.ok()) {
            printError(input + ": " + song.error);
            return ExitFailure;
        }
    }
    if (list)
        return listParts(input, song, source.transposition);

    const std::optional<MelodyImport> melody = importMelody(song, source, &error);
    if (!melody) {
        printError(input + ": " + error);
        return ExitFailure;
    }
    const MelodyReport& report = melody->report;
    if (melody->events.empty()) {
        printError(input + ": no notes to take (try --track or --channel)");
        return ExitNothingToPlay;
    }
    std::string from = "track " + std::to_string(report.track) + ", channel " + std::to_string(report.channel);
    if (report.channel < 0) {
        // A part of a score, and its voice when the part has several.
        const int voice = song.parts[static_cast<std::size_t>(report.part)].voice;
        from = "part " + std::to_string(report.track) + (voice > 0 ? ", voice " + std::to_string(voice) : "");
    }
    printError(input + ": " + from + ": " + std::to_string(report.melodyNotes) + " melody notes of " +
               std::to_string(report.notesTaken) + ", " + keyText(report.key) + ", " + moveText(*melody) + ", " +
               std::to_string(report.foldedNotes) + " folded into range");

    const std::string& output = arguments.operands[1];
    if (!writeRecordingFile(pathFromUtf8(output), melody->events, songInfoOf(*melody), systemTextCodec(),
                            atomicFileSaver(), &error)) {
        printError("cannot write " + output + ": " + error);
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace kelodi::cli
