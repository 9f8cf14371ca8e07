#include "platform/text/system_text_codec.h"

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
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

class Win32Codec final : public TextCodec {
public:
    std::string gbkToUtf8(std::string_view gbk) const override
    {
        // Without MB_ERR_INVALID_CHARS the system replaces undecodable bytes
        // and keeps going, which is the lossy decoding this interface asks for.
        bool ok = false;
        const std::wstring wide = toWide(LegacyCodePage, 0, gbk, ok);
        if (!ok)
            return {};
        return fromWide(CP_UTF8, wide).value_or(std::string());
    }

    std::optional<std::string> utf8ToGbk(std::string_view utf8) const override
    {
        bool ok = false;
        const std::wstring wide = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, ok);
        if (!ok)
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
