// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>
#include <vector>

#include "core/midi/short_message.h"

namespace kelodi::test {

// What File ▸ New (and the start-up) sends: each channel's program, then
// volume 100, pan 64, reverb, chorus and modulation 0 and sustain off,
// channels 0..15 in order.
inline std::vector<ShortMessage> resetBurst()
{
    const int programs[ChannelCount] = {0, 1, 24, 34, 48, 50, 52, 61, 80, 0, 85, 89, 91, 97, 101, 102};
    std::vector<ShortMessage> expected;
    for (int c = 0; c < ChannelCount; ++c) {
        expected.push_back(programChangeMessage(c, programs[c]));
        for (auto [controller, value] : {std::pair{7, 100}, {10, 64}, {91, 0}, {93, 0}, {1, 0}, {64, 0}})
            expected.push_back(controlChangeMessage(c, controller, value));
    }
    return expected;
}

}  // namespace kelodi::test
