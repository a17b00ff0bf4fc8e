#pragma once
// Worker test helpers: a sink that keeps every report, a job run on a real
// worker thread as the dialog starts it, and recordings made on disk.
#include "recording/RecordingName.h"
#include "support/temp_dir.h"
#include "transfer/transfer_worker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace dz::test {

inline std::u16string U16(const std::filesystem::path& p) {
    const std::string s = p.string();
    return std::u16string(s.begin(), s.end());
}

struct Step {
    int32_t total, number, code, range, position;
    bool operator==(const Step&) const = default;
};
inline void PrintTo(const Step& s, std::ostream* os) {
    *os << "{" << s.total << "," << s.number << "," << s.code << "," << s.range << "," << s.position
        << "}";
}

class KeepingSink : public ProgressSink {
public:
    std::vector<Step> steps;
    // Runs inside the report on the worker's thread, where the dialog would:
    // a cancel set here is seen after this block.
    std::function<void(const ProgressReport&)> onReport;

    void OnProgress(const ProgressReport& r) override {
        steps.push_back({r.total, r.number, r.code, r.range, r.position});
        if (onReport)
            onReport(r);
    }
};

inline int RunTransfer(TransferMode mode, const std::filesystem::path& source,
                       const std::filesystem::path& destination,
                       const std::vector<std::string>& names, KeepingSink& sink) {
    const std::u16string from = U16(source), to = U16(destination);
    CSortStringArray list;
    for (const std::string& n : names)
        list.Add(std::u16string(n.begin(), n.end()));
    TransferJob job{&sink, &to, &from, &list};
    g_cancelTransfer = 0;
    int result = 0;
    std::thread worker(
        [&] { result = mode == TRANSFER_COPY ? CopyThreadProc(&job) : MoveThreadProc(&job); });
    worker.join();
    return result;
}

// Drive roots pinned to one folder, so that location texts do not depend on
// where the temporary folders are.
class DrivesAt {
public:
    explicit DrivesAt(const std::filesystem::path& root) {
        setenv("DEZADIDE_DRIVES", std::filesystem::canonical(root).c_str(), 1);
    }
    ~DrivesAt() { unsetenv("DEZADIDE_DRIVES"); }
};

struct RecordingLayout {
    std::string name = "NEWS";
    std::string suffix; // "" or "_003"
    std::vector<size_t> parts = {100134, 70000, 300};
    int count = -1; // part count in the head; -1 = parts.size()
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

// Each file with its own byte pattern and an old location text, so that a
// misplaced block or a patch in the wrong place shows up.
inline void MakeRecording(const std::filesystem::path& folder, const RecordingLayout& r) {
    std::vector<uint8_t> head = PatternBytes(r.companionSize, 7);
    uint64_t total = 0;
    for (size_t size : r.parts)
        total += size;
    const uint64_t count = r.count < 0 ? r.parts.size() : static_cast<uint64_t>(r.count);
    for (int i = 0; i < 2; ++i)
        head[kCompanionPartCountOffset + i] = static_cast<uint8_t>(count >> (8 * (1 - i)));
    for (int i = 0; i < 8; ++i)
        head[kCompanionTotalSizeOffset + i] = static_cast<uint8_t>(total >> (8 * (7 - i)));
    std::memcpy(&head[kCompanionLocationOffset], "C:\\OLD.AVF", 11);
    WriteFile(folder / CompanionName(r), head);
    for (size_t p = 0; p < r.parts.size(); ++p) {
        std::vector<uint8_t> part = PatternBytes(r.parts[p], static_cast<uint8_t>(20 + p));
        if (part.size() >= kPartHeaderSize)
            std::memcpy(&part[kPartLocationOffset], "C:\\OLD.AVF", 11);
        WriteFile(folder / PartName(r, static_cast<int>(p) + 1), part);
    }
}

// What a copy must hold: the bytes with the location field cleared and the
// text written into it; a file shorter than its header stays as it was.
inline std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t headerSize, size_t offset,
                                    const std::string& text) {
    if (bytes.size() < headerSize)
        return bytes;
    std::memset(&bytes[offset], 0, kLocationFieldSize);
    std::memcpy(&bytes[offset], text.c_str(), text.size() + 1);
    return bytes;
}

} // namespace dz::test
