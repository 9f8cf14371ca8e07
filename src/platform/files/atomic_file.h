// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/recording/file_io.h"

namespace kelodi {

// A file that appears whole or not at all: every save of the program (scores,
// MIDI and WAV exports, settings) goes through it.
//
// The new content goes to a temporary file in the folder of the file it
// replaces and is renamed over it in one step at commit(); until then nothing
// of the old file changes. Where the system can (Linux), the temporary file
// has no name until it is complete, so a program killed part-way leaves
// nothing behind. Elsewhere it is a hidden ".NAME.<16 hex digits>.tmp", and
// the next save into that folder removes those left by writers that no longer
// run. Symbolic links are followed to the end of their chain, so the file they
// lead to is replaced and the links stay; an existing file keeps its
// permissions. Anything that exists and is no regular file (a device, a pipe,
// a folder) is refused and left as it is.
//
// In a folder that takes no new file (one the user may not write to), an
// existing file the user may write is overwritten in place: the room for the
// whole new content is reserved on the disk first (the write is refused when
// it cannot be), the content goes to a scratch file in the system's temporary
// folder, and only a complete, committed content is copied over the old one.
//
// Every write, flush and close is checked; a disk that fills up fails the save
// with the system's reason, and FileWriteFailure::DiskFull.
class AtomicFile {
public:
    // Starts replacing the file at `path` with exactly `size` bytes. Empty,
    // with the reason, when no such file can be started.
    static std::unique_ptr<AtomicFile> create(const std::filesystem::path& path, std::uint64_t size,
                                              std::string* error = nullptr, FileWriteFailure* failure = nullptr);
    // Without a commit, nothing of the new content remains and the old file
    // is as it was.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends bytes; false (and nothing more is written) when they could not
    // be written or go beyond the size announced.
    bool write(const void* data, std::size_t bytes);
    // Puts the complete file in place; false when it was not complete or
    // could not be put there, and the old file is then as it was.
    bool commit();

    // Why the last call failed.
    const std::string& error() const { return m_error; }
    FileWriteFailure failure() const { return m_failure; }

    // The file a save of `path` replaces: the one at the end of the chain of
    // symbolic links starting at `path`, or `path` itself.
    static std::filesystem::path replacementTarget(const std::filesystem::path& path);

private:
    struct System;  // the open files, per operating system

    AtomicFile(std::filesystem::path target, std::uint64_t size);
    bool fail(std::string text, FileWriteFailure kind = FileWriteFailure::Other);
    bool failWithSystemError(std::string_view doing, int code);

    // The system's part: opening the files that replace the target (false,
    // with the reason, when they cannot be had), writing to them and putting
    // the complete file in place.
    bool openFiles(std::string& error, FileWriteFailure& failure);
    bool writeFiles(const char* data, std::size_t bytes);
    bool commitFiles();

    std::filesystem::path m_target;
    std::uint64_t m_size;
    std::uint64_t m_written = 0;
    bool m_failed = false;
    bool m_committed = false;
    std::string m_error;
    FileWriteFailure m_failure = FileWriteFailure::None;
    std::unique_ptr<System> m_system;
};

// Replaces the file at `path` with `bytes` through an AtomicFile.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr,
                         FileWriteFailure* failure = nullptr);

// The FileSaver that core's writers save through.
const FileSaver& atomicFileSaver();

}  // namespace kelodi
