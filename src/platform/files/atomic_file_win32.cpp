// SPDX-License-Identifier: GPL-3.0-or-later
// AtomicFile on Windows. The temporary file is a named one, opened without
// FILE_SHARE_DELETE: while its writer holds it open nobody can remove it, so
// the sweep of a later save removes exactly the files whose writer died.
#include "platform/files/atomic_file.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ library defines it already
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "atomic_file_parts.h"

namespace kelodi {

namespace fs = std::filesystem;
using namespace atomic_file_parts;

namespace {

void closeQuietly(HANDLE& handle)
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
}

bool writeAll(HANDLE handle, const char* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 30));
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool seek(HANDLE handle, std::uint64_t offset)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != 0;
}

// A scratch file in the system's temporary folder, removed when closed.
HANDLE openScratch()
{
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    if (ec) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path name = temporaryPathBeside(folder / "kelodi-scratch");
        if (name.empty())
            break;
        const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return handle;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

struct AtomicFile::System {
    ~System()
    {
        closeQuietly(file);
        if (!name.empty())
            DeleteFileW(name.c_str());
        closeQuietly(target);
    }

    bool inPlace = false;
    HANDLE file = INVALID_HANDLE_VALUE;    // where write() puts the bytes
    fs::path name;                         // the temporary file until it is renamed
    HANDLE target = INVALID_HANDLE_VALUE;  // in place: the file itself
};

void atomic_file_parts::removeIfAbandoned(const fs::path& temporary)
{
    // Fails while a writer holds the file open.
    DeleteFileW(temporary.c_str());
}

std::string atomic_file_parts::systemErrorText(std::string_view doing, int code, FileWriteFailure& kind)
{
    const bool full = code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL;
    kind = full ? FileWriteFailure::DiskFull : FileWriteFailure::Other;
    // A full disk is said as on the other systems, where the words are the C
    // library's.
    const std::string reason = full ? "No space left on device" : std::system_category().message(code);
    return doing.empty() ? reason : std::string(doing) + ": " + reason;
}

bool AtomicFile::openFiles(std::string& error, FileWriteFailure& failure)
{
    auto refuse = [&](std::string_view doing, DWORD code) {
        error = systemErrorText(doing, static_cast<int>(code), failure);
        return false;
    };
    m_system = std::make_unique<System>();
    System& system = *m_system;
    DWORD code = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && code == ERROR_FILE_EXISTS; ++attempt) {
        system.name = temporaryPathBeside(m_target);
        if (system.name.empty())
            break;
        system.file = CreateFileW(system.name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (system.file != INVALID_HANDLE_VALUE)
            return true;
        code = GetLastError();
        system.name.clear();
    }

    std::error_code ec;
    if (code != ERROR_ACCESS_DENIED || !fs::is_regular_file(m_target, ec))
        return refuse("cannot create a file in the folder", code);
    // A folder the user may not write to, and a file the user may.
    system.inPlace = true;
    system.target = CreateFileW(m_target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (system.target == INVALID_HANDLE_VALUE)
        return refuse("the folder takes no new file, and the file cannot be written", GetLastError());
    // Room for the new content, without changing the old: an allocation
    // below the end of the file would cut it.
    LARGE_INTEGER oldSize{};
    GetFileSizeEx(system.target, &oldSize);
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = std::max(static_cast<LONGLONG>(m_size), oldSize.QuadPart);
    if (!SetFileInformationByHandle(system.target, FileAllocationInfo, &allocation, sizeof allocation))
        return refuse({}, GetLastError());
    system.file = openScratch();
    if (system.file == INVALID_HANDLE_VALUE)
        return refuse("cannot create a scratch file in the temporary folder", GetLastError());
    return true;
}

AtomicFile::AtomicFile(fs::path target, std::uint64_t size) : m_target(std::move(target)), m_size(size) {}

AtomicFile::~AtomicFile() = default;

bool AtomicFile::writeFiles(const char* data, std::size_t bytes)
{
    return writeAll(m_system->file, data, bytes) || failWithSystemError({}, static_cast<int>(GetLastError()));
}

bool AtomicFile::commitFiles()
{
    System& system = *m_system;
    auto lastError = [] { return static_cast<int>(GetLastError()); };

    if (system.inPlace) {
        // The room is reserved: only a failing disk can stop the copy now.
        if (!seek(system.file, 0) || !seek(system.target, 0))
            return failWithSystemError({}, lastError());
        std::vector<char> block(std::size_t{1} << 20);
        std::uint64_t copied = 0;
        while (copied < m_size) {
            DWORD got = 0;
            if (!ReadFile(system.file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) || got == 0)
                return failWithSystemError("cannot read the scratch file", got == 0 ? ERROR_HANDLE_EOF : lastError());
            if (!writeAll(system.target, block.data(), got))
                return failWithSystemError({}, lastError());
            copied += got;
        }
        if (!SetEndOfFile(system.target) || !FlushFileBuffers(system.target))
            return failWithSystemError({}, lastError());
        if (!CloseHandle(std::exchange(system.target, INVALID_HANDLE_VALUE)))
            return failWithSystemError({}, lastError());
        return true;
    }

    if (!FlushFileBuffers(system.file))
        return failWithSystemError({}, lastError());
    if (!CloseHandle(std::exchange(system.file, INVALID_HANDLE_VALUE)))
        return failWithSystemError({}, lastError());
    std::string reason;
    if (!mayReplace(m_target, reason))
        return fail(reason);
    if (!MoveFileExW(system.name.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return failWithSystemError({}, lastError());
    system.name.clear();
    return true;
}

}  // namespace kelodi
