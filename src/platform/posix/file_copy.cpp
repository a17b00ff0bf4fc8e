// Block copies between two open files. The transfer worker moves every
// recording through here; letting the kernel move the bytes
// (copy_file_range) saves the trip through user memory and one of the two
// system calls per block, which is most of a copy's cost when the data sits
// in the page cache.
#include "platform/platform.h"

#include <cerrno>
#include <unistd.h>

namespace dz::platform {
namespace {

// Through the buffer: a read failure and a write failure are told apart so
// that the caller can blame the right side.
int64_t CopyThroughBuffer(File& in, File& out, void* buffer, size_t n) {
    const int64_t got = in.Read(buffer, n);
    if (got < 0)
        return File::kCopyReadFailed;
    if (got > 0 && !out.Write(buffer, static_cast<size_t>(got)))
        return File::kCopyWriteFailed;
    return got;
}

} // namespace

int64_t File::CopyTo(File& out, void* buffer, size_t bufferSize, size_t n) {
    if (m_fd < 0)
        return kCopyReadFailed;
    if (out.m_fd < 0)
        return kCopyWriteFailed;
    size_t done = 0;
    while (done < n) {
        const ssize_t r = copy_file_range(m_fd, nullptr, out.m_fd, nullptr, n - done, 0);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        // Zero is the end of the file for a regular file, but some file
        // systems answer zero where they cannot copy; an error may mean the
        // kernel copy is not offered between these two file systems, and when
        // it is a real fault it does not say whether reading or writing
        // failed. A plain read and write settles each case.
        while (done < n) {
            const size_t piece = n - done < bufferSize ? n - done : bufferSize;
            const int64_t got = CopyThroughBuffer(*this, out, buffer, piece);
            if (got < 0)
                return got;
            done += static_cast<size_t>(got);
            if (static_cast<size_t>(got) < piece)
                break; // the end of this file
        }
        break;
    }
    return static_cast<int64_t>(done);
}

} // namespace dz::platform
