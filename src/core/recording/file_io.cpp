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
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path linked = fs::read_symlink(path, ec);
        if (!ec)
            return linked.is_absolute() ? linked : path.parent_path() / linked;
    }
    return path;
}

bool moveIntoPlace(const fs::path& temporary, const fs::path& target, std::string* error)
{
    std::error_code ec;
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

    const fs::path temporary = temporaryPathBeside(target);
    if (temporary.empty()) {
        setError(error, "no free temporary file name");
        return false;
    }
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
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
