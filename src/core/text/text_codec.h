// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelodi {

// Conversion between the legacy Chinese code page (GBK, code page 936) and
// UTF-8, the encoding of all text inside the program. The conversion tables
// belong to the operating system (iconv, the Win32 code-page functions), so
// core only sees this interface; platform/text/system_text_codec.h gives the
// system's implementation.
class TextCodec {
public:
    virtual ~TextCodec() = default;

    // Decodes GBK bytes. Never fails: a byte that starts no valid character
    // becomes U+FFFD and decoding goes on with the next byte, so one damaged
    // character costs no more than itself.
    virtual std::string gbkToUtf8(std::string_view gbk) const = 0;

    // Encodes UTF-8 text as GBK. Empty when the text is not valid UTF-8 or
    // holds a character GBK cannot represent; nothing is ever replaced
    // silently, because the result is written to disk.
    virtual std::optional<std::string> utf8ToGbk(std::string_view utf8) const = 0;
};

}  // namespace kelodi
