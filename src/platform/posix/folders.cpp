// Folder search, existence, attributes and the case-insensitive look-up of
// built names. Every entry point answers with a plain result; no exception
// leaves this file.
#include "platform/platform.h"

#include "common/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace dz::platform {
namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle OpenDir(const std::u16string& folder) {
    if (folder.empty())
        return nullptr;
    return DirHandle(opendir(ToUtf8(folder).c_str()));
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// A name that is not UTF-8 cannot be shown or passed on as text; say which
// one was left out, with its odd bytes escaped so the terminal stays sane.
// Said once per name and folder: a folder is read again for every file a
// job looks up in it, and the same line thousands of times hides the rest.
void ReportUndecodable(const std::u16string& folder, const char* name) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    const std::string shown = EscapeForTerminal(name);
    const std::string line = ToUtf8(folder) + ": " + shown;
    {
        const std::lock_guard lock(mutex);
        if (!reported.insert(line).second)
            return;
    }
    std::fprintf(stderr, "dezadide: skipped a file name that is not UTF-8 in %s\n", line.c_str());
}

std::time_t CreationTimeOf(const struct statx& stx) {
    if (stx.stx_mask & STATX_BTIME)
        return static_cast<std::time_t>(stx.stx_btime.tv_sec);
    return static_cast<std::time_t>(stx.stx_mtime.tv_sec);
}

// statx relative to an open folder (or AT_FDCWD); links are followed, and a
// link whose target is gone is described by the link itself.
bool StatAt(int dirFd, const char* name, struct statx& stx) {
    constexpr unsigned kMask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME;
    if (statx(dirFd, name, AT_STATX_SYNC_AS_STAT, kMask, &stx) == 0)
        return true;
    return statx(dirFd, name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, kMask, &stx) == 0;
}

