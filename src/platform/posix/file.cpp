// The binary file handle: a POSIX descriptor, never inherited by a child
// process, with reads and writes that finish what they can.
#include "platform/platform.h"
#include "platform/temporary_name.h"

#include "common/text.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace dz::platform {
namespace {

// The recorder's files are regular files. A fifo or a device behind a
// recording's name would block an open or a read forever, so the open is
// non-blocking and anything but a regular file is refused; for a regular
// file the flag changes nothing.
int OpenRegular(const std::u16string& path, int flags) {
    if (path.empty())
        return -1;
    int fd;
    do
        fd = open(ToUtf8(path).c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// The locks this process holds on its temporaries, by path: a descriptor of
// the temporary's own, so the lock outlives the handle that wrote the file
// and goes only when the file is put in place or removed - or when the
// process ends, however it ends.
std::mutex g_heldMutex;
std::unordered_map<std::string, int> g_held;

void HoldTemporary(const std::string& native, int fd) {
    const int held = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (held < 0)
        return;
    if (flock(held, LOCK_EX | LOCK_NB) != 0) {
        close(held);
        return;
    }
    const std::lock_guard<std::mutex> lock(g_heldMutex);
    const auto [it, added] = g_held.try_emplace(native, held);
    if (!added) {
        close(it->second);
        it->second = held;
    }
}

void ReleaseHeld(const std::string& native) {
    const std::lock_guard<std::mutex> lock(g_heldMutex);
    if (const auto it = g_held.find(native); it != g_held.end()) {
        close(it->second);
        g_held.erase(it);
    }
}

// A file system that cannot refuse a rename over an existing name by
// itself answers the flag with one of these.
bool NoReplaceUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

} // namespace

void ReleaseTemporary(const std::u16string& path) {
    ReleaseHeld(ToUtf8(path));
}

std::optional<bool> TemporaryIsHeld(const std::u16string& path) {
    int fd;
    do
        fd = open(ToUtf8(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    std::optional<bool> held;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        held = false;
    else if (errno == EWOULDBLOCK)
        held = true;
    close(fd); // a lock taken here goes with it
    return held;
}

std::optional<std::time_t> ModificationTime(const std::u16string& path) {
    struct stat st;
    if (lstat(ToUtf8(path).c_str(), &st) != 0)
        return std::nullopt;
    return st.st_mtime;
}

File File::OpenRead(const std::u16string& path) {
    return File(OpenRegular(path, O_RDONLY));
}

File File::CreateWrite(const std::u16string& path) {
    return File(OpenRegular(path, O_WRONLY | O_CREAT | O_TRUNC));
}

File File::OpenReadFromDisk(const std::u16string& path) {
    File file(OpenRegular(path, O_RDONLY));
    // Only pages already written back can be dropped; a flushed file's are.
    if (file.IsOpen())
        posix_fadvise(file.m_fd, 0, 0, POSIX_FADV_DONTNEED);
    return file;
}

File File::OpenReadWrite(const std::u16string& path) {
    return File(OpenRegular(path, O_RDWR));
}

File File::CreateTemporary(const std::u16string& folder, std::u16string& path) {
    // O_EXCL with O_NOFOLLOW: a name that exists, a link among them, is
    // never opened; another name is tried instead.
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = JoinPath(folder, NextTemporaryName());
        int fd;
        do
            fd = open(ToUtf8(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0666);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            HoldTemporary(ToUtf8(path), fd);
            return File(fd);
        }
        if (errno != EEXIST)
            break;
    }
    path.clear();
    return File();
}

bool File::Fail(int error) {
    m_failure = error == ENOSPC || error == EDQUOT ? Failure::DiskFull
                : error == EFBIG                   ? Failure::TooLarge
                                                   : Failure::Other;
    return false;
}

int64_t File::Read(void* buffer, size_t n) {
    if (m_fd < 0)
        return -1;
    auto* p = static_cast<char*>(buffer);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = read(m_fd, p + got, n - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
            return -1;
        }
        if (r == 0)
            break; // end of file
        got += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(got);
}

bool File::Write(const void* buffer, size_t n) {
    if (m_fd < 0)
        return false;
    const auto* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < n) {
        const ssize_t w = write(m_fd, p + done, n - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (w == 0)
            return Fail(ENOSPC); // no progress: treat like a full disk
        done += static_cast<size_t>(w);
    }
    return true;
}

bool File::Seek(uint64_t offset) {
    return m_fd >= 0 && lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

int64_t File::Position() const {
    if (m_fd < 0)
        return -1;
    return lseek(m_fd, 0, SEEK_CUR);
}

int64_t File::Size() const {
    struct stat st;
    if (m_fd < 0 || fstat(m_fd, &st) != 0)
        return -1;
    return st.st_size;
}

namespace {

FileStamp StampFrom(const struct stat& st) {
    return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                     static_cast<uint64_t>(st.st_size),
                     static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

std::optional<FileStamp> File::Stamp() const {
    struct stat st;
    if (m_fd < 0 || fstat(m_fd, &st) != 0)
        return std::nullopt;
    return StampFrom(st);
}

std::optional<FileStamp> StampOf(const std::u16string& path) {
    struct stat st;
    if (stat(ToUtf8(path).c_str(), &st) != 0)
        return std::nullopt;
    return StampFrom(st);
}

bool CommitByRename(const std::u16string& from, const std::u16string& to) {
    // rename() replaces the directory entry `to`, whatever it is: a link is
    // replaced, its target is not touched.
    const std::string native = ToUtf8(from);
    if (rename(native.c_str(), ToUtf8(to).c_str()) != 0)
        return false;
    ReleaseHeld(native);
    return true;
}

CommitResult CommitWithoutReplacing(const std::u16string& from, const std::u16string& to) {
    const std::string source = ToUtf8(from);
    const std::string target = ToUtf8(to);
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        ReleaseHeld(source);
        return CommitResult::Done;
    }
    if (errno == EEXIST)
        return CommitResult::Exists;
    if (!NoReplaceUnsupported(errno))
        return CommitResult::Failed;
    // The caller's CommitLock keeps every other job out between the look
    // and the rename. A look that fails for another reason than absence
    // cannot promise that nothing is there.
    struct stat st;
    if (lstat(target.c_str(), &st) == 0)
        return CommitResult::Exists;
    if (errno != ENOENT)
        return CommitResult::Failed;
    if (rename(source.c_str(), target.c_str()) != 0)
        return CommitResult::Failed;
    ReleaseHeld(source);
    return CommitResult::Done;
}

namespace {

// The root of the file system that holds a folder. One folder may be
// reached under several names (another letter case on a FUSE FAT disk
// gives another inode each time), but never under another root.
std::string FileSystemRootOf(const std::string& folder) {
    char* resolved = realpath(folder.c_str(), nullptr);
    if (!resolved)
        return folder;
    std::string path = resolved;
    free(resolved);
    struct stat here;
    if (stat(path.c_str(), &here) != 0)
        return path;
    while (path != "/") {
        const size_t slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        struct stat above;
        if (stat(parent.c_str(), &above) != 0 || above.st_dev != here.st_dev)
            break;
        path = parent;
    }
    return path;
}

} // namespace

CommitLock::CommitLock(const std::u16string& folder) {
    // The lock is taken on the root of the folder's file system: every job
    // that commits into that file system, by whatever name it reached the
    // folder, waits for the others. Commits are a few renames, so the wait
    // is short.
    const int fd =
        open(FileSystemRootOf(ToUtf8(folder)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int locked;
    do
        locked = flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        close(fd);
        return;
    }
    m_handle = fd;
}

CommitLock::~CommitLock() {
    if (m_handle >= 0)
        close(static_cast<int>(m_handle)); // the lock goes with the descriptor
}

bool FlushFolder(const std::u16string& folder) {
    const int fd = open(ToUtf8(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    close(fd);
    return ok;
}

bool File::Flush() {
    if (m_fd < 0)
        return false;
    if (fdatasync(m_fd) == 0)
        return true;
    // Some file systems (and pipes in tests) cannot sync; that is no reason
    // to fail a copy whose bytes were all written.
    if (errno == EINVAL || errno == EROFS)
        return true;
    return Fail(errno);
}

bool File::Close() {
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    // The descriptor is gone after close() whatever it answers, EINTR
    // included; an error still means written data may not have arrived.
    if (close(fd) != 0 && errno != EINTR)
        return Fail(errno);
    return true;
}

} // namespace dz::platform
