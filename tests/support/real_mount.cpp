#include "support/real_mount.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace dz::test {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// /proc/self/mounts writes a blank, a tab, a newline and a backslash as octal escapes.
std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

uint64_t DefaultSize(FileSystem fs) {
    switch (fs) {
    case FileSystem::kTmpfs:
        return 16u << 20;
    case FileSystem::kFat32:
        return 40u << 20; // FAT32 needs 65,525 clusters at least
    default:
        return 16u << 20;
    }
}

} // namespace

const char* FileSystemName(FileSystem fs) {
    switch (fs) {
    case FileSystem::kTmpfs:
        return "tmpfs";
    case FileSystem::kFat32:
        return "FAT32 (fusefat)";
    case FileSystem::kNtfs:
        return "NTFS (ntfs-3g)";
    case FileSystem::kNtfsIgnoreCase:
        return "NTFS (lowntfs-3g, ignore_case)";
    }
    return "?";
}

bool IsMountPoint(const fs::path& path) {
    std::ifstream mounts("/proc/self/mounts");
    const std::string wanted = path.lexically_normal().string();
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string source, target;
        fields >> source >> target;
        if (Unescape(target) == wanted)
            return true;
    }
    return false;
}

bool RealMount::MaySkip() {
    const char* skip = std::getenv("DEZADIDE_SKIP_MOUNTS");
    return skip && std::string(skip) == "1";
}

RealMount::RealMount(FileSystem fs, const fs::path& mountPoint, uint64_t size)
    : m_fs(fs), m_path(mountPoint.lexically_normal()) {
    std::error_code ec;
    fs::create_directories(m_path, ec);
    if (ec) {
        m_why = "cannot make " + m_path.string() + ": " + ec.message();
        return;
    }
    m_image = m_path.parent_path() / ("." + m_path.filename().string() + ".img");
    m_mounted = Mount(size ? size : DefaultSize(fs));
    // A FUSE driver may return before the kernel shows its mount.
    for (int wait = 0; m_mounted && wait < 50 && !IsMountPoint(m_path); ++wait)
        std::this_thread::sleep_for(100ms);
    if (m_mounted && !IsMountPoint(m_path)) {
        m_mounted = false;
        m_why = std::string(FileSystemName(fs)) + " did not appear at " + m_path.string();
    }
}

RealMount::~RealMount() {
    Unmount();
    std::error_code ec;
    fs::remove(m_image, ec);
}

// Runs a mount tool and waits for it. Its output goes to a file, not a pipe:
// the FUSE drivers leave a daemon behind that would hold a pipe open.
bool RealMount::Run(const std::vector<std::string>& argv) {
    const fs::path log = m_path.parent_path() / ("." + m_path.filename().string() + ".log");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<std::string> text = argv;
    std::vector<char*> args;
    for (std::string& a : text)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned == 0)
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    std::ifstream in(log);
    const std::string output((std::istreambuf_iterator<char>(in)), {});
    std::error_code ec;
    fs::remove(log, ec);
    if (spawned != 0) {
        m_why = argv[0] + ": " + std::strerror(spawned) + " (is it installed?)";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        m_why = argv[0] + " failed: " + output;
        return false;
    }
    return true;
}

bool RealMount::Mount(uint64_t size) {
    if (m_fs == FileSystem::kTmpfs) {
        const std::string options = "size=" + std::to_string(size);
        if (mount("tmpfs", m_path.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            m_why = "mount -t tmpfs: " + std::string(std::strerror(errno)) + " (needs root)";
            return false;
        }
        return true;
    }
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
        m_why = "/dev/fuse is not usable: " + std::string(std::strerror(errno));
        return false;
    }
    {
        std::ofstream image(m_image, std::ios::binary | std::ios::trunc);
        if (!image) {
            m_why = "cannot make the image " + m_image.string();
            return false;
        }
    }
    std::error_code ec;
    fs::resize_file(m_image, size, ec); // sparse
    if (ec) {
        m_why = "cannot size the image: " + ec.message();
        return false;
    }
    const std::string image = m_image.string(), dir = m_path.string();
    switch (m_fs) {
    case FileSystem::kFat32:
        return Run({"mkfs.vfat", "-F", "32", image}) && Run({"fusefat", "-o", "rw+", image, dir});
    case FileSystem::kNtfs:
        return Run({"mkntfs", "-F", "-q", "-f", image}) && Run({"ntfs-3g", image, dir});
    case FileSystem::kNtfsIgnoreCase:
        return Run({"mkntfs", "-F", "-q", "-f", image}) &&
               Run({"lowntfs-3g", "-o", "ignore_case", image, dir});
    default:
        return false;
    }
}

bool RealMount::RemountReadOnly() {
    return m_mounted && m_fs == FileSystem::kTmpfs &&
           mount("tmpfs", m_path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void RealMount::Unmount() {
    if (!m_mounted)
        return;
    m_mounted = false;
    // A FUSE daemon may still be finishing the last request; a busy mount is
    // tried again for a while, then detached so that no test leaves one behind.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (umount2(m_path.c_str(), 0) == 0 || errno == EINVAL || errno == ENOENT)
            break;
        std::this_thread::sleep_for(100ms);
    }
    if (IsMountPoint(m_path))
        umount2(m_path.c_str(), MNT_DETACH);
    std::error_code ec;
    fs::remove(m_path, ec);
}

} // namespace dz::test