bool IsFolderAt(int dirFd, const struct dirent* e) {
    if (e->d_type == DT_DIR)
        return true;
    if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
        return false;
    struct stat st;
    return fstatat(dirFd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Calls visit(entry, text) for every decodable entry but "." and "..";
// false when the folder cannot be opened or read to its end.
template <class Visit> bool ForEachEntry(const std::u16string& folder, Visit visit) {
    DirHandle dir = OpenDir(folder);
    if (!dir)
        return false;
    for (;;) {
        errno = 0;
        const struct dirent* e = readdir(dir.get());
        if (!e)
            return errno == 0;
        if (IsDotOrDotDot(e->d_name))
            continue;
        std::optional<std::u16string> text = FromUtf8(e->d_name);
        if (!text) {
            ReportUndecodable(folder, e->d_name);
            continue;
        }
        if (!visit(dirfd(dir.get()), e, std::move(*text)))
            return true;
    }
}

bool Exists(const std::string& native) {
    struct stat st;
    return lstat(native.c_str(), &st) == 0;
}

} // namespace

bool SearchFolder(const std::u16string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const bool ok =
        ForEachEntry(folder, [&](int dirFd, const struct dirent* e, std::u16string text) {
            FolderEntry entry;
            entry.name = std::move(text);
            struct statx stx;
            if (StatAt(dirFd, e->d_name, stx)) {
                entry.isFolder = S_ISDIR(stx.stx_mode);
                entry.size = stx.stx_size;
                entry.creationTime = CreationTimeOf(stx);
            } else {
                entry.isFolder = e->d_type == DT_DIR;
            }
            entries.push_back(std::move(entry));
            return true;
        });
    if (!ok)
        entries.clear();
    return ok;
}

bool SearchFolderNames(const std::u16string& folder, std::vector<FolderName>& entries) {
    entries.clear();
    const bool ok =
        ForEachEntry(folder, [&](int dirFd, const struct dirent* e, std::u16string text) {
            entries.push_back(FolderName{std::move(text), IsFolderAt(dirFd, e)});
            return true;
        });
    if (!ok)
        entries.clear();
    return ok;
}

std::optional<FileInfo> GetFileInfo(const std::u16string& path) {
    struct statx stx;
    if (!StatAt(AT_FDCWD, ToUtf8(path).c_str(), stx))
        return std::nullopt;
    return FileInfo{stx.stx_size, CreationTimeOf(stx)};
}

bool HasSubfolder(const std::u16string& folder) {
    bool found = false;
    ForEachEntry(folder, [&](int dirFd, const struct dirent* e, const std::u16string&) {
        found = IsFolderAt(dirFd, e);
        return !found;
    });
    return found;
}

bool FolderExists(const std::u16string& folder) {
    struct stat st;
    return !folder.empty() && stat(ToUtf8(folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::u16string& path) {
    struct stat st;
    return !path.empty() && stat(ToUtf8(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PathExists(const std::u16string& path) {
    return !path.empty() && Exists(ToUtf8(path));
}

bool IsRegularFile(const std::u16string& path) {
    struct stat st;
    return !path.empty() && lstat(ToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeFolder(const std::u16string& path) {
    return !path.empty() && mkdir(ToUtf8(path).c_str(), 0777) == 0;
}

bool RemoveEmptyFolder(const std::u16string& path) {
    return !path.empty() && rmdir(ToUtf8(path).c_str()) == 0;
}

std::optional<Attributes> GetAttributes(const std::u16string& path) {
    struct stat st;
    if (stat(ToUtf8(path).c_str(), &st) != 0)
        return std::nullopt;
    return Attributes{static_cast<uint32_t>(st.st_mode & 07777)};
}

bool SetAttributes(const std::u16string& path, const Attributes& attributes) {
    return chmod(ToUtf8(path).c_str(), static_cast<mode_t>(attributes.mode & 07777)) == 0;
}

bool CopyModificationTime(const std::u16string& from, const std::u16string& to) {
    struct stat st;
    if (stat(ToUtf8(from).c_str(), &st) != 0)
        return false;
    // Both times, as cp -p gives them: a FUSE file system of the old kind
    // drops a change of the modification time alone.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    return utimensat(AT_FDCWD, ToUtf8(to).c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool ResetAttributesAndDelete(const std::u16string& path) {
    const std::string native = ToUtf8(path);
    struct stat st;
    if (lstat(native.c_str(), &st) != 0)
        return false;
    // A link is removed as a link; chmod would reach through it to its target.
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        chmod(native.c_str(), (st.st_mode & 07777) | S_IWUSR);
    return unlink(native.c_str()) == 0;
}

bool DeleteIfPresent(const std::u16string& path) {
    const std::string native = ToUtf8(path);
    ReleaseTemporary(path);
    if (!Exists(native))
        return errno == ENOENT || errno == ENOTDIR;
    ResetAttributesAndDelete(path);
    return !Exists(native) && (errno == ENOENT || errno == ENOTDIR);
}

std::u16string FoldExtensionAZ(const std::u16string& name) {
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos)
        return name;
    return name.substr(0, dot) + ToUpperAZ(std::u16string_view(name).substr(dot));
}

std::u16string ResolveCase(const std::u16string& path) {
    const size_t slash = path.rfind(kSeparator);
    const std::u16string folder =
        slash == std::u16string::npos ? u"." : (slash == 0 ? u"/" : path.substr(0, slash));
    const std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    if (name.empty() || Exists(ToUtf8(path)))
        return path;
    FolderCaseIndex index(folder);
    const std::u16string found = index.Resolve(name);
    if (found == name)
        return path;
    return path.substr(0, slash == std::u16string::npos ? 0 : slash + 1) + found;
}

std::u16string FolderCaseIndex::Resolve(const std::u16string& name) {
    if (Exists(ToUtf8(JoinPath(m_folder, name))))
        return name;
    if (!m_loaded) {
        m_loaded = true;
        ForEachEntry(m_folder, [&](int, const struct dirent*, std::u16string text) {
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

bool SameFile(const std::u16string& a, const std::u16string& b) {
    struct stat sa, sb;
    if (stat(ToUtf8(a).c_str(), &sa) != 0 || stat(ToUtf8(b).c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

// A name with every A-Z and a-z letter in the other case.
std::u16string SwapCaseAZ(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z')
            c = UpperAZ(c);
        else if (c >= u'A' && c <= u'Z')
            c = FoldAZ(c);
    }
    return out;
}

} // namespace

std::optional<bool> SameFolder(const std::u16string& a, const std::u16string& b) {
    struct stat sa, sb;
    if (stat(ToUtf8(a).c_str(), &sa) != 0 || stat(ToUtf8(b).c_str(), &sb) != 0)
        return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return true;
    if (sa.st_dev != sb.st_dev)
        return false; // two file systems never share a folder
    std::u16string probe;
    File file = File::CreateTemporary(b, probe);
    if (!file.IsOpen())
        return std::nullopt;
    file.Close();
    const std::u16string name = probe.substr(probe.rfind(kSeparator) + 1);
    const bool same = Exists(ToUtf8(JoinPath(a, name)));
    // One that cannot be removed now is a dead job's leftover for the next job.
    DeleteIfPresent(probe);
    return same;
}

bool FolderIgnoresCase(const std::u16string& folder) {
    std::u16string probe;
    File file = File::CreateTemporary(folder, probe);
    if (file.IsOpen()) {
        file.Close();
        const size_t cut = probe.rfind(kSeparator) + 1;
        const bool ignores = Exists(ToUtf8(probe.substr(0, cut) + SwapCaseAZ(probe.substr(cut))));
        DeleteIfPresent(probe);
        return ignores;
    }
    // A folder that cannot be written to: an existing name with letters,
    // asked for in the other case, where no such name is stored.
    std::vector<FolderName> names;
    if (!SearchFolderNames(folder, names))
        return false;
    for (const FolderName& entry : names) {
        const std::u16string swapped = SwapCaseAZ(entry.name);
        if (swapped == entry.name)
            continue;
        const bool stored = std::any_of(names.begin(), names.end(),
                                        [&](const FolderName& e) { return e.name == swapped; });
        if (stored)
            continue;
        return Exists(ToUtf8(JoinPath(folder, swapped)));
    }
    return false;
}

std::optional<std::tm> LocalTime(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local))
        return std::nullopt;
    return local;
}

} // namespace dz::platform
