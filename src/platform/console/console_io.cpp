// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/console/console_io.h"

namespace kelodi {

std::string escapeControlCharacters(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out.push_back(c);
            continue;
        }
        out += "\\x";
        out.push_back("0123456789ABCDEF"[byte >> 4]);
        out.push_back("0123456789ABCDEF"[byte & 0xF]);
    }
    return out;
}

}  // namespace kelodi
