// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/file_io.h"

#include <fstream>
#include <random>

namespace kelodi {

namespace fs = std::filesystem;

namespace {

void setError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

// Records why a read failed; returns the empty result to pass on.
std::optional<std::string> failed(std::string* error, std::string text, FileReadFailure* failure,
                                  FileReadFailure kind)
{
    setError(error, std::move(text));
    if (failure)
        *failure = kind;
    return std::nullopt;
}

// Whether a save may put a file at `target`: nothing is there yet, or a
// regular file is. A device, a pipe, a folder or a loop of links is refused
// and left as it is: renaming over /dev/null would take it from everyone.
bool mayReplace(const fs::path& target, std::string* error)
{
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (status.type() == fs::file_type::not_found || fs::is_regular_file(status))
        return true;
    setError(error, ec ? ec.message() : "not a regular file");
    return false;
}

// Replaces the content of an existing file in place, for a folder where no
// temporary file can be made. A failure part-way leaves the file damaged;
// that is the price of a folder the user may not write to, and only paid
// when there is no other way.
bool writeInPlace(const fs::path& target, std::string_view bytes, std::string* error)
{
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) {
        setError(error, "cannot create a file in the folder, nor write the file itself");
        return false;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) {
        setError(error, "write error");
        return false;
    }
    return true;
}

}  // namespace

fs::path temporaryPathBeside(const fs::path& target)
{
    static std::mt19937_64 random{std::random_device{}()};
    const fs::path folder = target.parent_path();
    for (int attempt = 0; attempt < 64; ++attempt) {
        char suffix[17];
        const auto value = random();
        for (int i = 0; i < 16; ++i)
            suffix[i] = "0123456789abcdef"[(value >> (4 * i)) & 0xF];
        suffix[16] = '\0';
        fs::path candidate = folder / fs::path(u8"." + target.filename().u8string() + u8"." +
                                               std::u8string(suffix, suffix + 16) + u8".tmp");
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec)))
            return candidate;
    }
    return {};
}

fs::path replacementTarget(const fs::path& path)
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

bool moveIntoPlace(const fs::path& temporary, const fs::path& target, std::string* error)
{
    std::error_code ec;
    if (!mayReplace(target, error)) {
        fs::remove(temporary, ec);
        return false;
    }
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old))
        fs::permissions(temporary, old.permissions(), ec);

    fs::rename(temporary, target, ec);
    if (ec) {
        setError(error, ec.message());
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

bool copyIntoPlace(const fs::path& temporary, const fs::path& target, std::string* error)
{
    std::error_code ec;
    bool copied = false;
    if (!fs::is_regular_file(target, ec)) {
        setError(error, ec ? ec.message() : "not a regular file");
    } else {
        std::ifstream in(temporary, std::ios::binary);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!in || !out) {
            setError(error, "cannot write the file");
        } else {
            out << in.rdbuf();
            out.close();
            copied = !out.fail() && !in.bad();
            if (!copied)
                setError(error, "write error");
        }
    }
    fs::remove(temporary, ec);
    return copied;
}

std::optional<std::string> readFileBytes(const fs::path& path, std::uintmax_t maxBytes, std::string* error,
                                         FileReadFailure* failure)
{
    if (failure)
        *failure = FileReadFailure::None;
    std::error_code ec;
    // Anything but a regular file (a folder, a pipe, a device) could block or
    // never end, so it is refused before opening.
    const fs::file_status status = fs::status(path, ec);
    if (!fs::is_regular_file(status)) {
        if (status.type() == fs::file_type::not_found)
            return failed(error, ec ? ec.message() : "no such file", failure, FileReadFailure::Missing);
        return failed(error, ec ? ec.message() : "not a regular file", failure, FileReadFailure::Unreadable);
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > maxBytes)
        return failed(error,
                      "file too large (" + std::to_string(size) + " bytes, at most " + std::to_string(maxBytes) + ")",
                      failure, FileReadFailure::TooLarge);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return failed(error, "cannot open the file", failure, FileReadFailure::Unreadable);
    std::string bytes;
    if (!ec)
        bytes.reserve(static_cast<std::size_t>(size));
    // Read by blocks rather than trusting the size: the file may grow.
    char block[64 * 1024];
    while (in) {
        in.read(block, sizeof block);
        bytes.append(block, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxBytes)
            return failed(error, "file too large (more than " + std::to_string(maxBytes) + " bytes)", failure,
                          FileReadFailure::TooLarge);
    }
    if (in.bad())
        return failed(error, "read error", failure, FileReadFailure::Unreadable);
    return bytes;
}

bool writeFileAtomically(const fs::path& path, std::string_view bytes, std::string* error)
{
    const fs::path target = replacementTarget(path);
    if (target.filename().empty()) {
        setError(error, "no file name");
        return false;
    }
    if (!mayReplace(target, error))
        return false;

    const fs::path temporary = temporaryPathBeside(target);
    if (temporary.empty()) {
        setError(error, "no free temporary file name");
        return false;
    }
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            // A writable file in a folder the user may not write to.
            std::error_code ec;
            if (fs::is_regular_file(target, ec))
                return writeInPlace(target, bytes, error);
            setError(error, "cannot create a file in the folder");
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out.fail()) {
            std::error_code ec;
            fs::remove(temporary, ec);
            setError(error, "write error");
            return false;
        }
    }
    return moveIntoPlace(temporary, target, error);
}

}  // namespace kelodi
