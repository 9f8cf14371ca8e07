// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/midi_keyboard.h"

#include <algorithm>

#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "core/midi/midi_port.h"

namespace kelodi {

namespace {

constexpr int LowestRootNote = 36;  // key 0 at octave 0, as the key path plays it
constexpr int PitchBendCentre = 0x2000;
constexpr std::uint32_t ChannelPressure = 0xD0;
constexpr std::uint32_t PitchBend = 0xE0;

}  // namespace

MidiKeyboard::MidiKeyboard(MidiPort& port, const InstrumentPanel& panel, KeyPath& keys)
    : m_port(port), m_panel(panel), m_keys(keys)
{
}

void MidiKeyboard::receive(ShortMessage message)
{
    const int data1 = dataByte1(message) & 0x7F;
    const int data2 = dataByte2(message) & 0x7F;
    const int channel = m_panel.currentChannel();
    switch (statusByte(message) & 0xF0) {
    case MidiKind::NoteOn:
        if (data2 == 0)
            noteOff(data1, 0, ReleaseReport::Reported);
        else
            noteOn(data1, data2);
        break;
    case MidiKind::NoteOff:
        noteOff(data1, data2, ReleaseReport::Reported);
        break;
    case MidiKind::ControlChange:
        if (data1 == Controller::Sustain) {
            m_pedal.set(static_cast<std::size_t>(channel), data2 >= 64);
            m_port.sendControlChange(channel, Controller::Sustain, data2);
        } else if (data1 == Controller::Modulation) {
            m_port.sendControlChange(channel, Controller::Modulation, data2);
        }
        break;
    case ChannelPressure:
        m_pressure.set(static_cast<std::size_t>(channel), data1 != 0);
        m_port.sendShortMessage(packShortMessage(ChannelPressure, channel, data1));
        break;
    case PitchBend:
        m_bent.set(static_cast<std::size_t>(channel), (data1 | (data2 << 7)) != PitchBendCentre);
        m_port.sendShortMessage(packShortMessage(PitchBend, channel, data1, data2));
        break;
    default: break;  // program changes, other controllers, key pressure
    }
}

int MidiKeyboard::keyFor(int note) const
{
    const int key = note - LowestRootNote - m_panel.octaveOffset();
    if (m_anyOctave && m_awaitedKeys) {
        const int pitchClass = ((key % 12) + 12) % 12;
        for (int awaited : m_awaitedKeys())
            if (awaited >= 0 && awaited < KeyCount && awaited % 12 == pitchClass)
                return awaited;
    }
    return key >= 0 && key < KeyCount ? key : -1;
}

void MidiKeyboard::noteOn(int note, int velocity)
{
    HeldNote& held = m_notes[static_cast<std::size_t>(note)];
    // A second note-on without a note-off between (a lost message): the first
    // one stops now, so the note is never held twice.
    if (held.held)
        noteOff(note, 0, ReleaseReport::Unreported);

    const int channel = m_panel.currentChannel();
    const bool muted = m_panel.currentChannelMuted();
    held = HeldNote{};
    held.held = true;
    held.channel = channel;
    held.key = keyFor(note);
    held.lit = !muted && held.key >= 0;
    if (!muted) {
        m_port.sendShortMessage(packShortMessage(MidiKind::NoteOn, channel, note, velocity));
        held.sounding = true;
    }
    if (held.key >= 0)
        m_keys.showPress(held.key, held.lit);
    else
        m_keys.noteOutsideKeys();
}

void MidiKeyboard::noteOff(int note, int velocity, ReleaseReport report)
{
    HeldNote& held = m_notes[static_cast<std::size_t>(note)];
    if (!held.held)
        return;  // nothing of ours sounds there
    const HeldNote released = held;
    held = HeldNote{};
    if (released.sounding)
        m_port.sendShortMessage(packShortMessage(MidiKind::NoteOff, released.channel, note, velocity));
    if (released.key >= 0)
        m_keys.showRelease(released.key, released.lit, report);
}

void MidiKeyboard::releaseAll()
{
    // One release for the recorder, as a sweep of the computer keys has.
    ReleaseReport report = ReleaseReport::Reported;
    for (int note = 0; note < 128; ++note) {
        const bool key = m_notes[static_cast<std::size_t>(note)].held && m_notes[static_cast<std::size_t>(note)].key >= 0;
        noteOff(note, 0, report);
        if (key)
            report = ReleaseReport::Unreported;
    }
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const auto c = static_cast<std::size_t>(channel);
        // The pedal goes back to what the panel's "长音" box holds.
        if (m_pedal.test(c))
            m_port.sendControlChange(channel, Controller::Sustain, m_panel.channel(channel).sustain ? 127 : 0);
        if (m_bent.test(c))
            m_port.sendShortMessage(packShortMessage(PitchBend, channel, PitchBendCentre & 0x7F, PitchBendCentre >> 7));
        if (m_pressure.test(c))
            m_port.sendShortMessage(packShortMessage(ChannelPressure, channel, 0));
    }
    m_pedal.reset();
    m_bent.reset();
    m_pressure.reset();
}

int MidiKeyboard::soundingNotes() const
{
    return static_cast<int>(std::count_if(m_notes.begin(), m_notes.end(), [](const HeldNote& n) { return n.sounding; }));
}

}  // namespace kelodi
