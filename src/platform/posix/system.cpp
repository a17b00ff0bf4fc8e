// Free space, volume labels and processes. A label is what udev publishes
// under /dev/disk/by-label for the device a drive root is mounted from.
#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>

namespace dz::platform {
namespace {

// Mount-table fields escape blanks and backslashes as octal (\040).
std::string DecodeOctalEscapes(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// udev writes unsafe characters of a label as \xHH.
std::string DecodeHexEscapes(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name.compare(i, 2, "\\x") == 0 && i + 3 < name.size()) {
            const std::string digits = name.substr(i + 2, 2);
            if (digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 16));
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

std::string Canonical(const std::filesystem::path& p) {
    std::error_code ec;
    const std::filesystem::path c = std::filesystem::canonical(p, ec);
    return ec ? std::string() : c.string();
}

// The device the folder is mounted from when it is a mount point itself.
std::string MountSourceOf(const std::string& mountPoint) {
    std::ifstream table("/proc/self/mounts");
    std::string line;
    std::string found;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string source, point;
        if (!(fields >> source >> point))
            continue;
        // The last mount on a point is the one that is seen.
        if (DecodeOctalEscapes(point) == mountPoint)
            found = DecodeOctalEscapes(source);
    }
    return found;
}

} // namespace

std::optional<uint64_t> FreeSpace(const std::u16string& path) {
    struct statvfs st {};
    if (statvfs(ToPath(path).c_str(), &st) != 0)
        return std::nullopt;
    // A file system that reports no size at all (FUSE FAT does) does not
    // know its free space either; zero would refuse every copy onto it.
    if (st.f_blocks == 0)
        return std::nullopt;
    return static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
}

std::u16string VolumeLabel(const std::u16string& driveRoot) {
    const std::string root = Canonical(ToPath(driveRoot));
    if (root.empty())
        return {};
    const std::string source = MountSourceOf(root);
    if (source.empty() || source.front() != '/')
        return {};
    const std::string device = Canonical(source);
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/dev/disk/by-label", ec), end; !ec && it != end;
         it.increment(ec)) {
        if (Canonical(it->path()) == device)
            return FromPath(DecodeHexEscapes(it->path().filename().string())).value_or(u"");
    }
    return {};
}

int CurrentProcessId() {
    return static_cast<int>(getpid());
}

bool ProcessIsRunning(int processId) {
    if (processId <= 0)
        return false;
    // EPERM: it runs, under another user.
    return kill(processId, 0) == 0 || errno == EPERM;
}

} // namespace dz::platform
