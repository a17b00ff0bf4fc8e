// The binary file handle: a POSIX descriptor, never inherited by a child
// process, with reads and writes that finish what they can.
#include "platform/platform.h"
#include "platform/temporary_name.h"

#include "common/text.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

File File::OpenRead(const std::u16string& path) {
    return File(OpenRegular(path, O_RDONLY));
}

File File::CreateWrite(const std::u16string& path) {
    return File(OpenRegular(path, O_WRONLY | O_CREAT | O_TRUNC));
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
        if (fd >= 0)
            return File(fd);
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

bool CommitByRename(const std::u16string& from, const std::u16string& to) {
    // rename() replaces the directory entry `to`, whatever it is: a link is
    // replaced, its target is not touched.
    return rename(ToUtf8(from).c_str(), ToUtf8(to).c_str()) == 0;
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
