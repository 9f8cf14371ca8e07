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

std::optional<MidiKeyboard::KeyNote> MidiKeyboard::play(ShortMessage message)
{
    const int data1 = dataByte1(message) & 0x7F;
    const int data2 = dataByte2(message) & 0x7F;
    const LiveTarget target = m_panel.liveTarget();
    const int channel = target.channel;
    const auto c = static_cast<std::size_t>(channel);
    std::lock_guard lock(m_soundMutex);
    switch (statusByte(message) & 0xF0) {
    case MidiKind::NoteOn:
        if (data2 != 0) {
            SoundingNote& sounding = m_sounding[static_cast<std::size_t>(data1)];
            // A second note-on without a note-off between (a lost message):
            // the first one stops now, so the note is never held twice.
            if (sounding.held)
                soundOff(data1, 0);
            sounding = SoundingNote{true, !target.muted, channel};
            if (sounding.sounding)
                m_port.sendShortMessage(packShortMessage(MidiKind::NoteOn, channel, data1, data2));
            return KeyNote{true, data1, target.muted, target.octaveOffset, m_sweeps};
        }
        soundOff(data1, 0);
        return KeyNote{false, data1, target.muted, target.octaveOffset, m_sweeps};
    case MidiKind::NoteOff:
        soundOff(data1, data2);
        return KeyNote{false, data1, target.muted, target.octaveOffset, m_sweeps};
    case MidiKind::ControlChange:
        if (data1 == Controller::Sustain) {
            m_pedal.set(c, data2 >= 64);
            m_port.sendControlChange(channel, Controller::Sustain, data2);
        } else if (data1 == Controller::Modulation) {
            m_port.sendControlChange(channel, Controller::Modulation, data2);
        }
        break;
    case ChannelPressure:
        m_pressure.set(c, data1 != 0);
        m_port.sendShortMessage(packShortMessage(ChannelPressure, channel, data1));
        break;
    case PitchBend:
        m_bent.set(c, (data1 | (data2 << 7)) != PitchBendCentre);
        m_port.sendShortMessage(packShortMessage(PitchBend, channel, data1, data2));
        break;
    default: break;  // program changes, other controllers, key pressure
    }
    return std::nullopt;
}

void MidiKeyboard::show(const KeyNote& note)
{
    // Played before releaseAll(): its sound is gone, its key stays dark.
    if (note.sweep != m_shownSweeps)
        return;
    if (!note.on) {
        showOff(note.note, ReleaseReport::Reported);
        return;
    }
    ShownNote& shown = m_shown[static_cast<std::size_t>(note.note)];
    if (shown.held)
        showOff(note.note, ReleaseReport::Unreported);
    shown.held = true;
    shown.key = keyFor(note.note, note.octaveOffset);
    shown.lit = !note.muted && shown.key >= 0;
    if (shown.key >= 0)
        m_keys.showPress(shown.key, shown.lit);
    else
        m_keys.noteOutsideKeys();
}

void MidiKeyboard::receive(ShortMessage message)
{
    if (const std::optional<KeyNote> note = play(message))
        show(*note);
}

int MidiKeyboard::keyFor(int note, int octaveOffset) const
{
    const int key = note - LowestRootNote - octaveOffset;
    if (m_anyOctave && m_awaitedKeys) {
        const int pitchClass = ((key % 12) + 12) % 12;
        for (int awaited : m_awaitedKeys())
            if (awaited >= 0 && awaited < KeyCount && awaited % 12 == pitchClass)
                return awaited;
    }
    return key >= 0 && key < KeyCount ? key : -1;
}

void MidiKeyboard::soundOff(int note, int velocity)
{
    SoundingNote& sounding = m_sounding[static_cast<std::size_t>(note)];
    if (!sounding.held)
        return;  // nothing of ours sounds there
    const SoundingNote released = sounding;
    sounding = SoundingNote{};
    if (released.sounding)
        m_port.sendShortMessage(packShortMessage(MidiKind::NoteOff, released.channel, note, velocity));
}

void MidiKeyboard::showOff(int note, ReleaseReport report)
{
    ShownNote& shown = m_shown[static_cast<std::size_t>(note)];
    if (!shown.held)
        return;
    const ShownNote released = shown;
    shown = ShownNote{};
    if (released.key >= 0)
        m_keys.showRelease(released.key, released.lit, report);
}

void MidiKeyboard::releaseAll()
{
    {
        std::lock_guard lock(m_soundMutex);
        m_shownSweeps = ++m_sweeps;
        for (int note = 0; note < 128; ++note)
            soundOff(note, 0);
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
    // One release for the recorder, as a sweep of the computer keys has.
    ReleaseReport report = ReleaseReport::Reported;
    for (int note = 0; note < 128; ++note) {
        const ShownNote& shown = m_shown[static_cast<std::size_t>(note)];
        const bool key = shown.held && shown.key >= 0;
        showOff(note, report);
        if (key)
            report = ReleaseReport::Unreported;
    }
}

int MidiKeyboard::soundingNotes() const
{
    std::lock_guard lock(m_soundMutex);
    return static_cast<int>(
        std::count_if(m_sounding.begin(), m_sounding.end(), [](const SoundingNote& n) { return n.sounding; }));
}

}  // namespace kelodi
