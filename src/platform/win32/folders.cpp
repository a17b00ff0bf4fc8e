// Folder search, existence, attributes and the look-up of built names, with
// the wide Windows calls. Every entry point answers with a plain result.
#include "platform/platform.h"

#include "common/text.h"
#include "platform/win32/win32_text.h"

namespace dz::platform {
namespace {

using win32::ApiPath;

bool IsDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

DWORD AttributesOf(const std::u16string& path) {
    if (path.empty())
        return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(ApiPath(path).c_str());
}

bool IsFolderAttribute(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

uint64_t SizeOf(DWORD high, DWORD low) {
    return (uint64_t{high} << 32) | low;
}

// Calls visit(data, text) for every entry but "." and ".."; visit returns
// false to stop. False when the folder cannot be searched or read to its end.
template <class Visit> bool ForEachEntry(const std::u16string& folder, Visit visit) {
    if (folder.empty())
        return false;
    std::wstring pattern = ApiPath(folder);
    if (pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    const HANDLE search =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                         FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        // A drive root has no "." entry, so an empty one finds nothing at all.
        return GetLastError() == ERROR_FILE_NOT_FOUND && IsFolderAttribute(AttributesOf(folder));
    }
    bool complete = true;
    for (;;) {
        if (!IsDotOrDotDot(data.cFileName) && !visit(data, win32::Text(data.cFileName)))
            break;
        if (!FindNextFileW(search, &data)) {
            complete = GetLastError() == ERROR_NO_MORE_FILES;
            break;
        }
    }
    FindClose(search);
    return complete;
}

bool Exists(const std::u16string& path) {
    return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

// The folder and name of a built path; "/" is taken as a separator too, as
// the Windows calls take it.
size_t NameStart(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? 0 : slash + 1;
}

} // namespace

bool SearchFolder(const std::u16string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const bool ok = ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data, std::u16string text) {
        FolderEntry entry;
        entry.name = std::move(text);
        entry.isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        entry.size = entry.isFolder ? 0 : SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
        entry.creationTime = win32::TimeOf(data.ftCreationTime);
        entries.push_back(std::move(entry));
        return true;
    });
    if (!ok)
        entries.clear();
    return ok;
}

bool SearchFolderNames(const std::u16string& folder, std::vector<FolderName>& entries) {
    entries.clear();
    const bool ok = ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data, std::u16string text) {
        entries.push_back(
            FolderName{std::move(text), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        return true;
    });
    if (!ok)
        entries.clear();
    return ok;
}

std::optional<FileInfo> GetFileInfo(const std::u16string& path) {
    if (path.empty())
        return std::nullopt;
    const std::wstring native = ApiPath(path);
    // Through the handle, so that a link is followed to its file.
    const win32::Handle file(CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                         nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (file.valid() && GetFileInformationByHandle(file.get(), &info))
        return FileInfo{SizeOf(info.nFileSizeHigh, info.nFileSizeLow),
                        win32::TimeOf(info.ftCreationTime)};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return FileInfo{SizeOf(data.nFileSizeHigh, data.nFileSizeLow),
                    win32::TimeOf(data.ftCreationTime)};
}

bool HasSubfolder(const std::u16string& folder) {
    bool found = false;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data, const std::u16string&) {
        found = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return !found;
    });
    return found;
}

bool FolderExists(const std::u16string& folder) {
    return IsFolderAttribute(AttributesOf(folder));
}

bool FileExists(const std::u16string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::u16string& path) {
    return Exists(path);
}

bool IsRegularFile(const std::u16string& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(ApiPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

bool MakeFolder(const std::u16string& path) {
    return !path.empty() && CreateDirectoryW(ApiPath(path).c_str(), nullptr) != 0;
}

bool RemoveEmptyFolder(const std::u16string& path) {
    return !path.empty() && RemoveDirectoryW(ApiPath(path).c_str()) != 0;
}

std::optional<Attributes> GetAttributes(const std::u16string& path) {
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return Attributes{attributes};
}

bool SetAttributes(const std::u16string& path, const Attributes& attributes) {
    // Only these can be given to a file; the others belong to the file system.
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD value = attributes.mode & kSettable;
    if (value == 0)
        value = FILE_ATTRIBUTE_NORMAL;
    return !path.empty() && SetFileAttributesW(ApiPath(path).c_str(), value) != 0;
}

bool ResetAttributesAndDelete(const std::u16string& path) {
    const std::wstring native = ApiPath(path);
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // A link is removed as a link; its target keeps its attributes.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(native.c_str()) != 0;
}

// Windows file systems ignore case themselves, so a built name that exists
// in another case is found as built; the folder is read only for a name
// that does not exist in any case.
std::u16string ResolveCase(const std::u16string& path) {
    const size_t start = NameStart(path);
    const std::u16string name = path.substr(start);
    if (name.empty() || Exists(path))
        return path;
    // The folder without its closing separator, except a root ("C:\", "\").
    const bool root = start == 1 || (start > 1 && path[start - 2] == u':');
    FolderCaseIndex index(start == 0 ? std::u16string(u".")
                                     : path.substr(0, root ? start : start - 1));
    const std::u16string found = index.Resolve(name);
    if (found == name)
        return path;
    std::u16string resolved = path.substr(0, start);
    resolved.append(found);
    return resolved;
}

std::u16string FolderCaseIndex::Resolve(const std::u16string& name) {
    if (Exists(JoinPath(m_folder, name)))
        return name;
    if (!m_loaded) {
        m_loaded = true;
        ForEachEntry(m_folder, [&](const WIN32_FIND_DATAW&, std::u16string text) {
            // Two names that differ only there leave the choice open: neither is taken.
            const auto [it, added] = m_byFolded.try_emplace(FoldExtensionAZ(text), text);
            if (!added)
                it->second.clear();
            return true;
        });
    }
    const auto it = m_byFolded.find(FoldExtensionAZ(name));
    return it == m_byFolded.end() || it->second.empty() ? name : it->second;
}

std::u16string FoldExtensionAZ(const std::u16string& name) {
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos)
        return name;
    std::u16string folded = name.substr(0, dot);
    folded.append(ToUpperAZ(std::u16string_view(name).substr(dot)));
    return folded;
}

bool DeleteIfPresent(const std::u16string& path) {
    if (!Exists(path)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    ResetAttributesAndDelete(path);
    return !Exists(path);
}

// Windows file systems (NTFS, FAT, exFAT) find a name in any letter case.
bool FolderIgnoresCase(const std::u16string& folder) {
    return FolderExists(folder);
}

namespace {

// Volume and file index: what makes a file the same file under two paths.
bool FileIdOf(const std::u16string& path, BY_HANDLE_FILE_INFORMATION& info) {
    if (path.empty())
        return false;
    const win32::Handle file(CreateFileW(
        ApiPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid() && GetFileInformationByHandle(file.get(), &info);
}

} // namespace

bool SameFile(const std::u16string& a, const std::u16string& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!FileIdOf(a, ia) || !FileIdOf(b, ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

// Folder handles carry the same volume serial number and file index.
std::optional<bool> SameFolder(const std::u16string& a, const std::u16string& b) {
    if (!FolderExists(a) || !FolderExists(b))
        return false;
    return SameFile(a, b);
}

std::optional<std::tm> LocalTime(std::time_t time) {
    std::tm local{};
    if (localtime_s(&local, &time) != 0)
        return std::nullopt;
    return local;
}

} // namespace dz::platform
