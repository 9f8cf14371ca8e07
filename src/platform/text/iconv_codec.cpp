// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/system_text_codec.h"

#include <iconv.h>

#include <cerrno>

namespace kelodi {

namespace {

// "CP936" names the Windows code page itself (with 0x80 as the euro sign),
// which is what files written on Chinese Windows systems hold.
constexpr const char* LegacyCharset = "CP936";

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (isOpen())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool isOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

enum class OnInvalid { Replace, Fail };

// Runs `input` through an open converter into `out`. With Replace, every byte
// the converter rejects becomes U+FFFD in the output (only meaningful when the
// output is UTF-8) and conversion resumes after it.
bool convert(IconvHandle& cd, std::string_view input, std::string& out, OnInvalid onInvalid)
{
    // POSIX declares the input pointer as char**; iconv never writes through it.
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    out.resize(input.size() * 2 + 16);
    std::size_t written = 0;

    const auto appendReplacement = [&] {
        static constexpr char Replacement[] = "\xEF\xBF\xBD";
        if (out.size() - written < 3)
            out.resize(out.size() * 2 + 3);
        out.replace(written, 3, Replacement, 3);
        written += 3;
    };

    while (inLeft > 0) {
        char* outPtr = out.data() + written;
        std::size_t outLeft = out.size() - written;
        const std::size_t result = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        written = static_cast<std::size_t>(outPtr - out.data());
        if (result != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (onInvalid == OnInvalid::Fail)
            return false;
        // EILSEQ: an invalid sequence; EINVAL: a sequence cut off by the end
        // of the input. Either way one byte is given up and the rest is kept.
        appendReplacement();
        ++in;
        --inLeft;
    }
    out.resize(written);
    return true;
}

class IconvCodec final : public TextCodec {
public:
    std::string gbkToUtf8(std::string_view gbk) const override
    {
        IconvHandle cd("UTF-8", LegacyCharset);
        std::string out;
        if (!cd.isOpen())
            return replaceAllButAscii(gbk);
        convert(cd, gbk, out, OnInvalid::Replace);
        return out;
    }

    std::optional<std::string> utf8ToGbk(std::string_view utf8) const override
    {
        IconvHandle cd(LegacyCharset, "UTF-8");
        if (!cd.isOpen())
            return std::nullopt;
        std::string out;
        if (!convert(cd, utf8, out, OnInvalid::Fail))
            return std::nullopt;
        return out;
    }

private:
    // Without a converter (an iconv built without CP936) ASCII still reads:
    // key-name scores are ASCII apart from the release word.
    static std::string replaceAllButAscii(std::string_view gbk)
    {
        std::string out;
        out.reserve(gbk.size());
        for (const char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80)
                out.push_back(c);
            else
                out += "\xEF\xBF\xBD";
        }
        return out;
    }
};

}  // namespace

const TextCodec& systemTextCodec()
{
    static const IconvCodec codec;
    return codec;
}

}  // namespace kelodi
