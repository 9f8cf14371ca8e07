// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include <alsa/asoundlib.h>

#include "core/midi/short_message.h"
#include "platform/midi/port_details.h"

namespace kelodi {

namespace {

// The name RtMidi gives an ALSA port: "client:port client-id:port-id".
std::string rtMidiName(snd_seq_client_info_t* client, snd_seq_port_info_t* port)
{
    return std::string(snd_seq_client_info_get_name(client)) + ":" + snd_seq_port_info_get_name(port)
           + " " + std::to_string(snd_seq_port_info_get_client(port)) + ":"
           + std::to_string(snd_seq_port_info_get_port(port));
}

void fillFromAlsa(MidiDeviceCaps& caps, snd_seq_port_info_t* port)
{
    constexpr unsigned SynthTypes = SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_DIRECT_SAMPLE
                                    | SND_SEQ_PORT_TYPE_SAMPLE | SND_SEQ_PORT_TYPE_SYNTHESIZER;
    if (snd_seq_port_info_get_type(port) & SynthTypes)
        caps.technology = MidiTechnology::Synth;
    // Zero channels means the port does not say; a MIDI port then serves all.
    const int channels = snd_seq_port_info_get_midi_channels(port);
    if (channels > 0 && channels < ChannelCount)
        caps.channelMask = static_cast<std::uint16_t>((1u << channels) - 1);
    const int voices = snd_seq_port_info_get_synth_voices(port);
    if (voices > 0) {
        caps.voices = static_cast<std::uint16_t>(std::min(voices, 0xFFFF));
        caps.notes = caps.voices;
    }
}

}  // namespace

MidiDeviceCaps portCaps(bool alsaSequencer, const std::string& name)
{
    MidiDeviceCaps caps = basicPortCaps(name);
    snd_seq_t* seq = nullptr;
    if (!alsaSequencer || snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0)
        return caps;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_malloc(&client);
    snd_seq_port_info_malloc(&port);
    snd_seq_client_info_set_client(client, -1);
    bool found = false;
    while (!found && snd_seq_query_next_client(seq, client) >= 0) {
        snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
        snd_seq_port_info_set_port(port, -1);
        while (!found && snd_seq_query_next_port(seq, port) >= 0) {
            if (rtMidiName(client, port) == name) {
                fillFromAlsa(caps, port);
                found = true;
            }
        }
    }
    snd_seq_port_info_free(port);
    snd_seq_client_info_free(client);
    snd_seq_close(seq);
    return caps;
}

}  // namespace kelodi
