// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/port_details.h"

// Built where the ALSA headers are absent: ports get the basic capabilities.
namespace kelodi {

MidiDeviceCaps portCaps(bool, const std::string& name)
{
    return basicPortCaps(name);
}

}  // namespace kelodi
