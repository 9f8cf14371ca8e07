// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kelodi {

// Whole-file reads and writes for the score files.

// Why a file was not read, for callers that tell the user.
enum class FileReadFailure {
    None,
    Missing,     // nothing at the path
    TooLarge,    // more than the bytes allowed
    Unreadable,  // a folder or other non-file, no permission, a read error
};

// The bytes of a regular file, at most maxBytes of them. Empty, with a reason
// in `error` and its kind in `failure`, when the path is no regular file,
// cannot be read or is larger.
std::optional<std::string> readFileBytes(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                         std::string* error = nullptr, FileReadFailure* failure = nullptr);

// Why a file was not written, for callers that tell the user.
enum class FileWriteFailure {
    None,
    DiskFull,  // no room left on the disk (or in the user's quota)
    Other,     // anything else; the reason text says what
};

// Where core's writers put whole files. The platform's writer (AtomicFile)
// implements it: the file at `path` is replaced by `bytes` in one step, or
// left as it was.
class FileSaver {
public:
    virtual ~FileSaver() = default;

    // False, with a reason in `error` and its kind in `failure`, when the
    // file was not written; the old file is then as it was.
    virtual bool save(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr,
                      FileWriteFailure* failure = nullptr) const = 0;
};

}  // namespace kelodi
