// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bitset>
#include <functional>
#include <vector>

#include "core/keyboard/key_path.h"
#include "core/midi/short_message.h"

namespace kelodi {

class InstrumentPanel;
class MidiPort;

// What a MIDI keyboard's messages do. Its notes sound with their own
// velocity on the panel's current channel, with that channel's instrument
// and effects, whatever channel the keyboard sends on; the panel's chord
// type does not apply (the keyboard plays its own chords). The sustain pedal
// (controller 64), the modulation wheel (controller 1), pitch bend and
// channel pressure go to the current channel too; every other message is
// dropped. A note-on with velocity 0 is a note-off.
//
// A note that falls on one of the 44 keys (with the panel's octave) is that
// key's press: the key lights, the recorder and follow-along practice hear of
// it; its note-off is the key's release. Other notes only sound. Each note
// remembers the channel and key of its note-on, so its note-off stops
// exactly that, whatever the panel has changed meanwhile. A muted channel
// sounds and lights nothing, as with the computer keys.
//
// Everything runs on the window thread.
class MidiKeyboard {
public:
    MidiKeyboard(MidiPort& port, const InstrumentPanel& panel, KeyPath& keys);

    // One channel message from the keyboard.
    void receive(ShortMessage message);

    // Stops every note the keyboard left sounding and lifts its pedal, bend
    // and pressure (a keyboard that went away, another one chosen).
    void releaseAll();

    // "任意八度都算": while it is on and `awaitedKeys` names the keys a
    // practice pass waits for, a note of the same pitch class as one of them,
    // in any octave, counts as that key's press.
    void setAnyOctave(bool on) { m_anyOctave = on; }
    bool anyOctave() const { return m_anyOctave; }
    void setAwaitedKeys(std::function<std::vector<int>()> awaitedKeys) { m_awaitedKeys = std::move(awaitedKeys); }

    // Notes the keyboard holds sounding right now.
    int soundingNotes() const;

private:
    struct HeldNote {
        bool sounding = false;  // its note-on went out
        bool held = false;      // its note-off has not come yet
        int channel = 0;
        int key = -1;           // the key it pressed, -1 for none
        bool lit = false;
    };

    void noteOn(int note, int velocity);
    void noteOff(int note, int velocity, ReleaseReport report);
    int keyFor(int note) const;

    MidiPort& m_port;
    const InstrumentPanel& m_panel;
    KeyPath& m_keys;
    std::array<HeldNote, 128> m_notes{};
    std::bitset<ChannelCount> m_pedal;      // pedal held down by the keyboard
    std::bitset<ChannelCount> m_bent;       // pitch bend away from its centre
    std::bitset<ChannelCount> m_pressure;   // channel pressure above 0
    bool m_anyOctave = false;
    std::function<std::vector<int>()> m_awaitedKeys;
};

}  // namespace kelodi
