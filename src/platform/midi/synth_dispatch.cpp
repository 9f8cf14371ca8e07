// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/synth_dispatch.h"

namespace kelodi {

void dispatchToSynth(fluid_synth_t* synth, ShortMessage message)
{
    const int channel = statusByte(message) & 0x0F;
    const int data1 = dataByte1(message) & 0x7F;
    const int data2 = dataByte2(message) & 0x7F;
    switch (statusByte(message) & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, channel, data1); break;
    case 0x90:
        if (data2 == 0)
            fluid_synth_noteoff(synth, channel, data1);
        else
            fluid_synth_noteon(synth, channel, data1, data2);
        break;
    case 0xA0: fluid_synth_key_pressure(synth, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7)); break;
    default: break;
    }
}

}  // namespace kelodi
