// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bitset>
#include <functional>
#include <mutex>
#include <optional>
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
// Two threads share the work, so that a note never waits for the window:
// play() runs on the input port's thread and sends the sound at once, with
// the panel as it last published itself (InstrumentPanel::liveTarget); the
// KeyNote it returns is handed to the window thread, in order, where show()
// lights the key and tells the recorder and the practice. releaseAll() and
// everything else run on the window thread. receive() does both halves at
// once, for callers that have one thread only.
class MidiKeyboard {
public:
    // A note as the window thread is to show it.
    struct KeyNote {
        bool on = false;
        int note = 0;
        bool muted = false;      // the channel it went to was muted
        int octaveOffset = 0;    // the panel's octave when it was played
        unsigned sweep = 0;      // releaseAll() calls before it was played
    };

    MidiKeyboard(MidiPort& port, const InstrumentPanel& panel, KeyPath& keys);

    // Input thread: sends what one channel message from the keyboard
    // sounds; a note-on or note-off comes back for show().
    std::optional<KeyNote> play(ShortMessage message);

    // Window thread: the key part of a note play() returned.
    void show(const KeyNote& note);

    // play() and show() at once.
    void receive(ShortMessage message);

    // Window thread. Stops every note the keyboard left sounding and lifts
    // its pedal, bend and pressure (a keyboard that went away, another one
    // chosen), and releases its keys. Notes played before it and shown after
    // it light nothing.
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
    // What a note-on sounded: touched by play() and releaseAll() under
    // m_soundMutex.
    struct SoundingNote {
        bool held = false;      // its note-off has not come yet
        bool sounding = false;  // its note-on went out
        int channel = 0;
    };
    // What a note-on showed: window thread only.
    struct ShownNote {
        bool held = false;
        int key = -1;           // the key it pressed, -1 for none
        bool lit = false;
    };

    void soundOff(int note, int velocity);
    void showOff(int note, ReleaseReport report);
    int keyFor(int note, int octaveOffset) const;

    MidiPort& m_port;
    const InstrumentPanel& m_panel;
    KeyPath& m_keys;

    mutable std::mutex m_soundMutex;
    std::array<SoundingNote, 128> m_sounding{};
    std::bitset<ChannelCount> m_pedal;      // pedal held down by the keyboard
    std::bitset<ChannelCount> m_bent;       // pitch bend away from its centre
    std::bitset<ChannelCount> m_pressure;   // channel pressure above 0
    unsigned m_sweeps = 0;

    std::array<ShownNote, 128> m_shown{};
    unsigned m_shownSweeps = 0;
    bool m_anyOctave = false;
    std::function<std::vector<int>()> m_awaitedKeys;
};

}  // namespace kelodi
