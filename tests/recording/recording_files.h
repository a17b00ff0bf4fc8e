#pragma once
// Recordings on disk for tests: NAME_#PPP_STAMP.AVR parts and the companion
// NAME_#001_STAMP.AVF, each file with its own byte pattern and an old
// location text, so that a misplaced block or a patch in the wrong place
// shows up.
#include "recording/RecordingName.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace dz::test {

inline std::vector<uint8_t> CompanionBytes(uint16_t partCount, uint64_t totalSize,
                                           size_t size = kCompanionHeadSize) {
    std::vector<uint8_t> bytes = PatternBytes(size, 7);
    auto put = [&](size_t offset, uint64_t value, size_t n) {
        for (size_t i = 0; i < n && offset + i < size; ++i)
            bytes[offset + i] = static_cast<uint8_t>(value >> (8 * (n - 1 - i)));
    };
    put(kCompanionPartCountOffset, partCount, 2);
    put(kCompanionTotalSizeOffset, totalSize, 8);
    return bytes;
}

struct RecordingLayout {
    std::string name = "NEWS";
    std::string suffix; // "" or "_003"
    std::vector<size_t> parts = {100134, 70000, 300};
    int count = -1;     // part count in the head; -1 = parts.size()
    int64_t total = -1; // total size in the head; -1 = the parts' sum
    size_t companionSize = 9000;
    std::string ext = ".AVR", companionExt = ".AVF";
};

inline std::string PartName(const RecordingLayout& r, int p) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", p);
    return r.name + "_#" + number + "_200612241930" + r.suffix + r.ext;
}
inline std::string CompanionName(const RecordingLayout& r) {
    return r.name + "_#001_200612241930" + r.suffix + r.companionExt;
}

inline void MakeRecording(const std::filesystem::path& folder, const RecordingLayout& r) {
    uint64_t total = 0;
    for (size_t size : r.parts)
        total += size;
    std::vector<uint8_t> head =
        CompanionBytes(static_cast<uint16_t>(r.count < 0 ? r.parts.size() : r.count),
                       r.total < 0 ? total : static_cast<uint64_t>(r.total), r.companionSize);
    std::memcpy(&head[kCompanionLocationOffset], "C:\\OLD.AVF", 11);
    WriteFile(folder / CompanionName(r), head);
    for (size_t p = 0; p < r.parts.size(); ++p) {
        std::vector<uint8_t> part = PatternBytes(r.parts[p], static_cast<uint8_t>(20 + p));
        if (part.size() >= kPartHeaderSize)
            std::memcpy(&part[kPartLocationOffset], "C:\\OLD.AVF", 11);
        WriteFile(folder / PartName(r, static_cast<int>(p) + 1), part);
    }
}

} // namespace dz::test
