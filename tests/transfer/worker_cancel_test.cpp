// Cancel inside an entry or between two: what a copy and a move leave behind.
#include "transfer/worker_support.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

TEST(WorkerCancel, CopyTakesBackItsEntriesMoveOnlyTheOneItWasIn) {
    RecordingLayout news, show;
    show.name = "SHOW";
    const std::vector<std::string> entries = {"a.mp3", PartName(news, 1), PartName(show, 1),
                                              "z.mp3"};
    auto filesOf = [&](int entry) -> std::vector<std::string> {
        const RecordingLayout& r = entry == 2 ? news : show;
        if (entry == 1 || entry == 4)
            return {entries[entry - 1]};
        return {CompanionName(r), PartName(r, 1), PartName(r, 2), PartName(r, 3)};
    };
    const struct {
        const char* what;
        TransferMode mode;
        int32_t number, code; // the report that the cancel comes in
        std::vector<int> moved, atBoth;
        Step last;
    } rows[] = {
        {"copy, inside entry 3", TRANSFER_COPY, 3, PROGRESS_STEP, {}, {}, {4, 3, 2, 100, 38}},
        {"move, inside entry 3", TRANSFER_MOVE, 3, PROGRESS_STEP, {1, 2}, {}, {4, 3, 2, 100, 38}},
        {"copy, after entry 2",
         TRANSFER_COPY,
         2,
         PROGRESS_FILE_DONE,
         {},
         {1, 2},
         {4, 2, 3, 100, 100}},
        {"move, after entry 2",
         TRANSFER_MOVE,
         2,
         PROGRESS_FILE_DONE,
         {1, 2},
         {},
         {4, 2, 3, 100, 100}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir tmp;
        const fs::path src = tmp / "src", dst = tmp / "dst";
        fs::create_directory(src);
        fs::create_directory(dst);
        WriteFile(src / "a.mp3", PatternBytes(70000));
        MakeRecording(src, news);
        MakeRecording(src, show);
        WriteFile(src / "z.mp3", PatternBytes(100));
        KeepingSink sink;
        sink.onReport = [&](const ProgressReport& report) {
            if (report.number == r.number && report.code == r.code)
                g_cancelTransfer = 1;
        };
        EXPECT_EQ(RunTransfer(r.mode, src, dst, entries, sink), 1);
        EXPECT_EQ(sink.steps.back(), r.last) << "no job-done report";
        for (int entry = 1; entry <= 4; ++entry) {
            const bool moved = std::count(r.moved.begin(), r.moved.end(), entry) > 0;
            const bool atBoth = std::count(r.atBoth.begin(), r.atBoth.end(), entry) > 0;
            for (const std::string& file : filesOf(entry)) {
                EXPECT_EQ(fs::exists(src / file), !moved) << file;
                EXPECT_EQ(fs::exists(dst / file), moved || atBoth) << file;
            }
        }
    }
}

} // namespace
} // namespace dz::test
