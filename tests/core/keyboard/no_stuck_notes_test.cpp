// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "core/keyboard/keyboard_rig.h"

namespace kelodi {
namespace {

// Note-ons minus note-offs per channel and note, from the messages sent.
struct NoteBalance {
    std::map<std::pair<int, int>, int> held;
    std::string problem;

    void take(ShortMessage m)
    {
        const int kind = statusByte(m) & 0xF0;
        const auto at = std::make_pair(statusByte(m) & 0x0F, static_cast<int>(dataByte1(m)));
        if (kind == 0x90)
            ++held[at];
        if (kind == 0x80 && --held[at] < 0 && problem.empty())
            problem = "note-off without a note-on";
    }
    std::string stillSounding() const
    {
        std::ostringstream out;
        for (const auto& [at, count] : held) {
            if (count != 0)
                out << "channel " << at.first << " note " << at.second << " x" << count << "; ";
        }
        return out.str();
    }
};

// Whatever mix of mouse, computer keyboard, focus losses and control changes
// happens, letting go of everything leaves no note sounding and no key red.
TEST(NoStuckNotes, RandomPlayingThenReleasingEverythingSilencesAll)
{
    const int codes[] = {81, 87, 69, 82, 65, 83, 186, 222, 219, 73, 90, 66, 32, 16, 17};
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        test::KeyboardRig rig;
        std::mt19937 random(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        std::ostringstream trace;
        for (int step = 0; step < 3000; ++step) {
            const int code = codes[pick(static_cast<int>(std::size(codes)))];
            const int shift = pick(4);
            switch (pick(12)) {
            case 0:
            case 1: rig.press(pick(KeyCount)); break;
            case 2: rig.release(pick(KeyCount)); break;
            case 3:
            case 4: rig.computer.keyDown(code, shift); break;
            case 5:
            case 6: rig.computer.keyUp(code, shift); break;
            case 7: rig.computer.focusLost(); break;
            case 8: pick(2) ? rig.panel.stepChord(+1) : rig.panel.stepChord(-1); break;
            case 9: pick(2) ? rig.panel.step(PanelSpinner::Octave, +1) : rig.panel.step(PanelSpinner::Octave, -1); break;
            case 10: rig.panel.selectChannel(pick(ChannelCount)); break;
            case 11: rig.panel.setMute(pick(3) == 0); break;
            }
        }
        rig.computer.focusLost();
        for (int k = 0; k < KeyCount; ++k)
            rig.release(k);

        NoteBalance balance;
        for (ShortMessage m : rig.messages())
            balance.take(m);
        EXPECT_EQ(balance.problem, "") << "seed " << seed;
        EXPECT_EQ(balance.stillSounding(), "") << "seed " << seed;
        for (const auto& [key, colour] : rig.view.colours)
            EXPECT_EQ(colour, isBlackKey(key) ? KeyColour::Black : KeyColour::White) << "seed " << seed << " key " << key;
    }
}

}  // namespace
}  // namespace kelodi
