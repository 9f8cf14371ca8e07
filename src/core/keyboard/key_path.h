// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/keyboard/chord_table.h"
#include "core/keyboard/key_map.h"

namespace kelodi {

// The mouse button that plays, in the numbering press() and release() take
// (1 left, 2 right, 4 middle): only the left one sounds. The computer keyboard
// and the replay press with it too.
inline constexpr int LeftButton = 1;

// The caption after the first note of a recording that a MIDI keyboard played
// outside the keys (after the program's title).
inline constexpr std::string_view NoteOutsideKeysCaption = "MIDI键盘弹的音超出了44个键，不录入";

class InstrumentPanel;
class KeyboardView;
class MidiPort;

// Whether one release is told to the recorder. The computer keyboard's
// key-up and the release of every key each release many keys at once, and a
// recording keeps one release for each: the releases after the first of such
// a sweep are unreported. Whoever sweeps decides this for each release, so
// no sweep can silence or unsilence another source's releases.
enum class ReleaseReport : std::uint8_t { Reported, Unreported };

// Where the key path reports presses and releases: the recorder. It decides
// by itself whether a recording is running.
class KeyRecorderHook {
public:
    virtual ~KeyRecorderHook() = default;
    // A press of key 0..43.
    virtual void recordPress(int key) = 0;
    // A release; a recording keeps it as the release of every key.
    virtual void recordRelease() = 0;
    // Which take is being recorded: 0 while none is, a number that changes
    // with each new recording otherwise.
    virtual unsigned recordingTake() const { return 0; }
};

// Told of every press of the key path once it has sounded (follow-along
// practice), so that nothing it does can delay the note.
class KeyPressListener {
public:
    virtual ~KeyPressListener() = default;
    // A left-button press of key 0..43, also on a muted channel.
    virtual void keyPressed(int key) = 0;
    // A left-button release of key 0..43, after its notes stopped.
    virtual void keyReleased(int /*key*/) {}
};

// The one way a key is played. The mouse, the computer keyboard and the
// player all press and release keys here, with the left button.
//
// Every sounding key remembers the notes its own press sent and the channel
// they went to, and its release stops exactly those, whatever chord type,
// octave, channel or mute has been set since. So any number of keys may be
// held at once, from any source, and released in any order, without leaving
// a note behind.
class KeyPath {
public:
    KeyPath(MidiPort& port, const InstrumentPanel& panel, KeyboardView& view, const KeyMap& map);

    // nullptr (the default) reports nowhere. Not owned.
    void setRecorder(KeyRecorderHook* recorder);
    void setPressListener(KeyPressListener* listener) { m_pressListener = listener; }

    // A press of key 0..43. Only button 1 (left) does anything; so does a key
    // outside 0..43: nothing. Shows the key's text in the caption and reports
    // the press; unless the current channel is muted, sounds the key's note
    // or chord on the current channel and colours its keys red. Pressing a
    // key that still sounds stops its previous notes first. Last of all, the
    // press listener hears of the press.
    void press(int key, int button);

    // A release of key 0..43, same rule for button and key. Resets the
    // caption and, when `report` and releasesRecorded() allow it, reports the
    // release. If the key sounds, sends note-off for the notes its press
    // sounded and gives back the colours of the keys no other sounding key
    // still holds. Last of all, the press listener hears of the release.
    void release(int key, int button, ReleaseReport report = ReleaseReport::Reported);

    // The caption and recorder part of a release, without stopping anything:
    // for the key-up sweeps of the computer keyboard, which also release codes
    // that never pressed the key they name. Keys outside 0..43 do nothing.
    void reportRelease(int key, ReleaseReport report = ReleaseReport::Reported);

    // Whether releases reach the recorder at all. The recorder's row turns
    // them off outside a recording, and only the row sets this. Presses are
    // always reported: the recorder keeps them only while it records.
    void setReleasesRecorded(bool recorded) { m_releasesRecorded = recorded; }
    bool releasesRecorded() const { return m_releasesRecorded; }

    bool isSounding(int key) const;

    // A key played on a MIDI keyboard, which sounds its own notes: the
    // press's caption, report and listener as press() has them, and the key
    // red while `lit` (false on a muted channel), with no note of its own.
    void showPress(int key, bool lit);
    // Its release: release()'s caption, report and listener, and the key's
    // colour back unless something else still holds it red.
    void showRelease(int key, bool lit, ReleaseReport report = ReleaseReport::Reported);
    // A MIDI keyboard's note that falls on none of the keys: it is not
    // recorded, and the first such note of a take says so in the caption.
    void noteOutsideKeys();

private:
    // What one key's press sounded and coloured.
    struct SoundingKey {
        bool sounding = false;
        int channel = 0;
        int noteCount = 0;
        std::array<int, MaxChordNotes> notes{};
        int colouredCount = 0;
        std::array<int, MaxChordNotes> coloured{};
    };

    void sound(int key);
    void silence(SoundingKey& sounding);
    void restoreColours(const SoundingKey& sounding);
    static std::uint32_t restColour(int key);

    MidiPort& m_port;
    const InstrumentPanel& m_panel;
    KeyboardView& m_view;
    const KeyMap& m_map;
    KeyRecorderHook* m_recorder = nullptr;
    KeyPressListener* m_pressListener = nullptr;
    std::string m_title;
    bool m_releasesRecorded = true;
    unsigned m_toldOutsideTake = 0;  // the take whose caption told of a note outside the keys
    std::array<SoundingKey, KeyCount> m_keys{};
    // How many sounding presses hold each key red; it gets its rest colour
    // back when the last one ends.
    std::array<int, KeyCount> m_redHolds{};
};

}  // namespace kelodi
