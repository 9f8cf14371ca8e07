#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kelodi {

// Whole-file reads and writes for the score files.

// The bytes of a regular file, at most maxBytes of them. Empty, with a reason
// in `error`, when the path is no regular file, cannot be read or is larger.
std::optional<std::string> readFileBytes(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                         std::string* error = nullptr);

// Replaces the file at `path` with `bytes` in one step: the bytes go to a new
// temporary file in the same folder, which is then renamed over the target.
// Until the rename nothing of the old file changes, and a failure removes the
// temporary file again. A symbolic link is followed, so the file it points to
// is replaced and the link stays. An existing file's permissions are kept.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error = nullptr);

}  // namespace kelodi
