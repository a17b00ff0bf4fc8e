// The drives a user browses, and which drive and file system hold a path.
// Windows has drive letters; here the roots are "/" and the mount points of
// real file systems where removable media and extra disks are mounted.
#include "platform/platform.h"

#include "common/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace dz::platform {
namespace {

struct MountEntry {
    std::string source;
    std::string point;
    std::string type;
};

// /proc/self/mounts writes blanks, tabs, newlines and backslashes in a field
// as three octal digits after a backslash.
std::string DecodeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// The whole mount table, or nothing when it cannot be read to its end: a
// table cut short by a failing read would answer for the wrong mount.
std::optional<std::string> ReadMountTableText() {
    int fd;
    do
        fd = open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return text;
}

std::optional<std::vector<MountEntry>> ReadMountTableOrFail() {
    const std::optional<std::string> text = ReadMountTableText();
    if (!text)
        return std::nullopt;
    std::vector<MountEntry> mounts;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t a = line.find(' ');
        const size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
        const size_t c = b == std::string::npos ? b : line.find(' ', b + 1);
        if (c == std::string::npos)
            continue;
        mounts.push_back({DecodeMountField(line.substr(0, a)),
                          DecodeMountField(line.substr(a + 1, b - a - 1)),
                          DecodeMountField(line.substr(b + 1, c - b - 1))});
    }
    return mounts;
}

std::vector<MountEntry> ReadMountTable() {
    return ReadMountTableOrFail().value_or(std::vector<MountEntry>{});
}

// File systems that hold no user's files: kernel views, memory file systems
// and the automounter's placeholders.
bool IsPseudoFileSystem(const std::string& type) {
    static const char* const kPseudo[] = {
        "proc",        "sysfs",    "devtmpfs",   "devpts",  "tmpfs",     "ramfs",
        "cgroup",      "cgroup2",  "securityfs", "debugfs", "tracefs",   "configfs",
        "pstore",      "bpf",      "autofs",     "mqueue",  "hugetlbfs", "fusectl",
        "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",    "selinuxfs", "fuse.gvfsd-fuse",
        "fuse.portal"};
    return std::any_of(std::begin(kPseudo), std::end(kPseudo),
                       [&](const char* p) { return type == p; });
}

bool IsUnder(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/');
}

bool IsMediaMountPoint(const std::string& point) {
    return IsUnder(point, "/media") || IsUnder(point, "/mnt") || IsUnder(point, "/run/media");
}

// No trailing separator except for a root that is only one.
std::string TrimTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// Absolute, without "." and "..", links resolved as far as the path exists.
std::string CanonicalOf(const std::string& native) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(native, ec);
    if (ec)
        p = native;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(p, ec);
    if (ec)
        canonical = p.lexically_normal();
    return TrimTrailingSlashes(canonical.string());
}

// The mount point of the file system that holds an existing path: the last
// folder on the way up that still has the same device.
std::string MountPointOf(const std::string& canonical) {
    struct stat st;
    std::string current = canonical;
    while (current.size() > 1 && stat(current.c_str(), &st) != 0) {
        const size_t slash = current.rfind('/');
        current = slash == 0 || slash == std::string::npos ? "/" : current.substr(0, slash);
    }
    if (stat(current.c_str(), &st) != 0)
        return "/";
    while (current.size() > 1) {
        const size_t slash = current.rfind('/');
        const std::string parent = slash == 0 ? "/" : current.substr(0, slash);
        struct stat up;
        if (stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev)
            break;
        current = parent;
    }
    return current;
}

void AddDecoded(std::vector<std::u16string>& roots, const std::string& native) {
    std::optional<std::u16string> text = FromUtf8(native);
    if (!text) {
        std::fprintf(stderr, "dezadide: skipped a drive whose path is not UTF-8\n");
        return;
    }
    if (std::find(roots.begin(), roots.end(), *text) == roots.end())
        roots.push_back(std::move(*text));
}

} // namespace

