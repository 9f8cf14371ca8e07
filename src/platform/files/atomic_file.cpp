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

std::unique_ptr<AtomicFile> AtomicFile::create(const fs::path& path, std::uint64_t size, std::string* error,
                                               FileWriteFailure* failure)
{
    std::string reason;
    FileWriteFailure kind = FileWriteFailure::Other;
    const fs::path target = replacementTarget(path);
    if (target.filename().empty()) {
        reason = "no file name";
    } else if (atomic_file_parts::mayReplace(target, reason)) {
        atomic_file_parts::sweepAbandonedTemporaries(target.parent_path());
        std::unique_ptr<AtomicFile> file(new AtomicFile(target, size));
        if (file->openFiles(reason, kind)) {
            if (failure)
                *failure = FileWriteFailure::None;
            return file;
        }
    }
    if (error)
        *error = std::move(reason);
    if (failure)
        *failure = kind;
    return nullptr;
}

bool AtomicFile::write(const void* data, std::size_t bytes)
{
    if (m_failed)
        return false;
    if (m_committed || bytes > m_size - m_written)
        return fail("more bytes than the file was to hold");
    if (!writeFiles(static_cast<const char*>(data), bytes))
        return false;
    m_written += bytes;
    return true;
}

bool AtomicFile::commit()
{
    if (m_failed)
        return false;
    if (m_committed)
        return true;
    if (m_written != m_size)
        return fail("the file is not complete (" + std::to_string(m_written) + " of " + std::to_string(m_size) +
                    " bytes)");
    m_committed = commitFiles();
    return m_committed;
}

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

bool AtomicFile::failWithSystemError(std::string_view doing, int code)
{
    FileWriteFailure kind = FileWriteFailure::Other;
    std::string text = atomic_file_parts::systemErrorText(doing, code, kind);
    return fail(std::move(text), kind);
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
