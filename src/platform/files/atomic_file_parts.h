// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the system-specific halves of AtomicFile share; not part of the
// library's interface.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/recording/file_io.h"

namespace kelodi::atomic_file_parts {

// Whether a save may put a file at `target`: nothing is there yet, or a
// regular file is. Otherwise false, with the reason.
bool mayReplace(const std::filesystem::path& target, std::string& error);

// A free name for a temporary file beside `target`, ".NAME.<16 hex>.tmp":
// hidden from listings, and recognisable as the program's own. Empty when
// none is found.
std::filesystem::path temporaryPathBeside(const std::filesystem::path& target);

// Whether `name` is one temporaryPathBeside gives.
bool isTemporaryName(const std::filesystem::path& name);

// The system's words for error `code` (errno, or GetLastError() on
// Windows), after `doing` when there is one; `kind` says whether the disk is
// full.
std::string systemErrorText(std::string_view doing, int code, FileWriteFailure& kind);

// Removes the temporary files in `folder` that no running writer holds.
// Which ones those are is the system's part (removeIfAbandoned).
void sweepAbandonedTemporaries(const std::filesystem::path& folder);
void removeIfAbandoned(const std::filesystem::path& temporary);

}  // namespace kelodi::atomic_file_parts
