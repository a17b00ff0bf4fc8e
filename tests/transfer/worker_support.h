#pragma once
// Worker test helpers: a sink that keeps every report, a job run on a real
// worker thread as the dialog starts it, and recordings made on disk.
#include "recording/recording_files.h"
#include "transfer/transfer_worker.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    // The running job's token, set for the length of one job.
    CancelToken* token = nullptr;
    void CancelJob() {
        ASSERT_NE(token, nullptr);
        token->Cancel();
    }

    void OnProgress(const ProgressReport& r) override {
        steps.push_back({r.total, r.number, static_cast<int32_t>(r.code), r.range, r.position});
        if (onReport)
            onReport(r);
    }
};

inline int RunTransfer(TransferMode mode, const std::filesystem::path& source,
                       const std::filesystem::path& destination,
                       const std::vector<std::string>& names, KeepingSink& sink,
                       const std::vector<std::string>& replace = {}) {
    const std::u16string from = U16(source), to = U16(destination);
    CSortStringArray list;
    for (const std::string& n : names)
        list.Add(std::u16string(n.begin(), n.end()));
    CancelToken cancel;
    TransferJob job{&sink, to, from, list, nullptr, &cancel, {}};
    for (const std::string& n : replace)
        job.replace.emplace_back(n.begin(), n.end());
    sink.token = &cancel;
    int result = 0;
    std::thread worker(
        [&] { result = mode == TransferMode::Copy ? CopyThreadProc(&job) : MoveThreadProc(&job); });
    worker.join();
    sink.token = nullptr;
    return result;
}

// Drive roots pinned to one folder, so that location texts do not depend on
// where the temporary folders are.
struct DrivesAt : ScopedEnv {
    explicit DrivesAt(const std::filesystem::path& root)
        : ScopedEnv("DEZADIDE_DRIVES", std::filesystem::canonical(root).string()) {}
};

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

// A source and a destination folder, and a sink that keeps every report.
class WorkerFolders : public ::testing::Test {
protected:
    TempDir tmp;
    std::filesystem::path src = tmp / "src", dst = tmp / "dst";
    KeepingSink sink;
    void SetUp() override {
        std::filesystem::create_directory(src);
        std::filesystem::create_directory(dst);
    }
};

} // namespace dz::test
