// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/midi/synth_diagnosis.h"

namespace kelodi {

// What the windows ask about the program's MIDI outputs beyond opening them:
// whether the embedded synthesizer is there, which SoundFont it plays, why it
// cannot play, and the names ports were listed with. The device catalog
// answers it; the GUI needs nothing else of how outputs are found and opened.
class MidiOutputStatus {
public:
    virtual ~MidiOutputStatus() = default;

    virtual int count() const = 0;
    // The full name a device was listed with.
    virtual std::string deviceName(int id) const = 0;
    virtual bool synthAvailable() const = 0;
    // The SoundFont the embedded synthesizer plays; empty when there is none.
    virtual std::string soundFontPath() const = 0;
    // Where a SoundFont was looked for, which audio drivers were tried and
    // what each answered.
    virtual SynthDiagnosis synthDiagnosis() const = 0;
};

}  // namespace kelodi
