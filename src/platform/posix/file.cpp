// The binary file handle: a POSIX descriptor, never inherited by a child
// process, with reads and writes that finish what they can.
#include "platform/platform.h"

#include "common/text.h"

#include <cerrno>
#include <fcntl.h>
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

File::~File() {
    Close();
}

File::File(File&& other) noexcept : m_fd(other.m_fd) {
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

File File::OpenRead(const std::u16string& path) {
    return File(OpenRegular(path, O_RDONLY));
}

File File::CreateWrite(const std::u16string& path) {
    return File(OpenRegular(path, O_WRONLY | O_CREAT | O_TRUNC));
}

File File::OpenReadWrite(const std::u16string& path) {
    return File(OpenRegular(path, O_RDWR));
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
            return false;
        }
        if (w == 0)
            return false; // no progress: treat like a full disk
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

void File::Close() {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

} // namespace dz::platform