std::vector<std::u16string> DriveRoots() {
    std::vector<std::u16string> roots;
    if (const char* env = std::getenv("DEZADIDE_DRIVES")) {
        const std::string list = env;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(static_cast<char>(kDriveListSeparator), start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                AddDecoded(roots, TrimTrailingSlashes(list.substr(start, end - start)));
            start = end + 1;
        }
        return roots;
    }
    roots.push_back(u"/");
    for (const MountEntry& m : ReadMountTable()) {
        if (IsMediaMountPoint(m.point) && !IsPseudoFileSystem(m.type))
            AddDecoded(roots, TrimTrailingSlashes(m.point));
    }
    return roots;
}

std::u16string DriveRootOf(const std::u16string& path) {
    const std::string canonical = CanonicalOf(ToUtf8(path));
    std::string best;
    for (const std::u16string& root : DriveRoots()) {
        const std::string r = CanonicalOf(ToUtf8(root));
        if (IsUnder(canonical, r) && (best.empty() || r.size() > best.size()))
            best = r;
    }
    if (best.empty())
        best = MountPointOf(canonical);
    return FromUtf8(best).value_or(u"/");
}

std::u16string FolderBelowDriveRoot(const std::u16string& folder) {
    const std::string canonical = CanonicalOf(ToUtf8(folder));
    const std::string root = ToUtf8(DriveRootOf(folder));
    if (root == "/" || !IsUnder(canonical, root))
        return FromUtf8(canonical == "/" ? std::string() : canonical).value_or(folder);
    return FromUtf8(canonical.substr(root.size())).value_or(folder);
}

namespace {

// What udev found on a block device when it appeared ("ntfs", "vfat", ...):
// readable by every user, where the device itself usually is not.
std::string UdevFileSystemOf(const std::string& device) {
    struct stat st;
    if (stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return {};
    char name[64];
    std::snprintf(name, sizeof name, "/run/udev/data/b%u:%u", major(st.st_rdev), minor(st.st_rdev));
    std::ifstream in(name);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("E:ID_FS_TYPE=", 0) == 0)
            return line.substr(13);
    return {};
}

} // namespace

std::string RealFileSystemType(const std::string& type, const std::string& source) {
    const bool fuse = type == "fuse" || type == "fuseblk" || type.rfind("fuse.", 0) == 0;
    if (!fuse)
        return type;
    // The device (or image file) the FUSE program serves says what it holds.
    if (!source.empty() && source[0] == '/') {
        const int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            uint8_t sector[512];
            const ssize_t got = pread(fd, sector, sizeof sector, 0);
            close(fd);
            if (got > 0) {
                const std::string found = FileSystemOfBootSector(sector, static_cast<size_t>(got));
                if (!found.empty())
                    return found;
            }
        }
        const std::string found = UdevFileSystemOf(source);
        if (found == "ntfs" || found == "exfat" || found == "vfat")
            return found;
    }
    // Else the program's name as the mount gives it ("fuse.fusefat", or
    // "ntfs-3g" as the source of a "fuseblk" mount).
    const std::string subtype = type.rfind("fuse.", 0) == 0 ? type.substr(5) : source;
    const auto has = [&](const char* piece) { return subtype.find(piece) != std::string::npos; };
    if (has("ntfs"))
        return "ntfs";
    if (has("exfat"))
        return "exfat";
    if (has("fat") || has("msdos"))
        return "vfat";
    return {};
}

std::string FileSystemTypeOf(const std::u16string& path) {
    const std::string canonical = CanonicalOf(ToUtf8(path));
    // No table, no answer: "" tells the caller it cannot be told.
    const std::optional<std::vector<MountEntry>> mounts = ReadMountTableOrFail();
    if (!mounts)
        return {};
    std::string bestPoint, bestType, bestSource;
    // The longest mount point that holds the path; of equal ones the last
    // mounted, which hides the ones below it.
    for (const MountEntry& m : *mounts) {
        if (IsUnder(canonical, m.point) && m.point.size() >= bestPoint.size()) {
            bestPoint = m.point;
            bestType = m.type;
            bestSource = m.source;
        }
    }
    // A FUSE mount whose real file system cannot be told keeps its own type
    // ("fuseblk", "fuse.x"): known to be there, unknown in what it takes.
    const std::string real = RealFileSystemType(bestType, bestSource);
    return real.empty() ? bestType : real;
}

} // namespace dz::platform
