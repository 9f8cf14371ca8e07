// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fluidsynth.h>

#include "core/midi/short_message.h"

namespace kelodi {

// Plays one channel message on a FluidSynth synth: notes (a note-on with
// velocity 0 is a note-off), key and channel pressure, controllers, program
// changes and pitch bend. System messages mean nothing to the synth and are
// dropped. The live synthesizer and the WAV renderer both play through this,
// so a song sounds the same in a file as on the keys.
void dispatchToSynth(fluid_synth_t* synth, ShortMessage message);

}  // namespace kelodi
