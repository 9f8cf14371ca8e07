// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelodi {

class MidiOutputStatus;

// The two ways start-up can fail before the window exists. Each has its
// fixed box text; the cause beneath it says what the player can do.
enum class StartupFailure {
    NoMidiOutput,     // no device at all
    MapperWontOpen,   // the mapper (the embedded synthesizer) refused to open
};

// "Unable to detect any midi output devices." and so on, each followed by
// two line breaks and "Terminating...".
QString startupFailureText(StartupFailure failure);

// Why, in Chinese: where a SoundFont was looked for and which package has
// one, or which audio drivers were tried with what answer and what to do.
QString startupFailureCause(StartupFailure failure, const MidiOutputStatus& devices);

// Prints the text and the cause to stderr, then shows them in the
// "Tinsyn - Error" box (critical icon, one OK button) and returns when it
// has been dismissed.
void reportStartupFailure(StartupFailure failure, const MidiOutputStatus& devices);

}  // namespace kelodi
