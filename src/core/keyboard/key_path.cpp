// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/key_path.h"

#include "core/app/program_info.h"
#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/keyboard_view.h"
#include "core/midi/midi_port.h"

namespace kelodi {

namespace {

constexpr int LowestRootNote = 36;
constexpr int HighestNote = 127;

bool isKey(int key) { return key >= 0 && key < KeyCount; }

}  // namespace

KeyPath::KeyPath(MidiPort& port, const InstrumentPanel& panel, KeyboardView& view, const KeyMap& map)
    : m_port(port), m_panel(panel), m_view(view), m_map(map), m_title(programTitle() + "  ")
{
}

void KeyPath::setRecorder(KeyRecorderHook* recorder) { m_recorder = recorder; }

bool KeyPath::isSounding(int key) const
{
    return isKey(key) && m_keys[static_cast<std::size_t>(key)].sounding;
}

std::uint32_t KeyPath::restColour(int key) { return isBlackKey(key) ? KeyColour::Black : KeyColour::White; }

void KeyPath::press(int key, int button)
{
    if (button != LeftButton || !isKey(key))
        return;
    m_view.setCaption(m_title + m_map.keyInfo(key));
    if (m_recorder)
        m_recorder->recordPress(key);
    sound(key);
    if (m_pressListener)
        m_pressListener->keyPressed(key);
}

// Unless the channel is muted: the key's note or chord on the current
// channel, its keys red.
void KeyPath::sound(int key)
{
    if (m_panel.currentChannelMuted())
        return;
    const ChordShape* chord = chordShape(m_panel.chordType());
    if (!chord)
        return;

    SoundingKey& entry = m_keys[static_cast<std::size_t>(key)];
    // A key can be pressed again while it sounds (mouse and computer key on
    // the same key, a score pressing it twice). Its earlier notes are stopped
    // now: afterwards the key remembers only the new ones.
    const SoundingKey previous = entry;
    if (previous.sounding)
        silence(entry);

    const int channel = m_panel.currentChannel();
    const int root = key + LowestRootNote + m_panel.octaveOffset();
    SoundingKey next;
    next.sounding = true;
    next.channel = channel;
    for (int i = 0; i < chord->noteCount; ++i) {
        const int note = root + chord->offsets[static_cast<std::size_t>(i)];
        // Upper chord tones at the highest octaves would leave MIDI's range.
        if (note < 0 || note > HighestNote)
            continue;
        next.notes[static_cast<std::size_t>(next.noteCount++)] = note;
    }
    for (int i = 0; i < chord->noteCount; ++i) {
        const int chordKey = key + chord->offsets[static_cast<std::size_t>(i)];
        if (isKey(chordKey))
            next.coloured[static_cast<std::size_t>(next.colouredCount++)] = chordKey;
    }

    // Pressed key first, then the notes, then the chord's other keys.
    for (int i = 0; i < next.colouredCount; ++i)
        ++m_redHolds[static_cast<std::size_t>(next.coloured[static_cast<std::size_t>(i)])];
    m_view.setKeyColour(key, KeyColour::Red);
    for (int i = 0; i < next.noteCount; ++i)
        m_port.sendNoteOn(channel, next.notes[static_cast<std::size_t>(i)]);
    for (int i = 1; i < next.colouredCount; ++i)
        m_view.setKeyColour(next.coloured[static_cast<std::size_t>(i)], KeyColour::Red);
    entry = next;

    if (previous.sounding)
        restoreColours(previous);
}

void KeyPath::reportRelease(int key, ReleaseReport report)
{
    if (!isKey(key))
        return;
    m_view.setCaption(m_title);
    if (m_recorder && m_releasesRecorded && report == ReleaseReport::Reported)
        m_recorder->recordRelease();
}

void KeyPath::release(int key, int button, ReleaseReport report)
{
    if (button != LeftButton || !isKey(key))
        return;
    reportRelease(key, report);

    SoundingKey& entry = m_keys[static_cast<std::size_t>(key)];
    if (entry.sounding) {
        const SoundingKey released = entry;
        silence(entry);
        restoreColours(released);
    }
    if (m_pressListener)
        m_pressListener->keyReleased(key);
}

// Sends the note-offs of a sounding key and drops its hold on its keys'
// colours, without repainting them yet.
void KeyPath::silence(SoundingKey& sounding)
{
    for (int i = 0; i < sounding.noteCount; ++i)
        m_port.sendNoteOff(sounding.channel, sounding.notes[static_cast<std::size_t>(i)]);
    for (int i = 0; i < sounding.colouredCount; ++i)
        --m_redHolds[static_cast<std::size_t>(sounding.coloured[static_cast<std::size_t>(i)])];
    sounding = SoundingKey{};
}

void KeyPath::restoreColours(const SoundingKey& sounding)
{
    for (int i = 0; i < sounding.colouredCount; ++i) {
        const int key = sounding.coloured[static_cast<std::size_t>(i)];
        if (m_redHolds[static_cast<std::size_t>(key)] == 0)
            m_view.setKeyColour(key, restColour(key));
    }
}

void KeyPath::showPress(int key, bool lit)
{
    if (!isKey(key))
        return;
    m_view.setCaption(m_title + m_map.keyInfo(key));
    if (m_recorder)
        m_recorder->recordPress(key);
    if (lit) {
        ++m_redHolds[static_cast<std::size_t>(key)];
        m_view.setKeyColour(key, KeyColour::Red);
    }
    if (m_pressListener)
        m_pressListener->keyPressed(key);
}

void KeyPath::showRelease(int key, bool lit, ReleaseReport report)
{
    if (!isKey(key))
        return;
    reportRelease(key, report);
    if (lit) {
        int& holds = m_redHolds[static_cast<std::size_t>(key)];
        if (holds > 0 && --holds == 0)
            m_view.setKeyColour(key, restColour(key));
    }
    if (m_pressListener)
        m_pressListener->keyReleased(key);
}

void KeyPath::noteOutsideKeys()
{
    const unsigned take = m_recorder ? m_recorder->recordingTake() : 0;
    if (take == 0 || take == m_toldOutsideTake)
        return;
    m_toldOutsideTake = take;
    m_view.setCaption(m_title + std::string(NoteOutsideKeysCaption));
}

}  // namespace kelodi
