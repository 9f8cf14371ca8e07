// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/file_io.h"

#include <fstream>

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

}  // namespace kelodi
