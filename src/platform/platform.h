#pragma once
// The only interface that knows the operating system. Callers speak in
// UTF-16 texts; posix/ implements it for Linux, a win32/ implementation can
// stand beside it without touching any caller.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dz::platform {

// The separator between a folder and a name ("%s\%s" on the recorder's side).
#ifdef _WIN32
inline constexpr char16_t kSeparator = u'\\';
#else
inline constexpr char16_t kSeparator = u'/';
#endif
// The separator between the folders of DEZADIDE_DRIVES: on Windows a colon
// belongs to a drive letter.
#ifdef _WIN32
inline constexpr char16_t kDriveListSeparator = u';';
#else
inline constexpr char16_t kDriveListSeparator = u':';
#endif
// Whether every volume this system mounts refuses the names Windows refuses
// (Windows itself); elsewhere only some file systems do.
#ifdef _WIN32
inline constexpr bool kEveryVolumeTakesWindowsNames = true;
#else
inline constexpr bool kEveryVolumeTakesWindowsNames = false;
#endif
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

// A time as the local calendar shows it (the list's Date column); nothing
// when the system cannot place it.
std::optional<std::tm> LocalTime(std::time_t time);

// True as soon as one subfolder is found; false for an unreadable folder.
bool HasSubfolder(const std::u16string& folder);
bool FolderExists(const std::u16string& folder);
bool FileExists(const std::u16string& path);
// Anything under that name, a link itself included.
bool PathExists(const std::u16string& path);
// A regular file under that very name: not a link, a folder or a device.
bool IsRegularFile(const std::u16string& path);
// Creates exactly one folder; false when it exists or cannot be made.
bool MakeFolder(const std::u16string& path);
// The folder and any missing folders above it; true when it exists after.
bool MakeFolderWithParents(const std::u16string& path);
// Removes one empty folder; false when it is not empty or cannot be removed.
bool RemoveEmptyFolder(const std::u16string& path);
// Removes a folder with all it holds, as far as it can; a missing one is fine.
void RemoveTree(const std::u16string& folder);
// The system's folder for temporary files; nothing when it has none.
std::optional<std::u16string> TemporaryFolder();

// Where this user's settings file and cache folder lie: on Linux
// $XDG_CONFIG_HOME/dezadide/settings.ini, else ~/.config/dezadide/..., and
// $XDG_CACHE_HOME/dezadide, else ~/.cache/dezadide (a relative XDG folder is
// not used); on Windows the roaming and the local application data folders.
// Empty when the environment names none of them.
std::u16string UserSettingsFile();
std::u16string UserCacheFolder();

// File attributes: what "normal" means before a delete, and what a copy keeps.
// The permission bits on POSIX, the FILE_ATTRIBUTE_* bits on Windows.
struct Attributes {
    uint32_t mode = 0;
};
std::optional<Attributes> GetAttributes(const std::u16string& path);
bool SetAttributes(const std::u16string& path, const Attributes& attributes);
// Gives the file `to` (never what a link there points at) the modification
// time of the file `from`, as a copy keeps it. Done once the copy is in
// place: some file systems (FUSE FAT) give a renamed file the current time.
bool CopyModificationTime(const std::u16string& from, const std::u16string& to);
// Makes the file writable by its owner, then deletes it; failures ignored.
bool ResetAttributesAndDelete(const std::u16string& path);
// The same, answering whether the name is gone afterwards: true also when
// there was nothing under it, false when a file stays (protected folder, I/O
// error).
bool DeleteIfPresent(const std::u16string& path);

// Names are built in the recorder's upper case (".AVR", ".AVF"); a copy made
// elsewhere may carry the extension in lower case. On a case-sensitive file
// system a built name that does not exist is looked up once more in its
// folder: the one name that differs from it only in the letter case of its
// extension. The recording name itself is never matched in another case, so
// NEWS never picks up a file of news. Gives the path as found, or the built one.
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
    // By the name with its extension folded; an empty text where two names
    // fold alike, which leaves the choice open and so finds nothing.
    std::unordered_map<std::u16string, std::u16string> m_byFolded;
};
// A name with the A-Z letters of its extension folded: the key of the look-up.
std::u16string FoldExtensionAZ(const std::u16string& name);

