// SPDX-License-Identifier: GPL-3.0-or-later
// `midi` and `render`: a score as the player would sound it, written as a
// Standard MIDI File or rendered by the embedded synthesizer into a WAV file.

#include <atomic>

#include "cli/score_tool.h"
#include "core/recording/song_export.h"
#include "core/text/utf8.h"
#include "platform/console/console_io.h"
#include "platform/files/atomic_file.h"
#include "platform/midi/offline_renderer.h"
#include "platform/midi/soundfont_search.h"

namespace kelodi::cli {

namespace {

std::atomic<bool> g_cancelRender{false};

// The transcript of the score IN (operand 0) with the panel options; the
// exit status when there is none.
int transcribe(const Arguments& arguments, ReplayTranscript& transcript)
{
    std::string error;
    const std::optional<ReplaySettings> settings = replaySettings(arguments, error);
    if (!settings) {
        printError(error);
        return ExitFailure;
    }
    RecordingFile file;
    if (const int status = loadScore(arguments.operands[0], file); status != ExitOk)
        return status;
    std::optional<ReplayTranscript> replay = exportedReplay(file.events, *settings);
    // Keys pressed on a muted panel or notes all above the range sound nothing.
    if (!replay) {
        printError(arguments.operands[0] + ": no note sounds with these settings");
        return ExitNothingToPlay;
    }
    transcript = std::move(*replay);
    return ExitOk;
}

}  // namespace

int exportMidi(const Arguments& arguments)
{
    if (const int status = refuseSameFile(arguments.operands[0], arguments.operands[1]); status != ExitOk)
        return status;
    ReplayTranscript transcript;
    if (const int status = transcribe(arguments, transcript); status != ExitOk)
        return status;
    const std::string bytes = midiFileOf(transcript);
    // Nothing is written that the import would refuse.
    if (bytes.size() > MaxMidiFileBytes) {
        printError("cannot write " + arguments.operands[1] + ": " + std::to_string(bytes.size()) +
                   " bytes are more than a MIDI file may hold (" + std::to_string(MaxMidiFileBytes) + ")");
        return ExitFailure;
    }
    std::string error;
    if (!writeFileAtomically(pathFromUtf8(arguments.operands[1]), bytes, &error)) {
        printError("cannot write " + arguments.operands[1] + ": " + error);
        return ExitFailure;
    }
    return ExitOk;
}

int renderWav(const Arguments& arguments)
{
    // Said before the score is read: no file would make it work.
    if (!hasEmbeddedSynth()) {
        printError("render is not available in this build: it has no embedded synthesizer");
        return ExitFailure;
    }
    if (const int status = refuseSameFile(arguments.operands[0], arguments.operands[1]); status != ExitOk)
        return status;
    ReplayTranscript transcript;
    if (const int status = transcribe(arguments, transcript); status != ExitOk)
        return status;
    std::string soundFont;
    if (const auto given = arguments.options.find("--soundfont"); given != arguments.options.end()) {
        soundFont = given->second;
        if (!isSoundFont(soundFont)) {
            printError(soundFont + " is no readable SoundFont");
            return ExitFailure;
        }
    } else {
        soundFont = findSoundFont(programFolder());
        if (soundFont.empty()) {
            printError("no General MIDI SoundFont found (give one with --soundfont)");
            return ExitFailure;
        }
    }

    // Ctrl+C (or the end of the terminal, or a termination request) ends the
    // render between two blocks, and the unfinished file goes.
    setStopFlag(&g_cancelRender);
    const RenderResult result =
        OfflineRenderer::render(transcript.messages, transcript.lastMessageSeconds(), soundFont,
                                arguments.operands[1], [](double) { return !g_cancelRender.load(); });
    setStopFlag(nullptr);
    if (result.cancelled) {
        printError("render cancelled; " + arguments.operands[1] + " was not written");
        return ExitInterrupted;
    }
    if (!result.ok) {
        printError("cannot render " + arguments.operands[1] + ": " + result.error);
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace kelodi::cli
