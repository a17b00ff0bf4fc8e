// The drives a user browses, and which drive and file system hold a path:
// drive letters, as the recorder's disk shows up on Windows.
#include "platform/platform.h"

#include "common/text.h"
#include "platform/win32/win32_text.h"

#include <algorithm>
#include <string_view>

namespace dz::platform {
namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// No trailing separator, so that "E:\" is the drive's label "E:"; a root
// that is only a separator stays as it is.
std::u16string TrimTrailingSeparators(std::u16string s) {
    while (s.size() > 1 && IsSeparator(s.back()))
        s.pop_back();
    return s;
}

// Windows compares paths without regard to case, all letters alike.
bool EqualPaths(std::u16string_view a, std::u16string_view b) {
    return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()),
                                static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsUnder(const std::u16string& path, const std::u16string& root) {
    if (path.size() < root.size() || !EqualPaths(path.substr(0, root.size()), root))
        return false;
    return path.size() == root.size() || IsSeparator(path[root.size()]) || IsSeparator(root.back());
}

std::vector<std::u16string> DrivesFromVariable(const std::wstring& list) {
    std::vector<std::u16string> roots;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(static_cast<wchar_t>(kDriveListSeparator), start);
        if (end == std::wstring::npos)
            end = list.size();
        if (end > start) {
            std::u16string root = TrimTrailingSeparators(
                win32::Text(std::wstring_view(list).substr(start, end - start)));
            if (std::find(roots.begin(), roots.end(), root) == roots.end())
                roots.push_back(std::move(root));
        }
        start = end + 1;
    }
    return roots;
}

// The root folder of the volume that holds a path, "C:\" or a mounted
// folder "C:\mnt\rec\"; works for paths that do not exist yet.
std::wstring VolumeRootOf(const std::u16string& path) {
    const std::wstring native = win32::ApiPath(path.empty() ? u"." : path);
    std::wstring root(native.size() + 2, L'\0');
    if (!GetVolumePathNameW(native.c_str(), root.data(), static_cast<DWORD>(root.size())))
        return {};
    root.resize(wcslen(root.c_str()));
    return root;
}

// The "\\?\" form of a root is the form of the call, not of the drive.
std::u16string WithoutLongPrefix(std::u16string text) {
    if (text.compare(0, 8, u"\\\\?\\UNC\\") == 0)
        return u"\\\\" + text.substr(8);
    if (text.compare(0, 4, u"\\\\?\\") == 0)
        return text.substr(4);
    return text;
}

} // namespace

std::vector<std::u16string> DriveRoots() {
    const DWORD size = GetEnvironmentVariableW(L"DEZADIDE_DRIVES", nullptr, 0);
    if (size > 0) {
        std::wstring list(size, L'\0');
        list.resize(GetEnvironmentVariableW(L"DEZADIDE_DRIVES", list.data(), size));
        return DrivesFromVariable(list);
    }
    // Fixed and removable drives: the recorder's disk is one of them. Optical,
    // network and RAM drives hold no recordings.
    std::vector<std::u16string> roots;
    const DWORD mask = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (!(mask & (DWORD{1} << letter)))
            continue;
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', 0};
        const UINT type = GetDriveTypeW(root);
        if (type == DRIVE_FIXED || type == DRIVE_REMOVABLE)
            roots.push_back({static_cast<char16_t>(u'A' + letter), u':'});
    }
    return roots;
}

std::u16string DriveRootOf(const std::u16string& path) {
    const std::u16string full = win32::FullText(path);
    std::u16string best;
    for (const std::u16string& root : DriveRoots()) {
        const std::u16string r = TrimTrailingSeparators(win32::FullText(root));
        if (IsUnder(full, r) && (best.empty() || r.size() > best.size()))
            best = r;
    }
    if (!best.empty())
        return TrimTrailingSeparators(best);
    const std::wstring volume = VolumeRootOf(path);
    if (!volume.empty())
        return TrimTrailingSeparators(WithoutLongPrefix(win32::Text(volume)));
    if (full.size() >= 2 && full[1] == u':')
        return full.substr(0, 2);
    return full;
}

std::u16string FolderBelowDriveRoot(const std::u16string& folder) {
    const std::u16string full = TrimTrailingSeparators(win32::FullText(folder));
    const std::u16string root = DriveRootOf(folder);
    if (!IsUnder(full, root))
        return full;
    return full.substr(root.size()); // "\REC\2006", "" for the root itself
}

// Windows has no mount table of FUSE mounts: a type is what it says.
std::string RealFileSystemType(const std::string& type, const std::string&) {
    return type;
}

std::string FileSystemTypeOf(const std::u16string& path) {
    const std::wstring root = VolumeRootOf(path);
    if (root.empty())
        return {};
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                               MAX_PATH + 1))
        return {};
    return ToUtf8(win32::Text(name));
}

} // namespace dz::platform
