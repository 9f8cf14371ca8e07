// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/song_export.h"

#include "core/midi/midi_device.h"
#include "core/midi/midi_port.h"

namespace kelodi {

ReplayKeys::ReplayKeys(MidiPort& port, const ReplaySettings& settings)
    : m_port(port), m_settings(settings), m_panel(port), m_keyPath(port, m_panel, m_view, m_map), m_presser(m_keyPath)
{
    m_panel.selectChannel(settings.channel);
    m_panel.setOctave(settings.octave);
    // Set directly, so every type is reached, 1 and 2 included.
    m_panel.setChordType(settings.chordType);
}

void ReplayKeys::sendProgram()
{
    m_port.sendProgramChange(m_settings.channel, m_settings.program);
}

ReplaySettings replaySettingsOf(const InstrumentPanel& panel)
{
    const int channel = panel.currentChannel();
    return {panel.channel(channel).program, channel, panel.chordType(), panel.octaveOffset() / 12};
}

std::optional<ReplayTranscript> exportedReplay(const RecordingEvents& events, const ReplaySettings& settings)
{
    if (!events.hasKeyPress())
        return std::nullopt;
    ReplayTranscript transcript = transcribeReplay(events, settings);
    if (!transcript.hasNotes())
        return std::nullopt;
    return transcript;
}

std::string midiFileOf(const ReplayTranscript& replay)
{
    return encodeMidiFile(replay.messages, replay.lastMessageSeconds() + MidiTailSeconds);
}

std::string exportSoundFont(const MidiDeviceList& devices, const std::function<std::string()>& search)
{
    // Also one given on the command line.
    std::string soundFont = devices.soundFontPath();
    return soundFont.empty() ? search() : soundFont;
}

}  // namespace kelodi
