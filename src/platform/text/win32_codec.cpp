// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/system_text_codec.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ library defines it already
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>

namespace kelodi {

namespace {

constexpr UINT LegacyCodePage = 936;

// The Win32 functions take int lengths; longer input is refused rather than
// truncated.
bool fitsInt(std::size_t size)
{
    return size <= static_cast<std::size_t>(INT_MAX);
}

std::wstring toWide(UINT codePage, DWORD flags, std::string_view text, bool& ok)
{
    ok = true;
    if (text.empty())
        return {};
    if (!fitsInt(text.size())) {
        ok = false;
        return {};
    }
    const int length = MultiByteToWideChar(codePage, flags, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        ok = false;
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                        wide.data(), length);
    return wide;
}

std::optional<std::string> fromWide(UINT codePage, const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    if (!fitsInt(wide.size()))
        return std::nullopt;
    // The "used default character" flag is the only way to learn that a
    // character had no GBK form; it is not allowed for UTF-8 as the target.
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultPtr = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : 0;
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, usedDefaultPtr);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(),
                        length, nullptr, nullptr);
    return out;
}

// Windows gives GBK's user-defined areas (AAA1-AFFE, F8A1-FEFE, A140-A7A0)
// characters of Unicode's private use area; they stand for no agreed
// character, and other systems' GBK converters (iconv) refuse them. They are
// refused here too, so a score reads the same on every system.
bool isPrivateUse(wchar_t c)
{
    return c >= 0xE000 && c <= 0xF8FF;
}

// The one character that `bytes` (one or two of them) encode, if they encode
// exactly one that is not a private-use one.
bool decodeCharacter(std::string_view bytes, wchar_t& out)
{
    wchar_t decoded[2];
    const int length = MultiByteToWideChar(LegacyCodePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), decoded, 2);
    if (length != 1 || isPrivateUse(decoded[0]))
        return false;
    out = decoded[0];
    return true;
}

// Decodes text that the system refused as a whole, one character at a time:
// a byte that starts no character becomes U+FFFD and decoding resumes with
// the next byte, the way iconv does it elsewhere.
std::wstring decodeByCharacter(std::string_view gbk)
{
    std::wstring wide;
    wide.reserve(gbk.size());
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto byte = static_cast<unsigned char>(gbk[i]);
        wchar_t c = 0;
        if (byte < 0x80) {
            wide.push_back(static_cast<wchar_t>(byte));
            ++i;
        } else if (i + 1 < gbk.size() && decodeCharacter(gbk.substr(i, 2), c)) {
            wide.push_back(c);
            i += 2;
        } else if (decodeCharacter(gbk.substr(i, 1), c)) {  // 0x80, the euro sign
            wide.push_back(c);
            ++i;
        } else {
            wide.push_back(L'\xFFFD');
            ++i;
        }
    }
    return wide;
}

bool hasPrivateUse(const std::wstring& wide)
{
    for (const wchar_t c : wide)
        if (isPrivateUse(c))
            return true;
    return false;
}

class Win32Codec final : public TextCodec {
public:
    std::string gbkToUtf8(std::string_view gbk) const override
    {
        // Without MB_ERR_INVALID_CHARS the system would put "?" or a
        // private-use character where a byte is bad, losing track of how
        // many bytes were bad. Valid text converts in one call; anything
        // else is taken apart.
        if (!fitsInt(gbk.size()))
            return {};
        bool ok = false;
        std::wstring wide = toWide(LegacyCodePage, MB_ERR_INVALID_CHARS, gbk, ok);
        if (!ok || hasPrivateUse(wide))
            wide = decodeByCharacter(gbk);
        return fromWide(CP_UTF8, wide).value_or(std::string());
    }

    std::optional<std::string> utf8ToGbk(std::string_view utf8) const override
    {
        bool ok = false;
        const std::wstring wide = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, ok);
        if (!ok || hasPrivateUse(wide))
            return std::nullopt;
        return fromWide(LegacyCodePage, wide);
    }
};

}  // namespace

const TextCodec& systemTextCodec()
{
    static const Win32Codec codec;
    return codec;
}

}  // namespace kelodi