// What tells one state of a file from another: which file it is and its
// size and last change. A copy compares its source's stamp when it read it
// with the stamp at the moment its copy goes in place, so a source replaced
// or changed meanwhile is never taken for the one copied.
struct FileStamp {
    uint64_t device = 0, file = 0, size = 0;
    int64_t modified = 0; // nanoseconds, or the system's own unit
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::u16string& path);

// Two paths that name one file (same folder by another path, a link).
bool SameFile(const std::u16string& a, const std::u16string& b);
// Two folder paths that lead to one folder. Inode numbers decide where the
// file system keeps them; where it does not (a FUSE mount may hand out new
// ones on every look-up) a probe file made in b and looked for in a does.
// Nothing when that cannot be told (no probe can be made in b).
std::optional<bool> SameFolder(const std::u16string& a, const std::u16string& b);
// Whether names in this folder are found in any letter case (FAT, NTFS
// mounted with ignore_case, a case-folding folder). Asked of the file system
// itself by a probe file when the folder is writable, else by looking up an
// existing name in another case.
bool FolderIgnoresCase(const std::u16string& folder);

// Staged writes. A file is written under a temporary name in its destination
// folder and put in place by CommitByRename, so that no reader ever sees it
// half-written. The temporary names are never shown as entries; those left by
// a job that was killed are removed by the next job in the folder.
bool IsTemporaryName(std::u16string_view name);
// Replaces (or creates) `to` with `from` in one step; a link named `to` is
// replaced itself, never followed.
bool CommitByRename(const std::u16string& from, const std::u16string& to);
// Writes the bytes to a temporary in the file's folder and puts it in place
// by CommitByRename: a reader finds the old file or the new one, never a
// part. False, with nothing left behind, when any step fails.
bool WriteFileReplacing(const std::u16string& path, const void* bytes, size_t size);
// Puts `from` in place as `to` only when nothing is there under that name
// (in any letter case where the folder ignores case): another job that put
// an entry there first keeps it. Where the file system cannot refuse a
// rename over an existing name by itself, the caller holds the folder's
// CommitLock, so that the look and the rename are one step for every job.
enum class CommitResult { Done, Exists, Failed };
CommitResult CommitWithoutReplacing(const std::u16string& from, const std::u16string& to);
// While it lives, no other job (of this program, in any process) commits
// into the folder, by whatever name it reaches it: the lock is held on the
// folder's whole file system. Nothing is locked where the system cannot
// lock a folder.
class CommitLock {
public:
    explicit CommitLock(const std::u16string& folder);
    ~CommitLock();
    CommitLock(const CommitLock&) = delete;
    CommitLock& operator=(const CommitLock&) = delete;

private:
    intptr_t m_handle = -1;
};
// Makes the folder's names (new, renamed, removed) durable.
bool FlushFolder(const std::u16string& folder);
// Removes temporaries of jobs that no longer run; the job's own stay. A job
// holds a lock on each of its temporaries until it puts it in place or
// removes it, so a temporary nobody holds is a dead job's, whatever process
// now carries the id in its name.
void RemoveStaleTemporaries(const std::u16string& folder);
// Whether a name in the folder is a temporary of a job that no longer runs:
// what RemoveStaleTemporaries would remove.
bool IsDeadTemporary(const std::u16string& folder, const std::u16string& name);
// Gives up the lock on a temporary that was put in place or removed by other
// means than CommitByRename, CommitWithoutReplacing or DeleteIfPresent.
void ReleaseTemporary(const std::u16string& path);

