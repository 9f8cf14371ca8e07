// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/utf8.h"

namespace kelodi {

namespace {

// Length and value of the UTF-8 sequence at the start of `text`; length 0 when
// the bytes there are no valid sequence.
struct Decoded {
    std::size_t length = 0;
    char32_t value = 0;
};

Decoded decodeOne(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80)
        return {1, b0};

    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        value = b0 & 0x1F;
        minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        value = b0 & 0x0F;
        minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        value = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return {};
    }
    if (text.size() < length)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char b = byte(i);
        if ((b & 0xC0) != 0x80)
            return {};
        value = (value << 6) | (b & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {};
    return {length, value};
}

}  // namespace

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII are the common case in score files; skip them cheaply.
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const Decoded d = decodeOne(text.substr(i));
        if (d.length == 0)
            return false;
        i += d.length;
    }
    return true;
}

std::u16string utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const Decoded d = decodeOne(text.substr(i));
        if (d.length == 0) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (d.value >= 0x10000) {
            const char32_t v = d.value - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(d.value));
        }
        i += d.length;
    }
    return out;
}

std::size_t byteOffsetAfterUtf16Units(std::string_view text, std::size_t units)
{
    std::size_t i = 0;
    while (i < text.size() && units > 0) {
        const Decoded d = decodeOne(text.substr(i));
        if (d.length == 0) {
            ++i;
            --units;
            continue;
        }
        const std::size_t width = d.value >= 0x10000 ? 2 : 1;
        if (width > units)
            break;
        units -= width;
        i += d.length;
    }
    return i;
}

std::filesystem::path pathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string pathToUtf8(const std::filesystem::path& path)
{
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

}  // namespace kelodi
