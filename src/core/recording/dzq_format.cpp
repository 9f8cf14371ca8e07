// SPDX-License-Identifier: GPL-3.0-or-later
// Key names, jianpu notes and numbers as the .dzq files write them.
#include "core/recording/dzq_format.h"

#include <array>
#include <charconv>
#include <cmath>

#include "core/recording/dzq_syntax.h"

namespace kelodi {

using dzq::contains;
using dzq::ReleaseWord;

namespace {

// Semitone of each white note letter within its octave.
int letterSemitone(char upper)
{
    switch (upper) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

// Key index of a white key name: "C".."B" (octave 0), "c".."b" (1),
// "c1".."b1" (2), "c2".."g2" (3). -1 for anything else.
int whiteKeyIndex(std::string_view name)
{
    if (name.empty() || name.size() > 2)
        return -1;
    const char letter = name[0];
    int octave = 0;
    int semitone = 0;
    if (letter >= 'A' && letter <= 'G') {
        if (name.size() != 1)
            return -1;
        semitone = letterSemitone(letter);
    } else if (letter >= 'a' && letter <= 'g') {
        semitone = letterSemitone(static_cast<char>(letter - 'a' + 'A'));
        octave = 1;
        if (name.size() == 2) {
            if (name[1] == '1')
                octave = 2;
            else if (name[1] == '2')
                octave = 3;
            else
                return -1;
        }
    } else {
        return -1;
    }
    const int index = 12 * octave + semitone;
    return isKeyIndex(index) ? index : -1;
}

}  // namespace

std::optional<KeyEvent> eventFromName(std::string_view name)
{
    if (contains(name, ReleaseWord))
        return KeyEvent::releaseAll(0);
    if (const std::optional<int> key = keyFromName(name))
        return KeyEvent::press(0, *key);
    return std::nullopt;
}

std::optional<int> keyFromName(std::string_view name)
{
    if (!name.empty() && name[0] == '#') {
        const int white = whiteKeyIndex(name.substr(1));
        if (white < 0 || !isKeyIndex(white + 1))
            return std::nullopt;
        return white + 1;
    }
    const int white = whiteKeyIndex(name);
    if (white < 0)
        return std::nullopt;
    return white;
}

std::string keyName(int key)
{
    if (!isKeyIndex(key))
        return {};
    static constexpr std::array<std::string_view, 12> Names = {
        "C", "#C", "D", "#D", "E", "F", "#F", "G", "#G", "A", "#A", "B"};
    std::string name(Names[static_cast<std::size_t>(key % 12)]);
    const int octave = key / 12;
    if (octave == 0)
        return name;
    // Lower case from the second octave on, then the octave mark.
    name.back() = static_cast<char>(name.back() - 'A' + 'a');
    if (octave >= 2)
        name.push_back(static_cast<char>('0' + octave - 1));
    return name;
}

std::string jianpuToKeyName(std::string_view note)
{
    static constexpr std::string_view Letters = "cdefgab";
    enum class Row { LowOut, Low, Middle, High, Highest };
    Row row = Row::Middle;
    if (contains(note, "--"))
        row = Row::LowOut;
    else if (contains(note, "-"))
        row = Row::Low;
    else if (contains(note, "++"))
        row = Row::Highest;
    else if (contains(note, "+"))
        row = Row::High;

    std::string name;
    name.reserve(note.size() + 2);
    for (const char c : note) {
        if (c == '-' || c == '+')
            continue;
        if (c < '1' || c > '7') {
            name.push_back(c);
            continue;
        }
        const char letter = Letters[static_cast<std::size_t>(c - '1')];
        switch (row) {
        case Row::LowOut:
            name.push_back('C');
            break;
        case Row::Low:
            name.push_back(static_cast<char>(letter - 'a' + 'A'));
            break;
        case Row::Middle:
            name.push_back(letter);
            break;
        case Row::High:
            name.push_back(letter);
            name.push_back('1');
            break;
        case Row::Highest:
            name.push_back(letter);
            name.push_back('2');
            break;
        }
    }
    return name;
}

double leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    const auto isDigit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    std::size_t digits = 0;
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-'))
            ++k;
        if (isDigit(k)) {
            while (isDigit(k))
                ++k;
            i = k;
        }
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + start, text.data() + i, value);
    if (ec != std::errc() || end != text.data() + i) {
        // Out of range: too large is infinite (read as 0), too small is 0.
        return 0;
    }
    if (!std::isfinite(value))
        return 0;
    return negative ? -value : value;
}

std::string formatDelay(float seconds)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(seconds), std::chars_format::fixed, 3);
    if (result.ec != std::errc())
        return "0.000";
    return std::string(buffer, result.ptr);
}

}  // namespace kelodi
