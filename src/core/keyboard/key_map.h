// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kelodi {

// The keyboard has 44 keys, counted in semitones from its lowest key, a C:
// key 0 .. key 43. At octave offset 0, key k sounds MIDI note 36 + k.
inline constexpr int KeyCount = 44;

// A key pressed with Shift (and no other modifier) looks up its key code plus
// this offset, so Shift raises a white key by a semitone.
inline constexpr int ShiftCodeOffset = 1000;

// Key codes are Windows virtual-key codes, 0..HighestPlainCode plain and
// ShiftCodeOffset above that shifted: 1301 entries.
inline constexpr int HighestPlainCode = 300;
inline constexpr int KeyCodeCount = ShiftCodeOffset + HighestPlainCode + 1;

// Key k is black when k mod 12 is 1, 3, 6, 8 or 10. False outside 0..43.
bool isBlackKey(int key);

// The white keys as five '|'-separated column texts, 26 entries each in
// keyboard order. Number and name entries carry trailing blanks for
// alignment; readers trim names and take numbers by value. The note-name
// column carries the prefix "琴键：" on every entry. The score reader uses the
// key-index and note-name columns, so the texts are public.
namespace WhiteKeyTable {
extern const std::string_view keyCodes;
extern const std::string_view computerKeys;
extern const std::string_view keyIndices;
extern const std::string_view noteNames;
extern const std::string_view jianpuNames;

inline constexpr std::string_view NoteNamePrefix = "琴键：";

// Splits a column text at '|' and trims blanks around every entry.
std::vector<std::string> splitColumn(std::string_view column);
}  // namespace WhiteKeyTable

// One row of the white-key table, parsed.
struct WhiteKey {
    int keyIndex;             // 0..43
    int keyCode;              // Windows virtual-key code of the computer key
    std::string computerKey;  // "Q", "W", … ";", "'", "[", … "B"
    std::string noteName;     // "C" … "g2", without the column's prefix
    std::string jianpuName;   // "低音1" … "超高音5"
};

// The fixed tables that tie the 44 keys to computer keys and texts, built once.
class KeyMap {
public:
    KeyMap();

    // The 26 white keys in keyboard order.
    const std::vector<WhiteKey>& whiteKeys() const { return m_whiteKeys; }

    // The key a key code plays (plain code, or code + ShiftCodeOffset for a
    // Shift press), or -1 when the code plays nothing or is outside
    // 0..KeyCodeCount-1. Q (81) gives 0 although its table entry is 0.
    int keyForCode(int code) const;

    // The raw table entry for a code: the key index, 0 where the code has no
    // key and for any code outside the table. Key-up sweeps release a code by
    // this value, so a code without a key releases key 0.
    float keyCodeMapEntry(int code) const;

    // The key's info text (tool tip, and window caption while it sounds):
    // "字符：Q 琴键：C 简谱：低音1", or "字符：Shift+Q 琴键：#C 简谱：低音#1" for
    // a black key. Empty for an index outside 0..43.
    const std::string& keyInfo(int key) const;

    // White-key row of key k, or nullptr for a black key or an index outside 0..43.
    const WhiteKey* whiteKey(int key) const;

private:
    std::vector<WhiteKey> m_whiteKeys;
    std::array<int, KeyCount> m_whiteRow{};  // row in m_whiteKeys, -1 for black keys
    std::array<std::string, KeyCount> m_keyInfo;
    std::array<float, KeyCodeCount> m_keyCodeMap{};
};

}  // namespace kelodi
