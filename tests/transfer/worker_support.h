#pragma once
// Shared by the worker tests: a sink that keeps every report, a job run on a
// real worker thread as the dialog starts it, and recordings made on disk.
#include "recording/RecordingName.h"
#include "support/temp_dir.h"
#include "transfer/transfer_worker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dz::test {

inline std::u16string U16(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}
inline std::u16string U16(const std::filesystem::path& p) {
    return U16(p.string());
}

struct Step {
    int32_t total, number, code, range, position;
    bool operator==(const Step&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Step& s) {
    return os << "{" << s.total << "," << s.number << "," << s.code << "," << s.range << ","
              << s.position << "}";
}

// Keeps the reports; onReport runs on the worker's thread inside the report,
// where the dialog would run (a cancel set there is seen after this block).
class KeepingSink : public ProgressSink {
public:
    std::vector<Step> steps;
    std::function<void(const ProgressReport&)> onReport;

    void OnProgress(const ProgressReport& r) override {
        EXPECT_EQ(r.reserved, 0);
        steps.push_back({r.total, r.number, r.code, r.range, r.position});
        if (onReport)
            onReport(r);
    }
    std::vector<int32_t> Codes() const {
        std::vector<int32_t> codes;
        for (const Step& s : steps)
            codes.push_back(s.code);
        return codes;
    }
};

// Runs one job on its own thread, as the progress dialog does, and waits.
inline int RunTransfer(TransferMode mode, const std::u16string& source,
                       const std::u16string& destination, const std::vector<std::string>& names,
                       KeepingSink& sink) {
    CSortStringArray list;
    for (const std::string& n : names)
        list.Add(U16(n));
    TransferJob job{&sink, &destination, &source, &list};
    g_cancelTransfer = 0;
    int result = 0;
    std::thread worker(
        [&] { result = mode == TRANSFER_COPY ? CopyThreadProc(&job) : MoveThreadProc(&job); });
    worker.join();
    return result;
}

// Drive roots pinned to one folder, so location texts do not depend on where
// the temporary folders happen to be.
class DrivesAt {
public:
    explicit DrivesAt(const std::filesystem::path& root) {
        setenv("DEZADIDE_DRIVES", std::filesystem::canonical(root).c_str(), 1);
    }
    ~DrivesAt() { unsetenv("DEZADIDE_DRIVES"); }
};

inline void PutBigEndian(std::vector<uint8_t>& b, size_t at, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v);
}

struct RecordingSpec {
    std::string base = "NEWS_#001_200612241930"; // part 1's name without extension
    std::string suffix;                          // "" or "_003"
    std::vector<size_t> partSizes = {134 + 100000, 70000, 300};
    int partCount = -1;          // in the head; -1 = partSizes.size()
    int64_t totalSize = -1;      // -1 = sum of the part sizes
    size_t companionSize = 9000; // head plus bytes after it
    std::string partExt = ".AVR", companionExt = ".AVF";
};

inline std::string PartName(const RecordingSpec& r, int p) {
    std::string name = r.base;
    const size_t sep = name.find("_#");
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", p);
    name.replace(sep + 2, 3, digits);
    return name + r.suffix + r.partExt;
}
inline std::string CompanionName(const RecordingSpec& r) {
    return r.base + r.suffix + r.companionExt;
}

// The files of a recording in folder, each with its own byte pattern and an
// old location text, so that a misplaced block or a patch in the wrong place
// shows up.
inline void MakeRecording(const std::filesystem::path& folder, const RecordingSpec& r) {
    std::vector<uint8_t> head = PatternBytes(r.companionSize, 7);
    uint64_t total = 0;
    for (size_t size : r.partSizes)
        total += size;
    if (r.totalSize >= 0)
        total = static_cast<uint64_t>(r.totalSize);
    PutBigEndian(head, kCompanionPartCountOffset,
                 static_cast<uint64_t>(r.partCount < 0 ? int(r.partSizes.size()) : r.partCount), 2);
    PutBigEndian(head, kCompanionTotalSizeOffset, total, 8);
    std::memcpy(&head[kCompanionLocationOffset], "C:\\OLD\\PLACE.AVF", 17);
    WriteFile(folder / CompanionName(r), head);
    for (size_t p = 0; p < r.partSizes.size(); ++p) {
        std::vector<uint8_t> part = PatternBytes(r.partSizes[p], static_cast<uint8_t>(20 + p));
        if (part.size() >= kPartHeaderSize)
            std::memcpy(&part[kPartLocationOffset], "C:\\OLD\\PLACE.AVF", 17);
        WriteFile(folder / PartName(r, static_cast<int>(p) + 1), part);
    }
}

// What a copy must hold: the source's bytes with the location field cleared
// and the text written into it (a file shorter than its header unchanged).
inline std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t headerSize, size_t offset,
                                    const std::string& text) {
    if (bytes.size() < headerSize)
        return bytes;
    std::memset(&bytes[offset], 0, kLocationFieldSize);
    std::memcpy(&bytes[offset], text.c_str(), text.size() + 1);
    return bytes;
}

// A whole file in one read (the byte-wise reader is slow under the sanitizers).
inline std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes(std::filesystem::file_size(path));
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline bool FolderIsEmpty(const std::filesystem::path& folder) {
    return std::filesystem::is_empty(folder);
}

} // namespace dz::test
