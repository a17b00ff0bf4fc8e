#pragma once
// A real file system mounted for one test: a small tmpfs, a FAT32 image
// through fusefat, an NTFS image through ntfs-3g, or through lowntfs-3g with
// ignore_case (letter case ignored, as Windows does). The kernel has no FAT
// module here, so images are mounted through FUSE only, never a loop device.
// The object unmounts and removes its image when it goes, also when the
// test failed.
//
// Mounting needs root and /dev/fuse. A test that cannot mount fails; on a
// developer machine DEZADIDE_SKIP_MOUNTS=1 turns that into a skip:
//
//     RealMount disk(FileSystem::kFat32, tmp / "media" / "REC");
//     DZ_REQUIRE_MOUNT(disk);
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace dz::test {

enum class FileSystem { kTmpfs, kFat32, kNtfs, kNtfsIgnoreCase };
const char* FileSystemName(FileSystem fs);
inline void PrintTo(FileSystem fs, std::ostream* os) {
    *os << FileSystemName(fs);
}

class RealMount {
public:
    // Mounts a new, empty file system at mountPoint (made with its parents).
    // size 0 takes the kind's own small default.
    RealMount(FileSystem fs, const std::filesystem::path& mountPoint, uint64_t size = 0);
    ~RealMount();
    RealMount(const RealMount&) = delete;
    RealMount& operator=(const RealMount&) = delete;

    bool ok() const { return m_mounted; }
    const std::string& why() const { return m_why; } // what failed, when !ok()
    const std::filesystem::path& path() const { return m_path; }
    FileSystem fileSystem() const { return m_fs; }

    // A tmpfs only: from now on nothing in it can be changed or removed.
    bool RemountReadOnly();

    // DEZADIDE_SKIP_MOUNTS=1: the developer has no root or no FUSE here.
    static bool MaySkip();

private:
    bool Mount(uint64_t size);
    bool Run(const std::vector<std::string>& argv);
    void Unmount();

    FileSystem m_fs;
    std::filesystem::path m_path;
    std::filesystem::path m_image; // next to the mount point, for the images
    bool m_mounted = false;
    std::string m_why;
};

// True when path is a mount point in this process's mount table.
bool IsMountPoint(const std::filesystem::path& path);

} // namespace dz::test

// Fails the test (or skips it, with DEZADIDE_SKIP_MOUNTS=1) when the mount
// could not be made. For a TEST body or a fixture's SetUp.
#define DZ_REQUIRE_MOUNT(disk)                                                                     \
    do {                                                                                           \
        if (!(disk).ok()) {                                                                        \
            if (::dz::test::RealMount::MaySkip())                                                  \
                GTEST_SKIP() << "DEZADIDE_SKIP_MOUNTS=1: " << (disk).why();                        \
            FAIL() << "cannot mount a test file system (set DEZADIDE_SKIP_MOUNTS=1 to skip "       \
                      "on a machine without root or /dev/fuse): "                                  \
                   << (disk).why();                                                                \
        }                                                                                          \
    } while (0)
