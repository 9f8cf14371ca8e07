// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/key_map.h"

#include <charconv>
#include <cmath>

namespace kelodi {

namespace WhiteKeyTable {
// The five columns of the white-key table; the blanks after the entries only
// align the columns for a reader of the source.
const std::string_view keyCodes =
    "81    |87    |69    |82    |84    |65    |83    |68    |70    |71    |72    |74    |75    |"
    "76    |186   |222   |85    |73    |79    |80    |219   |90    |88    |67    |86    |66    ";
const std::string_view computerKeys =
    "Q   |W   |E   |R   |T   |A   |S   |D   |F   |G   |H   |J   |K   |"
    "L   |;   |'   |U   |I   |O   |P   |[   |Z   |X   |C   |V   |B   ";
const std::string_view keyIndices =
    "0   |2   |4   |5   |7   |9   |11  |12  |14  |16  |17  |19  |21  |"
    "23  |24  |26  |28  |29  |31  |33  |35  |36  |38  |40  |41  |43  ";
const std::string_view noteNames =
    "琴键：C|琴键：D|琴键：E|琴键：F|琴键：G|琴键：A|琴键：B|琴键：c|琴键：d|琴键：e|琴键：f|琴键：g|琴键：a|"
    "琴键：b|琴键：c1|琴键：d1|琴键：e1|琴键：f1|琴键：g1|琴键：a1|琴键：b1|琴键：c2|琴键：d2|琴键：e2|琴键：f2|琴键：g2";
const std::string_view jianpuNames =
    "低音1   |低音2   |低音3   |低音4   |低音5   |低音6   |低音7   |"
    "中音1   |中音2   |中音3   |中音4   |中音5   |中音6   |中音7   |"
    "高音1   |高音2   |高音3   |高音4   |高音5   |高音6   |高音7   |"
    "超高音1 |超高音2 |超高音3 |超高音4 |超高音5 ";

std::vector<std::string> splitColumn(std::string_view column)
{
    std::vector<std::string> entries;
    for (;;) {
        const auto bar = column.find('|');
        std::string_view entry = column.substr(0, bar);
        const auto first = entry.find_first_not_of(' ');
        if (first == std::string_view::npos) {
            entry = {};
        } else {
            entry = entry.substr(first, entry.find_last_not_of(' ') - first + 1);
        }
        entries.emplace_back(entry);
        if (bar == std::string_view::npos)
            return entries;
        column.remove_prefix(bar + 1);
    }
}
}  // namespace WhiteKeyTable

namespace {

// The white keys' info texts in keyboard order. Key 29's computer key is
// written with a lower-case "i" here, unlike the other columns: its tool tip
// and the caption while it sounds read "字符：i".
constexpr std::array<std::string_view, 26> WhiteKeyInfo = {
    "字符：Q 琴键：C 简谱：低音1",     "字符：W 琴键：D 简谱：低音2",
    "字符：E 琴键：E 简谱：低音3",     "字符：R 琴键：F 简谱：低音4",
    "字符：T 琴键：G 简谱：低音5",     "字符：A 琴键：A 简谱：低音6",
    "字符：S 琴键：B 简谱：低音7",     "字符：D 琴键：c 简谱：中音1",
    "字符：F 琴键：d 简谱：中音2",     "字符：G 琴键：e 简谱：中音3",
    "字符：H 琴键：f 简谱：中音4",     "字符：J 琴键：g 简谱：中音5",
    "字符：K 琴键：a 简谱：中音6",     "字符：L 琴键：b 简谱：中音7",
    "字符：; 琴键：c1 简谱：高音1",    "字符：' 琴键：d1 简谱：高音2",
    "字符：U 琴键：e1 简谱：高音3",    "字符：i 琴键：f1 简谱：高音4",
    "字符：O 琴键：g1 简谱：高音5",    "字符：P 琴键：a1 简谱：高音6",
    "字符：[ 琴键：b1 简谱：高音7",    "字符：Z 琴键：c2 简谱：超高音1",
    "字符：X 琴键：d2 简谱：超高音2",  "字符：C 琴键：e2 简谱：超高音3",
    "字符：V 琴键：f2 简谱：超高音4",  "字符：B 琴键：g2 简谱：超高音5",
};

constexpr int QKeyCode = 81;
constexpr int ShiftBKeyCode = 66 + ShiftCodeOffset;

int numberOf(const std::string& text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

bool isBlackKey(int key)
{
    if (key < 0 || key >= KeyCount)
        return false;
    switch (key % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10: return true;
    default: return false;
    }
}

KeyMap::KeyMap()
{
    const auto codes = WhiteKeyTable::splitColumn(WhiteKeyTable::keyCodes);
    const auto keys = WhiteKeyTable::splitColumn(WhiteKeyTable::computerKeys);
    const auto indices = WhiteKeyTable::splitColumn(WhiteKeyTable::keyIndices);
    const auto notes = WhiteKeyTable::splitColumn(WhiteKeyTable::noteNames);
    const auto jianpu = WhiteKeyTable::splitColumn(WhiteKeyTable::jianpuNames);

    m_whiteRow.fill(-1);
    for (std::size_t row = 0; row < indices.size(); ++row) {
        WhiteKey white{numberOf(indices[row]), numberOf(codes[row]), keys[row],
                       notes[row].substr(WhiteKeyTable::NoteNamePrefix.size()), jianpu[row]};
        m_whiteRow[static_cast<std::size_t>(white.keyIndex)] = static_cast<int>(row);
        m_keyInfo[static_cast<std::size_t>(white.keyIndex)] = WhiteKeyInfo[row];
        m_keyCodeMap[static_cast<std::size_t>(white.keyCode)] = static_cast<float>(white.keyIndex);
        m_whiteKeys.push_back(std::move(white));
    }

    // A black key has no row of its own: it is the white key below it, played
    // with Shift and named with a sharp.
    for (std::size_t k = 1; k < m_keyInfo.size(); ++k) {
        if (!m_keyInfo[k].empty())
            continue;
        std::string info = m_keyInfo[k - 1];
        replaceAll(info, "符：", "符：Shift+");
        replaceAll(info, "键：", "键：#");
        replaceAll(info, "音", "音#");
        m_keyInfo[k] = std::move(info);
    }

    for (int code = 1; code <= HighestPlainCode; ++code) {
        const auto plain = static_cast<std::size_t>(code);
        if (m_keyCodeMap[plain] > 0)
            m_keyCodeMap[plain + ShiftCodeOffset] = m_keyCodeMap[plain] + 1;
    }
    // 43 + 1 lies beyond the keyboard, so Shift+B stays on B.
    m_keyCodeMap[ShiftBKeyCode] = 43;
    // Q's entry is 0, which the rule above cannot tell from "no key"; key 1's
    // info text names Shift+Q, and nothing else reaches C sharp.
    m_keyCodeMap[QKeyCode + ShiftCodeOffset] = 1;
}

int KeyMap::keyForCode(int code) const
{
    if (code < 0 || code >= KeyCodeCount)
        return -1;
    if (code == QKeyCode)
        return 0;
    const int key = static_cast<int>(std::lround(m_keyCodeMap[static_cast<std::size_t>(code)]));
    return key > 0 ? key : -1;
}

float KeyMap::keyCodeMapEntry(int code) const
{
    if (code < 0 || code >= KeyCodeCount)
        return 0;
    return m_keyCodeMap[static_cast<std::size_t>(code)];
}

const std::string& KeyMap::keyInfo(int key) const
{
    static const std::string none;
    if (key < 0 || key >= KeyCount)
        return none;
    return m_keyInfo[static_cast<std::size_t>(key)];
}

const WhiteKey* KeyMap::whiteKey(int key) const
{
    if (key < 0 || key >= KeyCount)
        return nullptr;
    const int row = m_whiteRow[static_cast<std::size_t>(key)];
    return row < 0 ? nullptr : &m_whiteKeys[static_cast<std::size_t>(row)];
}

}  // namespace kelodi
