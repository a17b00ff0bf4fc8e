// Cancel inside an entry or between two: what a copy and a move leave behind.
#include "transfer/worker_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

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
        int32_t number; // the report that the cancel comes in
        ProgressCode code;
        std::vector<int> moved, atBoth;
        Step last;
    } rows[] = {
        {"copy, inside entry 3",
         TransferMode::Copy,
         3,
         ProgressCode::Step,
         {},
         {},
         {4, 3, 2, 100, 38}},
        {"move, inside entry 3",
         TransferMode::Move,
         3,
         ProgressCode::Step,
         {1, 2},
         {},
         {4, 3, 2, 100, 38}},
        {"copy, after entry 2",
         TransferMode::Copy,
         2,
         ProgressCode::FileDone,
         {},
         {1, 2},
         {4, 2, 3, 100, 100}},
        {"move, after entry 2",
         TransferMode::Move,
         2,
         ProgressCode::FileDone,
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
                sink.CancelJob();
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

// Two jobs in one process, one cancelled while the other is inside a file:
// the other goes on to its end and leaves exactly what it would alone.
TEST(WorkerCancel, CancellingOneJobLeavesAnotherRunningBesideItUntouched) {
    const std::vector<std::string> entries = {"a.mp3", "z.mp3"};
    const struct {
        TransferMode mode;
        int cancelled; // which of the two jobs
    } rows[] = {{TransferMode::Copy, 0},
                {TransferMode::Copy, 1},
                {TransferMode::Move, 0},
                {TransferMode::Move, 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << (r.mode == TransferMode::Move ? "move" : "copy")
                                        << ", job " << r.cancelled);
        TempDir tmp;
        struct Side {
            fs::path src, dst;
            KeepingSink sink;
            int result = -2;
        } sides[2];
        for (int i = 0; i < 2; ++i) {
            Side& side = sides[i];
            side.src = tmp / ("src" + std::to_string(i));
            side.dst = tmp / ("dst" + std::to_string(i));
            fs::create_directory(side.src);
            fs::create_directory(side.dst);
            WriteFile(side.src / "a.mp3", PatternBytes(20 * kTransferBlockSize + 5, 3));
            WriteFile(side.src / "z.mp3", PatternBytes(1000, 4));
        }
        const std::vector<uint8_t> a = ReadFile(sides[0].src / "a.mp3");
        const std::vector<uint8_t> z = ReadFile(sides[0].src / "z.mp3");
        std::atomic<bool> stopped{false};
        bool waited = false;
        Side& stopping = sides[r.cancelled];
        Side& going = sides[1 - r.cancelled];
        stopping.sink.onReport = [&](const ProgressReport& report) {
            if (report.code == ProgressCode::Step && !stopped) {
                stopping.sink.CancelJob();
                stopped = true;
            }
        };
        // The job that goes on waits inside its first block until the other
        // has been told to stop, so the cancel falls in the middle of its file.
        going.sink.onReport = [&](const ProgressReport& report) {
            if (report.code != ProgressCode::Step || waited)
                return;
            waited = true;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!stopped && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        std::thread jobs[2];
        for (int i = 0; i < 2; ++i)
            jobs[i] = std::thread([&, i] {
                sides[i].result =
                    RunTransfer(r.mode, sides[i].src, sides[i].dst, entries, sides[i].sink);
            });
        for (std::thread& job : jobs)
            job.join();
        ASSERT_TRUE(stopped.load());

        EXPECT_EQ(stopping.result, 1);
        EXPECT_TRUE(fs::is_empty(stopping.dst));
        EXPECT_TRUE(fs::exists(stopping.src / "a.mp3"));

        EXPECT_EQ(going.result, 0);
        ASSERT_FALSE(going.sink.steps.empty());
        EXPECT_EQ(going.sink.steps.back().code, static_cast<int32_t>(ProgressCode::JobDone));
        EXPECT_EQ(ReadFile(going.dst / "a.mp3"), a);
        EXPECT_EQ(ReadFile(going.dst / "z.mp3"), z);
        EXPECT_EQ(fs::exists(going.src / "a.mp3"), r.mode == TransferMode::Copy);
    }
}

} // namespace
} // namespace dz::test
