// The binary file handle: a Windows file handle opened on the wide path,
// never inherited by a child process, with reads and writes that finish
// what they can. Block copies go through the caller's buffer.
#include "platform/platform.h"
#include "platform/temporary_name.h"

#include "platform/win32/win32_text.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>

namespace dz::platform {
namespace {

// One ReadFile or WriteFile moves at most a DWORD's worth.
constexpr size_t kMaxTransfer = size_t{1} << 30;

// The recorder's files are regular files: a device name ("NUL", "COM1")
// or a folder behind a recording's name is refused.
intptr_t OpenRegular(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
    if (path.empty())
        return -1;
    const HANDLE h = CreateFileW(win32::ApiPath(path).c_str(), access, share, nullptr, disposition,
                                 FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return -1;
    }
    return reinterpret_cast<intptr_t>(h);
}

HANDLE AsHandle(intptr_t native) {
    return reinterpret_cast<HANDLE>(native);
}

} // namespace

File File::OpenRead(const std::u16string& path) {
    return File(OpenRegular(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
}

// Unbuffered reads need sector-aligned buffers and lengths, which the
// callers' blocks do not promise yet: for now this reads through the cache.
File File::OpenReadFromDisk(const std::u16string& path) {
    return OpenRead(path);
}

File File::CreateWrite(const std::u16string& path) {
    return File(OpenRegular(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
}

File File::OpenReadWrite(const std::u16string& path) {
    return File(OpenRegular(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
}

File File::CreateTemporary(const std::u16string& folder, std::u16string& path) {
    // CREATE_NEW: a name that exists is never opened; another is tried.
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = JoinPath(folder, NextTemporaryName());
        const HANDLE h = CreateFileW(win32::ApiPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return File(reinterpret_cast<intptr_t>(h));
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    path.clear();
    return File();
}

bool File::Fail(int error) {
    m_failure = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? Failure::DiskFull
                : error == ERROR_FILE_TOO_LARGE                             ? Failure::TooLarge
                                                                            : Failure::Other;
    return false;
}

bool CommitByRename(const std::u16string& from, const std::u16string& to) {
    // Replaces the entry `to` itself in one step, a link included.
    return MoveFileExW(win32::ApiPath(from).c_str(), win32::ApiPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace {

std::optional<FileStamp> StampOfHandle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return std::nullopt;
    return FileStamp{info.dwVolumeSerialNumber,
                     (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                     (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                     static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                          info.ftLastWriteTime.dwLowDateTime)};
}

} // namespace

std::optional<FileStamp> File::Stamp() const {
    if (m_fd == kClosed)
        return std::nullopt;
    return StampOfHandle(AsHandle(m_fd));
}

std::optional<FileStamp> StampOf(const std::u16string& path) {
    const HANDLE h = CreateFileW(win32::ApiPath(path).c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const std::optional<FileStamp> stamp = StampOfHandle(h);
    CloseHandle(h);
    return stamp;
}

CommitResult CommitWithoutReplacing(const std::u16string& from, const std::u16string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the rename itself refuses a name
    // that is taken, in one step.
    if (MoveFileExW(win32::ApiPath(from).c_str(), win32::ApiPath(to).c_str(),
                    MOVEFILE_WRITE_THROUGH) != 0)
        return CommitResult::Done;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? CommitResult::Exists
                                                                       : CommitResult::Failed;
}

// The rename refuses an existing name by itself: nothing to lock.
CommitLock::CommitLock(const std::u16string&) {}
CommitLock::~CommitLock() = default;

// The id in a temporary's name decides on Windows.
void ReleaseTemporary(const std::u16string&) {}

std::optional<bool> TemporaryIsHeld(const std::u16string&) {
    return std::nullopt;
}

std::optional<std::time_t> ModificationTime(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(win32::ApiPath(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    // 100-ns steps since 1601 to seconds since 1970.
    const uint64_t ticks =
        (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    constexpr uint64_t kTicksPerSecond = 10000000;
    constexpr uint64_t kSecondsFrom1601To1970 = 11644473600;
    return static_cast<std::time_t>(ticks / kTicksPerSecond - kSecondsFrom1601To1970);
}

bool CopyModificationTime(const std::u16string& from, const std::u16string& to) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(win32::ApiPath(from).c_str(), GetFileExInfoStandard, &data))
        return false;
    const HANDLE h = CreateFileW(win32::ApiPath(to).c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool set = SetFileTime(h, nullptr, nullptr, &data.ftLastWriteTime) != 0;
    CloseHandle(h);
    return set;
}

bool FlushFolder(const std::u16string& folder) {
    // Windows makes a folder's names durable with the renames themselves
    // (MOVEFILE_WRITE_THROUGH); a folder handle can be flushed only with
    // rights a user does not have, so the folder just has to be there.
    return FolderExists(folder);
}

bool File::Flush() {
    if (m_fd == kClosed)
        return false;
    if (FlushFileBuffers(AsHandle(m_fd)))
        return true;
    return Fail(static_cast<int>(GetLastError()));
}

int64_t File::Read(void* buffer, size_t n) {
    if (m_fd == kClosed)
        return -1;
    auto* p = static_cast<char*>(buffer);
    size_t got = 0;
    while (got < n) {
        DWORD r = 0;
        const DWORD piece = static_cast<DWORD>(std::min(n - got, kMaxTransfer));
        if (!ReadFile(AsHandle(m_fd), p + got, piece, &r, nullptr))
            return -1;
        if (r == 0)
            break; // end of file
        got += r;
    }
    return static_cast<int64_t>(got);
}

bool File::Write(const void* buffer, size_t n) {
    if (m_fd == kClosed)
        return false;
    const auto* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < n) {
        DWORD w = 0;
        const DWORD piece = static_cast<DWORD>(std::min(n - done, kMaxTransfer));
        if (!WriteFile(AsHandle(m_fd), p + done, piece, &w, nullptr))
            return Fail(static_cast<int>(GetLastError()));
        if (w == 0)
            return Fail(ERROR_DISK_FULL); // no progress: treat like a full disk
        done += w;
    }
    return true;
}

bool File::Seek(uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return m_fd != kClosed && SetFilePointerEx(AsHandle(m_fd), to, nullptr, FILE_BEGIN);
}

int64_t File::Position() const {
    LARGE_INTEGER zero{}, at{};
    if (m_fd == kClosed || !SetFilePointerEx(AsHandle(m_fd), zero, &at, FILE_CURRENT))
        return -1;
    return at.QuadPart;
}

int64_t File::Size() const {
    LARGE_INTEGER size{};
    if (m_fd == kClosed || !GetFileSizeEx(AsHandle(m_fd), &size))
        return -1;
    return size.QuadPart;
}

bool File::Close() {
    if (m_fd == kClosed)
        return true;
    const HANDLE h = AsHandle(m_fd);
    m_fd = kClosed;
    if (!CloseHandle(h))
        return Fail(static_cast<int>(GetLastError()));
    return true;
}

int64_t File::CopyTo(File& out, void* buffer, size_t bufferSize, size_t n) {
    if (m_fd == kClosed)
        return kCopyReadFailed;
    if (out.m_fd == kClosed)
        return kCopyWriteFailed;
    size_t done = 0;
    while (done < n) {
        const size_t piece = std::min(n - done, bufferSize);
        const int64_t got = Read(buffer, piece);
        if (got < 0)
            return kCopyReadFailed;
        if (got > 0 && !out.Write(buffer, static_cast<size_t>(got)))
            return kCopyWriteFailed;
        done += static_cast<size_t>(got);
        if (static_cast<size_t>(got) < piece)
            break; // the end of this file
    }
    return static_cast<int64_t>(done);
}

} // namespace dz::platform