// The roots a user browses: "/", then mount points of real file systems under
// /media, /mnt, /run/media; DEZADIDE_DRIVES (":"-separated) replaces the list.
// On Windows the fixed and removable drives as "C:", "E:", in letter order;
// DEZADIDE_DRIVES is ";"-separated there.
std::vector<std::u16string> DriveRoots();
// The drive root that holds a path: the longest drive root containing it,
// else the mount point of its file system.
std::u16string DriveRootOf(const std::u16string& path);
// Where a folder lies below its drive root, as the file system resolves it
// (links, "..", "."): "" for the root itself, else "/" and the folders below
// it ("/REC/2006" for /media/user/DISK/REC/2006 on the drive /media/user/DISK).
std::u16string FolderBelowDriveRoot(const std::u16string& folder);
// File-system type of the mount that holds a path ("ext4", "vfat", ...).
// A FUSE mount ("fuse", "fuseblk", "fuse.<name>") is named by the file
// system it really serves, as its device's boot sector or its subtype tells
// ("ntfs" for ntfs-3g, "vfat" for a FUSE FAT), else by its own FUSE type.
// On Windows the volume's file-system name ("NTFS", "FAT32", "exFAT", ...).
// "" only when nothing can be told: the mount table (the volume) cannot be read.
std::string FileSystemTypeOf(const std::u16string& path);
// The same for a mount-table entry: its type and its source (a device).
std::string RealFileSystemType(const std::string& type, const std::string& source);
// The file-system name in a volume's first sector ("ntfs", "exfat", "vfat"),
// "" when none is recognised.
std::string FileSystemOfBootSector(const uint8_t* sector, size_t size);

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
    // For reading what the disk itself holds: the system's cached pages of
    // the file are dropped first (they must have been written back, which a
    // flush makes sure of), so the reads come from the disk.
    static File OpenReadFromDisk(const std::u16string& path);
    // A new file under a temporary name in folder, for reading and writing;
    // path receives its full path. Never opens anything that exists.
    static File CreateTemporary(const std::u16string& folder, std::u16string& path);

    // Why the last operation on this handle failed, in the terms a user is
    // told: the disk is full, the file passed its file system's size limit.
    enum class Failure { None, DiskFull, TooLarge, Other };
    Failure LastFailure() const { return m_failure; }

    bool IsOpen() const { return m_fd != kClosed; }
    // Reads up to n bytes, retrying short reads; -1 on error.
    int64_t Read(void* buffer, size_t n);
    // Writes all n bytes or fails; false on error (disk full included).
    bool Write(const void* buffer, size_t n);
    bool Seek(uint64_t offset);
    int64_t Position() const;
    int64_t Size() const;
    std::optional<FileStamp> Stamp() const;
    // Makes the file's data durable on its disk.
    bool Flush();
    // Says that only the parts read are wanted: the system reads no more
    // ahead of them than it must (a look at a few places of a large file
    // must not pull megabytes of it from the disk). A hint; nothing fails.
    void AdviseRandomAccess();
    // False when closing reported an error (a write that did not reach the disk).
    bool Close();
    // Moves up to n bytes from this file's position to out's, inside the
    // kernel where the two file systems allow it, else through buffer
    // (bufferSize bytes at a time). Stops short only at the end of this file.
    // Gives the bytes moved, or kCopyReadFailed / kCopyWriteFailed to say
    // which side failed.
    int64_t CopyTo(File& out, void* buffer, size_t bufferSize, size_t n);
    static constexpr int64_t kCopyReadFailed = -1;
    static constexpr int64_t kCopyWriteFailed = -2;

private:
#ifdef _WIN32
    using Native = intptr_t; // a HANDLE; INVALID_HANDLE_VALUE is -1
#else
    using Native = int;
#endif
    static constexpr Native kClosed = -1;
    explicit File(Native fd) : m_fd(fd) {}
    // Records why an operation failed (errno, or GetLastError on Windows).
    bool Fail(int error);
    Native m_fd = kClosed;
    Failure m_failure = Failure::None;
};

// The bytes that files may still take on the file system that holds path;
// nothing when that cannot be asked (the path is gone, the file system does
// not say).
std::optional<uint64_t> FreeSpace(const std::u16string& path);
// The volume's own name, as a disk's label gives it ("RECORDER"); empty when
// the volume has none or it cannot be told.
std::u16string VolumeLabel(const std::u16string& driveRoot);

// This program's process id, and whether a process with that id runs.
int CurrentProcessId();
bool ProcessIsRunning(int processId);

} // namespace dz::platform
