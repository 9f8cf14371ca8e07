// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of AtomicFile that every system shares; atomic_file_posix.cpp and
// atomic_file_win32.cpp hold the files themselves.
#include "platform/files/atomic_file.h"

#include <mutex>
#include <random>

#include "atomic_file_parts.h"

namespace kelodi {

namespace fs = std::filesystem;

namespace atomic_file_parts {

bool mayReplace(const fs::path& target, std::string& error)
{
    // Renaming over /dev/null would take it from everyone; a folder or a
    // loop of links cannot be replaced by a file.
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (status.type() == fs::file_type::not_found || fs::is_regular_file(status))
        return true;
    error = ec ? ec.message() : "not a regular file";
    return false;
}

fs::path temporaryPathBeside(const fs::path& target)
{
    static std::mutex mutex;
    static std::mt19937_64 random{std::random_device{}()};
    const fs::path folder = target.parent_path();
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::uint64_t value = 0;
        {
            const std::lock_guard lock(mutex);  // the window's exports run on a worker thread
            value = random();
        }
        char8_t suffix[16];
        for (int i = 0; i < 16; ++i)
            suffix[i] = u8"0123456789abcdef"[(value >> (4 * i)) & 0xF];
        fs::path candidate = folder / fs::path(u8"." + target.filename().u8string() + u8"." +
                                               std::u8string(suffix, suffix + 16) + u8".tmp");
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec)))
            return candidate;
    }
    return {};
}

bool isTemporaryName(const fs::path& name)
{
    // "." + at least one character of the name + "." + 16 hex digits + ".tmp"
    const std::u8string text = name.filename().u8string();
    constexpr std::size_t Tail = 1 + 16 + 4;
    if (text.size() < 2 + Tail || text[0] != u8'.' || !text.ends_with(u8".tmp"))
        return false;
    const std::size_t dot = text.size() - Tail;
    if (text[dot] != u8'.')
        return false;
    for (std::size_t i = dot + 1; i < dot + 17; ++i) {
        const char8_t c = text[i];
        if (!((c >= u8'0' && c <= u8'9') || (c >= u8'a' && c <= u8'f')))
            return false;
    }
    return true;
}

void sweepAbandonedTemporaries(const fs::path& folder)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (isTemporaryName(it->path().filename()) && it->is_regular_file(ec) && !it->is_symlink(ec))
            removeIfAbandoned(it->path());
    }
}

}  // namespace atomic_file_parts

bool AtomicFile::fail(std::string text, FileWriteFailure kind)
{
    // The first failure is the cause; what follows from it is not.
    if (!m_failed) {
        m_error = std::move(text);
        m_failure = kind;
    }
    m_failed = true;
    return false;
}

fs::path AtomicFile::replacementTarget(const fs::path& path)
{
    // The bound the kernel puts on links followed in one lookup; a chain
    // longer than that (a loop) ends at a link, which no save replaces.
    constexpr int MaxLinks = 40;
    fs::path current = path;
    for (int followed = 0; followed < MaxLinks; ++followed) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec)))
            break;
        const fs::path linked = fs::read_symlink(current, ec);
        if (ec)
            break;
        current = linked.is_absolute() ? linked : current.parent_path() / linked;
    }
    return current;
}

bool writeFileAtomically(const fs::path& path, std::string_view bytes, std::string* error, FileWriteFailure* failure)
{
    const std::unique_ptr<AtomicFile> file = AtomicFile::create(path, bytes.size(), error, failure);
    if (!file)
        return false;
    if (file->write(bytes.data(), bytes.size()) && file->commit())
        return true;
    if (error)
        *error = file->error();
    if (failure)
        *failure = file->failure();
    return false;
}

namespace {

class AtomicFileSaver final : public FileSaver {
public:
    bool save(const fs::path& path, std::string_view bytes, std::string* error,
              FileWriteFailure* failure) const override
    {
        return writeFileAtomically(path, bytes, error, failure);
    }
};

}  // namespace

const FileSaver& atomicFileSaver()
{
    static const AtomicFileSaver saver;
    return saver;
}

}  // namespace kelodi
