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

// Replaces the file at `path` with `bytes` in one step: the bytes go to a new
// temporary file in the same folder, which is then renamed over the target.
// Until the rename nothing of the old file changes, and a failure removes the
// temporary file again. Symbolic links are followed to the end of their
// chain, so the file they lead to is replaced and the links stay. An existing
// file's permissions are kept. Anything that exists and is not a regular file
// (a device, a pipe, a folder) is refused and left as it is. In a folder
// where no temporary file can be created, an existing writable file is
// written in place instead (the old content is then not safe from a failure
// part-way).
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error = nullptr);

// The steps of writeFileAtomically, for writers that produce a file bit by
// bit (a rendered WAV file):
//
// The file an atomic write of `path` replaces: the one at the end of the
// chain of symbolic links starting at `path`, or `path` itself.
std::filesystem::path replacementTarget(const std::filesystem::path& path);

// A free name for a temporary file in the folder of `target`, starting with
// "." so that a file left behind by a crash stays out of listings. Empty when
// none is found.
std::filesystem::path temporaryPathBeside(const std::filesystem::path& target);

// Renames the complete `temporary` over `target` in one step, with the
// permissions of the file it replaces. A target that exists and is not a
// regular file is refused. On failure the temporary file is removed and
// `target` is left as it was.
bool moveIntoPlace(const std::filesystem::path& temporary, const std::filesystem::path& target,
                   std::string* error = nullptr);

// For a folder where no temporary file can be made beside `target` (one the
// user may not write to) while `target` itself is a writable regular file:
// the complete `temporary`, made in another folder, is copied over the
// content of `target` in place and then removed. Only the copy itself can
// leave `target` damaged. A target that is no regular file is refused.
bool copyIntoPlace(const std::filesystem::path& temporary, const std::filesystem::path& target,
                   std::string* error = nullptr);

}  // namespace kelodi
