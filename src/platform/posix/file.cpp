// The binary file handle: a POSIX descriptor, never inherited by a child
// process, with reads and writes that finish what they can.
#include "platform/platform.h"

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

// ".dezadide-<process id>-<number>.tmp": the process id tells a later job
// whether the job that made it still runs; no recording or plain-file
// extension, so no list ever shows it.
constexpr std::string_view kTemporaryStart = ".dezadide-";
constexpr std::string_view kTemporaryEnd = ".tmp";

std::u16string NextTemporaryName() {
    static std::atomic<unsigned long> counter{0};
    const std::string name = std::string(kTemporaryStart) + std::to_string(getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + std::string(kTemporaryEnd);
    return std::u16string(name.begin(), name.end());
}

// The process id inside a temporary name, or 0 when it is none of ours.
long TemporaryOwner(std::u16string_view name) {
    if (name.size() <= kTemporaryStart.size() + kTemporaryEnd.size())
        return 0;
    for (size_t i = 0; i < kTemporaryStart.size(); ++i)
        if (name[i] != static_cast<char16_t>(kTemporaryStart[i]))
            return 0;
    const size_t endAt = name.size() - kTemporaryEnd.size();
    for (size_t i = 0; i < kTemporaryEnd.size(); ++i)
        if (name[endAt + i] != static_cast<char16_t>(kTemporaryEnd[i]))
            return 0;
    long pid = 0;
    size_t i = kTemporaryStart.size();
    for (; i < endAt && name[i] >= u'0' && name[i] <= u'9'; ++i)
        pid = pid * 10 + (name[i] - u'0');
    if (i == kTemporaryStart.size() || i >= endAt || name[i] != u'-' || pid <= 0)
        return 0;
    return pid;
}

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

File::File(File&& other) noexcept : m_fd(other.m_fd), m_failure(other.m_failure) {
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_failure = other.m_failure;
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

bool IsTemporaryName(std::u16string_view name) {
    return TemporaryOwner(name) != 0;
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

void RemoveStaleTemporaries(const std::u16string& folder) {
    std::vector<FolderName> names;
    if (!SearchFolderNames(folder, names))
        return;
    for (const FolderName& entry : names) {
        const long owner = TemporaryOwner(entry.name);
        if (owner == 0 || entry.isFolder)
            continue;
        // A job of a running process (this one included) still needs its files.
        if (kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM)
            continue;
        unlink(ToUtf8(JoinPath(folder, entry.name)).c_str());
    }
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
