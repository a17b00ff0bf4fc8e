#pragma once
// Recordings on disk for tests: a companion whose head says what the test
// wants, and part files with a small header in front of their bytes.
#include "recording/RecordingName.h"
#include "support/temp_dir.h"

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

// NAME_#PPP_STAMP.AVR for parts first..last, and the companion NAME_#001_STAMP.AVF.
inline void MakeRecording(const std::filesystem::path& folder, const std::string& name,
                          const std::string& stamp, int firstPart, int lastPart, uint16_t partCount,
                          uint64_t totalSize) {
    for (int p = firstPart; p <= lastPart; ++p) {
        char part[16];
        std::snprintf(part, sizeof part, "_#%03d_", p);
        WriteFile(folder / (name + part + stamp + ".AVR"), PatternBytes(300, uint8_t(p)));
    }
    WriteFile(folder / (name + "_#001_" + stamp + ".AVF"), CompanionBytes(partCount, totalSize));
}

} // namespace dz::test
