// The platform functions that read the same on both systems: path joining,
// the boot-sector names, the staged files' names and the handle's moves.
#include "platform/folder_path.h"
#include "platform/platform.h"
#include "platform/temporary_name.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <system_error>

namespace dz::platform {
namespace {

// ".dezadide-<process id>-<number>.tmp": the process id tells a later job
// whether the job that made it still runs; no recording or plain-file
// extension, so no list ever shows it.
constexpr std::string_view kTemporaryStart = ".dezadide-";
constexpr std::string_view kTemporaryEnd = ".tmp";

// The process id inside a temporary name, or 0 when it is none of ours.
int TemporaryOwner(std::u16string_view name) {
    if (name.size() <= kTemporaryStart.size() + kTemporaryEnd.size())
        return 0;
    for (size_t i = 0; i < kTemporaryStart.size(); ++i)
        if (name[i] != static_cast<char16_t>(kTemporaryStart[i]))
            return 0;
    const size_t endAt = name.size() - kTemporaryEnd.size();
    for (size_t i = 0; i < kTemporaryEnd.size(); ++i)
        if (name[endAt + i] != static_cast<char16_t>(kTemporaryEnd[i]))
            return 0;
    constexpr int64_t kNoProcess = int64_t{1} << 31; // process ids are ints
    int64_t pid = 0;
    size_t i = kTemporaryStart.size();
    for (; i < endAt && name[i] >= u'0' && name[i] <= u'9' && pid < kNoProcess; ++i)
        pid = pid * 10 + (name[i] - u'0');
    if (i == kTemporaryStart.size() || i >= endAt || name[i] != u'-' || pid <= 0 ||
        pid >= kNoProcess || i + 1 == endAt)
        return 0;
    // Then the job's own number: a user's file that merely looks alike is not ours.
    for (size_t k = i + 1; k < endAt; ++k)
        if (name[k] < u'0' || name[k] > u'9')
            return 0;
    return static_cast<int>(pid);
}

// A temporary only just made is not locked yet; one this young whose
// process runs is given the benefit of the doubt.
constexpr std::time_t kUnlockedGraceSeconds = 60;

// Whether a running job still needs a temporary. Its lock says so where the
// system has locks: a process that reuses the id in the name (another boot,
// another machine) holds none. Without locks, the id alone decides.
bool TemporaryIsLive(const std::u16string& path, int owner) {
    const std::optional<bool> held = TemporaryIsHeld(path);
    if (!held)
        return ProcessIsRunning(owner);
    if (*held)
        return true;
    if (!ProcessIsRunning(owner))
        return false;
    const std::optional<std::time_t> written = ModificationTime(path);
    return written && std::time(nullptr) - *written < kUnlockedGraceSeconds;
}

} // namespace

std::u16string NextTemporaryName() {
    static std::atomic<unsigned long> counter{0};
    const std::string name = std::string(kTemporaryStart) + std::to_string(CurrentProcessId()) +
                             "-" + std::to_string(counter.fetch_add(1)) +
                             std::string(kTemporaryEnd);
    return std::u16string(name.begin(), name.end());
}

bool IsTemporaryName(std::u16string_view name) {
    return TemporaryOwner(name) != 0;
}

bool IsDeadTemporary(const std::u16string& folder, const std::u16string& name) {
    const int owner = TemporaryOwner(name);
    if (owner == 0)
        return false;
    const std::u16string path = JoinPath(folder, name);
    return IsRegularFile(path) && !TemporaryIsLive(path, owner);
}

void RemoveStaleTemporaries(const std::u16string& folder) {
    std::vector<FolderName> names;
    if (!SearchFolderNames(folder, names))
        return;
    for (const FolderName& entry : names)
        if (IsDeadTemporary(folder, entry.name))
            DeleteIfPresent(JoinPath(folder, entry.name));
}

bool WriteFileReplacing(const std::u16string& path, const void* bytes, size_t size) {
    std::u16string temporary;
    File file = File::CreateTemporary(FolderOf(path), temporary);
    if (!file.IsOpen())
        return false;
    if (!file.Write(bytes, size) || !file.Close() || !CommitByRename(temporary, path)) {
        DeleteIfPresent(temporary);
        return false;
    }
    return true;
}

void RemoveTree(const std::u16string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(ToPath(folder), ignored);
}

std::optional<std::u16string> TemporaryFolder() {
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error)
        return std::nullopt;
    return FromPath(temp);
}

std::u16string JoinPath(const std::u16string& folder, const std::u16string& name) {
    // A root that already ends in a separator ("/", "C:\") takes no second one.
    if (!folder.empty() && (folder.back() == kSeparator || folder.back() == u'/'))
        return folder + name;
    std::u16string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += kSeparator;
    path += name;
    return path;
}

std::string FileSystemOfBootSector(const uint8_t* sector, size_t size) {
    const auto at = [&](size_t offset, std::string_view text) {
        return size >= offset + text.size() &&
               std::string_view(reinterpret_cast<const char*>(sector) + offset, text.size()) ==
                   text;
    };
    if (at(3, "NTFS    "))
        return "ntfs";
    if (at(3, "EXFAT   "))
        return "exfat";
    // FAT32 names itself further in than FAT12 and FAT16 do.
    if (at(82, "FAT32   ") || at(54, "FAT12   ") || at(54, "FAT16   ") || at(54, "FAT     "))
        return "vfat";
    return {};
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept : m_fd(other.m_fd), m_failure(other.m_failure) {
    other.m_fd = kClosed;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_failure = other.m_failure;
        other.m_fd = kClosed;
    }
    return *this;
}

bool MakeFolderWithParents(const std::u16string& path) {
    if (path.empty() || FolderExists(path))
        return !path.empty();
    const std::u16string parent = FolderOf(path);
    if (!parent.empty() && parent != path)
        MakeFolderWithParents(parent);
    return MakeFolder(path) || FolderExists(path);
}

} // namespace dz::platform
