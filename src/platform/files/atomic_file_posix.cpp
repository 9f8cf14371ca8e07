// SPDX-License-Identifier: GPL-3.0-or-later
// AtomicFile on POSIX systems. On Linux the temporary file is opened with
// O_TMPFILE: it has no name until it is complete, so a writer killed part-way
// (SIGKILL, a crash, a power cut) leaves nothing behind. Where the file system
// has no such files, a named one is used, held with flock() while it is
// written, so that the sweep of a later save can tell it from one whose writer
// died.
#include "platform/files/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include "atomic_file_parts.h"

namespace kelodi {

namespace fs = std::filesystem;
using namespace atomic_file_parts;

namespace {

void closeQuietly(int& fd)
{
    if (fd >= 0)
        ::close(std::exchange(fd, -1));
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, std::min<std::size_t>(size, std::size_t{1} << 30));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// An unnamed file in `folder`, or -1 with errno. It is named at the end
// through its entry in /proc/self/fd, which needs no privilege (linkat's
// AT_EMPTY_PATH does), so without /proc it is not used.
int openUnnamed(const fs::path& folder, int access)
{
#ifdef O_TMPFILE
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    if (procMounted)
        return ::open(folder.c_str(), O_TMPFILE | access | O_CLOEXEC, 0666);
#else
    (void)folder;
    (void)access;
#endif
    errno = EOPNOTSUPP;
    return -1;
}

// The errors with which O_TMPFILE says only that the file system (or the
// kernel) has no unnamed files.
bool unnamedUnsupported(int code)
{
    return code == EOPNOTSUPP || code == EISDIR || code == EINVAL;
}

// A new temporary file beside `target`, named in `name` and locked; -1 with
// errno.
int openNamed(const fs::path& target, fs::path& name)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = temporaryPathBeside(target);
        if (name.empty())
            break;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // The lock says "still being written" to the sweep of other saves. A
        // sweep that took the new file for an abandoned one between the open
        // and the lock has removed it: then another name is tried. A file
        // system without locks is written unlocked.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            continue;
        }
        struct stat mine {};
        struct stat there {};
        if (::fstat(fd, &mine) == 0 && ::lstat(name.c_str(), &there) == 0 && sameFile(mine, there))
            return fd;
        ::close(fd);
    }
    name.clear();
    errno = EEXIST;
    return -1;
}

// A scratch file that vanishes when closed, in the system's temporary folder.
int openScratch()
{
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    if (ec) {
        errno = ENOENT;
        return -1;
    }
    int fd = openUnnamed(folder, O_RDWR);
    if (fd >= 0 || !unnamedUnsupported(errno))
        return fd;
    std::string pattern = (folder / ".kelodi-scratch.XXXXXX").string();
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(pattern.c_str());
    return fd;
}

// Reserves the blocks for `size` bytes of the file without changing its size
// or content, so that writing them later cannot run out of room.
bool reserve(int fd, std::uint64_t size)
{
    if (size == 0)
        return true;
#ifdef FALLOC_FL_KEEP_SIZE
    int result = 0;
    while ((result = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size))) != 0 && errno == EINTR) {
    }
    return result == 0;
#else
    (void)fd;
    errno = EOPNOTSUPP;
    return false;
#endif
}

// Gives back blocks reserved beyond the end of a file that was not written.
void releaseReserved(int fd, std::uint64_t from, std::uint64_t to)
{
#if defined(FALLOC_FL_PUNCH_HOLE) && defined(FALLOC_FL_KEEP_SIZE)
    if (to > from)
        ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(from),
                    static_cast<off_t>(to - from));
#else
    (void)fd;
    (void)from;
    (void)to;
#endif
}

}  // namespace

struct AtomicFile::System {
    enum class Mode { Unnamed, Named, InPlace };

    ~System()
    {
        closeQuietly(file);
        if (!name.empty())
            ::unlink(name.c_str());
        if (target >= 0) {
            if (reserved)
                releaseReserved(target, oldSize, size);
            closeQuietly(target);
        }
    }

    Mode mode = Mode::Unnamed;
    int file = -1;        // where write() puts the bytes: the temporary file, or the scratch file
    fs::path name;        // the temporary file's name while it has one of its own
    int target = -1;      // in place: the file itself
    bool reserved = false;
    std::uint64_t oldSize = 0;
    std::uint64_t size = 0;
};

void atomic_file_parts::removeIfAbandoned(const fs::path& temporary)
{
    int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return;
    // A writer that runs holds its lock; one that died has let go of it. Only
    // the user's own files are taken, and only the file that was locked.
    struct stat locked {};
    struct stat there {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &locked) == 0 && S_ISREG(locked.st_mode) &&
        locked.st_uid == ::geteuid() && ::lstat(temporary.c_str(), &there) == 0 && sameFile(locked, there))
        ::unlink(temporary.c_str());
    ::close(fd);
}

