#pragma once
// A recording the recorder can play, for the rename and check tests: parts
// whose header points at a stream of transport packets, location texts that
// name where it lies (a folder REC below a drive root).
#include "platform/platform.h"
#include "recording/recording_files.h"
#include "support/temp_dir.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace dz::test {

// A drive root with a folder REC in it, so location texts read C:\REC\...
struct RecorderDisk {
    TempDir root;
    ScopedEnv drives{"DEZADIDE_DRIVES", root.path().string()};
    std::filesystem::path rec = root / "REC";
    RecorderDisk() { std::filesystem::create_directory(rec); }
    std::u16string folder() const { return platform::FromPath(rec).value(); }
};

inline void PutLocation(const std::filesystem::path& file, size_t offset, const std::string& text) {
    std::vector<uint8_t> bytes = ReadFile(file);
    std::memset(&bytes[offset], 0, kLocationFieldSize);
    std::memcpy(&bytes[offset], text.data(), text.size());
    WriteFile(file, bytes);
}

// MakeRecording, then every part made sound: stream offset 134, a sync byte
// at the start of every 188-byte packet, the location text of `folderText`
// ("C:\REC\") in the companion and every part.
inline void MakeSoundRecording(const std::filesystem::path& folder, const RecordingLayout& r,
                               const std::string& folderText = "C:\\REC\\") {
    MakeRecording(folder, r);
    const std::string location = folderText + CompanionName(r);
    PutLocation(folder / CompanionName(r), kCompanionLocationOffset, location);
    for (size_t p = 1; p <= r.parts.size(); ++p) {
        const std::filesystem::path part = folder / PartName(r, static_cast<int>(p));
        std::vector<uint8_t> bytes = ReadFile(part);
        if (bytes.size() < kPartHeaderSize)
            continue;
        bytes[kPartStreamOffsetOffset] = 0;
        bytes[kPartStreamOffsetOffset + 1] = static_cast<uint8_t>(kPartHeaderSize);
        for (size_t at = kPartHeaderSize; at < bytes.size(); at += 188)
            bytes[at] = 0x47;
        WriteFile(part, bytes);
        PutLocation(part, kPartLocationOffset, location);
    }
}

// Every file below a folder with its bytes (folders with none): what a
// refused or cut-short operation must leave as it was.
using Snapshot = std::map<std::string, std::vector<uint8_t>>;
inline Snapshot Take(const std::filesystem::path& dir) {
    Snapshot files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        files[std::filesystem::relative(e.path(), dir).string()] =
            e.is_regular_file() ? ReadFile(e.path()) : std::vector<uint8_t>{};
    return files;
}

} // namespace dz::test
