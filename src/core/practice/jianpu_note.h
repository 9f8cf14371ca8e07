// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kelodi {

class KeyMap;

// A key written as a jianpu note: the scale degree with "#" for a black key,
// and the octave marks of the key labels — one dot below for the low octave
// (keys 0..11), none for the middle one, one dot above for the high octave and
// a colon (two dots) above for the highest (keys 36..43). A black key is the
// sharp of the white key below it, so key 13 reads "#1" in the middle octave.
struct JianpuNote {
    std::string digits;  // "1".."7" or "#1".."#6"
    std::string above;   // "", "·" or ":"
    std::string below;   // "" or "·"

    // One line: the marks above, the digits, the marks below ("·1" is a high
    // 1, "5·" a low 5, ":1" the highest 1). Empty for no key.
    std::string text() const { return above + digits + below; }

    bool empty() const { return digits.empty(); }
    friend bool operator==(const JianpuNote&, const JianpuNote&) = default;
};

// The jianpu note of key 0..43; empty for anything else.
JianpuNote jianpuNote(int key);

// The computer key that plays key 0..43 as it is shown on a key: the white
// key's character ("Q", ";", "I"), with shift set for a black key, which is
// played with Shift and the white key below it. Empty key for anything else.
struct ComputerKeyLabel {
    std::string key;
    bool shift = false;
};
ComputerKeyLabel computerKeyLabel(const KeyMap& map, int key);

}  // namespace kelodi