std::string atomic_file_parts::systemErrorText(std::string_view doing, int code, FileWriteFailure& kind)
{
    kind = code == ENOSPC || code == EDQUOT ? FileWriteFailure::DiskFull : FileWriteFailure::Other;
    const std::string reason = std::generic_category().message(code);
    return doing.empty() ? reason : std::string(doing) + ": " + reason;
}

bool AtomicFile::openFiles(std::string& error, FileWriteFailure& failure)
{
    auto refuse = [&](std::string_view doing, int code) {
        error = systemErrorText(doing, code, failure);
        return false;
    };
    m_system = std::make_unique<System>();
    System& system = *m_system;
    const fs::path folder = m_target.parent_path().empty() ? fs::path(".") : m_target.parent_path();
    system.size = m_size;
    system.file = openUnnamed(folder, O_WRONLY);
    int code = errno;
    if (system.file >= 0) {
        // Locked for the moment it has a name, at the end.
        ::flock(system.file, LOCK_EX | LOCK_NB);
        return true;
    }
    if (unnamedUnsupported(code)) {
        system.mode = System::Mode::Named;
        system.file = openNamed(m_target, system.name);
        if (system.file >= 0)
            return true;
        code = errno;
    }

    struct stat old {};
    const bool exists = ::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (!exists || (code != EACCES && code != EPERM))
        return refuse("cannot create a file in the folder", code);
    // A folder the user may not write to, and a file the user may.
    system.mode = System::Mode::InPlace;
    system.target = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (system.target < 0)
        return refuse("the folder takes no new file, and the file cannot be written", errno);
    if (!reserve(system.target, m_size)) {
        code = errno;
        if (code == EOPNOTSUPP) {
            error = "the folder takes no new file, and room to rewrite the file cannot be reserved";
            failure = FileWriteFailure::Other;
            return false;
        }
        return refuse({}, code);
    }
    system.reserved = true;
    system.oldSize = static_cast<std::uint64_t>(old.st_size);
    system.file = openScratch();
    if (system.file < 0)
        return refuse("cannot create a scratch file in the temporary folder", errno);
    return true;
}

AtomicFile::AtomicFile(fs::path target, std::uint64_t size) : m_target(std::move(target)), m_size(size) {}

AtomicFile::~AtomicFile() = default;

bool AtomicFile::writeFiles(const char* data, std::size_t bytes)
{
    return writeAll(m_system->file, data, bytes) || failWithSystemError({}, errno);
}

bool AtomicFile::commitFiles()
{
    System& system = *m_system;
    if (system.mode == System::Mode::InPlace) {
        // The room is reserved: only a failing disk can stop the copy now.
        if (::lseek(system.file, 0, SEEK_SET) != 0)
            return failWithSystemError({}, errno);
        std::vector<char> block(std::size_t{1} << 20);
        std::uint64_t copied = 0;
        while (copied < m_size) {
            const ssize_t got = ::read(system.file, block.data(), block.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return failWithSystemError("cannot read the scratch file", got < 0 ? errno : EIO);
            if (::lseek(system.target, static_cast<off_t>(copied), SEEK_SET) < 0 ||
                !writeAll(system.target, block.data(), static_cast<std::size_t>(got)))
                return failWithSystemError({}, errno);
            copied += static_cast<std::uint64_t>(got);
        }
        if (::ftruncate(system.target, static_cast<off_t>(m_size)) != 0 || ::fsync(system.target) != 0)
            return failWithSystemError({}, errno);
        system.reserved = false;
        if (::close(std::exchange(system.target, -1)) != 0)
            return failWithSystemError({}, errno);
        return true;
    }

    // The permissions of the file it replaces.
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(system.file, old.st_mode & 07777);
    // Written through before it takes the old file's place: after a power
    // cut the name holds the old content or the new, never an empty file.
    if (::fsync(system.file) != 0)
        return failWithSystemError({}, errno);
    if (system.mode == System::Mode::Unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(system.file);
        for (int attempt = 0; attempt < 16 && system.name.empty(); ++attempt) {
            fs::path name = temporaryPathBeside(m_target);
            if (name.empty())
                break;
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                system.name = std::move(name);
            else if (errno != EEXIST)
                return failWithSystemError({}, errno);
        }
        if (system.name.empty())
            return fail("no free temporary file name");
    }
    if (::close(std::exchange(system.file, -1)) != 0)
        return failWithSystemError({}, errno);
    std::string reason;
    if (!mayReplace(m_target, reason))
        return fail(reason);
    if (::rename(system.name.c_str(), m_target.c_str()) != 0)
        return failWithSystemError({}, errno);
    system.name.clear();
    return true;
}

}  // namespace kelodi
