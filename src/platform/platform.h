#pragma once
// The only interface that knows the operating system. Callers speak in
// UTF-16 texts; posix/ implements it for Linux, a win32/ implementation can
// stand beside it without touching any caller.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace dz::platform {

// The separator between a folder and a name ("%s\%s" on the recorder's side).
inline constexpr char16_t kSeparator = u'/';
std::u16string JoinPath(const std::u16string& folder, const std::u16string& name);

// Text <-> native path. FromPath gives nothing for a name that cannot be decoded.
std::filesystem::path ToPath(const std::u16string& text);
std::optional<std::u16string> FromPath(const std::filesystem::path& path);

struct FolderEntry {
    std::u16string name;
    bool isFolder = false;
    uint64_t size = 0;
    std::time_t creationTime = 0; // birth time where kept, else modification time
};

// Every entry of a folder except "." and "..", in the platform's order.
// False when the folder cannot be searched; undecodable names are skipped.
bool SearchFolder(const std::u16string& folder, std::vector<FolderEntry>& entries);
// Names and kinds only, in the platform's order: the fast pass of a file list.
// The kind comes from the folder's own records where the file system keeps
// it, so only links and unknown kinds cost a look at the file itself.
struct FolderName {
    std::u16string name;
    bool isFolder = false;
};
bool SearchFolderNames(const std::u16string& folder, std::vector<FolderName>& entries);

// Size and creation time of one file (links followed); nothing when it cannot be looked at.
struct FileInfo {
    uint64_t size = 0;
    std::time_t creationTime = 0; // birth time where kept, else modification time
};
std::optional<FileInfo> GetFileInfo(const std::u16string& path);

// True as soon as one subfolder is found; false for an unreadable folder.
bool HasSubfolder(const std::u16string& folder);
bool FolderExists(const std::u16string& folder);
bool FileExists(const std::u16string& path);
// Anything under that name, a link itself included.
bool PathExists(const std::u16string& path);
// Creates exactly one folder; false when it exists or cannot be made.
bool MakeFolder(const std::u16string& path);

// File attributes: what "normal" means before a delete, and what a copy keeps.
struct Attributes {
    uint32_t mode = 0;
};
std::optional<Attributes> GetAttributes(const std::u16string& path);
bool SetAttributes(const std::u16string& path, const Attributes& attributes);
// Makes the file writable by its owner, then deletes it; failures ignored.
bool ResetAttributesAndDelete(const std::u16string& path);

// Names are built in the recorder's upper case; on a case-sensitive file
// system a built name that does not exist is looked up once more in its
// folder with A-Z folded. Gives the path as found, or the built one.
std::u16string ResolveCase(const std::u16string& path);

// The same look-up for many built names of one folder: the folder is read at
// most once, on the first name that does not exist as built.
class FolderCaseIndex {
public:
    explicit FolderCaseIndex(std::u16string folder) : m_folder(std::move(folder)) {}
    // The name as found in the folder, or the given one.
    std::u16string Resolve(const std::u16string& name);

private:
    std::u16string m_folder;
    bool m_loaded = false;
    std::unordered_map<std::u16string, std::u16string> m_byFolded;
};

// Two paths that name one file (same folder by another path, a link).
bool SameFile(const std::u16string& a, const std::u16string& b);

// The roots a user browses: "/", then mount points of real file systems under
// /media, /mnt, /run/media; DEZADIDE_DRIVES (":"-separated) replaces the list.
std::vector<std::u16string> DriveRoots();
// The drive root that holds a path: the longest drive root containing it,
// else the mount point of its file system.
std::u16string DriveRootOf(const std::u16string& path);
// File-system type of the mount that holds a path ("ext4", "vfat", ...).
std::string FileSystemTypeOf(const std::u16string& path);

// A binary file handle; closes itself. Reads and writes report what happened.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    static File OpenRead(const std::u16string& path);
    static File CreateWrite(const std::u16string& path); // truncates
    static File OpenReadWrite(const std::u16string& path);

    bool IsOpen() const { return m_fd >= 0; }
    // Reads up to n bytes, retrying short reads; -1 on error.
    int64_t Read(void* buffer, size_t n);
    // Writes all n bytes or fails; false on error (disk full included).
    bool Write(const void* buffer, size_t n);
    bool Seek(uint64_t offset);
    int64_t Position() const;
    int64_t Size() const;
    void Close();
    // Moves up to n bytes from this file's position to out's, inside the
    // kernel where the two file systems allow it, else through buffer
    // (bufferSize bytes at a time). Stops short only at the end of this file.
    // Gives the bytes moved, or kCopyReadFailed / kCopyWriteFailed to say
    // which side failed.
    int64_t CopyTo(File& out, void* buffer, size_t bufferSize, size_t n);
    static constexpr int64_t kCopyReadFailed = -1;
    static constexpr int64_t kCopyWriteFailed = -2;

private:
    explicit File(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// The bytes that files may still take on the file system that holds path;
// nothing when that cannot be asked (the path is gone).
std::optional<uint64_t> FreeSpace(const std::u16string& path);
// The volume's own name, as a disk's label gives it ("RECORDER"); empty when
// the volume has none or it cannot be told.
std::u16string VolumeLabel(const std::u16string& driveRoot);

// This program's process id, and whether a process with that id runs.
int CurrentProcessId();
bool ProcessIsRunning(int processId);

} // namespace dz::platform
