// Cancel: what a copy and a move leave behind when it comes inside an entry
// or between two entries.
#include "transfer/worker_support.h"

namespace fs = std::filesystem;

namespace dz::test {
namespace {

const std::vector<std::string> kEntries = {"a.mp3", "NEWS_#001_200612241930.AVR",
                                           "SHOW_#001_200701011200.AVR", "z.mp3"};
const std::vector<std::string> kNewsFiles = {
    "NEWS_#001_200612241930.AVF", "NEWS_#001_200612241930.AVR", "NEWS_#002_200612241930.AVR",
    "NEWS_#003_200612241930.AVR"};
const std::vector<std::string> kShowFiles = {
    "SHOW_#001_200701011200.AVF", "SHOW_#001_200701011200.AVR", "SHOW_#002_200701011200.AVR",
    "SHOW_#003_200701011200.AVR"};

class WorkerCancel : public ::testing::Test {
protected:
    TempDir tmp;
    fs::path src = tmp / "src";
    fs::path dst = tmp / "dst";
    KeepingSink sink;

    void SetUp() override {
        fs::create_directory(src);
        fs::create_directory(dst);
        WriteFile(src / "a.mp3", PatternBytes(70000, 1));
        MakeRecording(src, RecordingSpec{});
        RecordingSpec show;
        show.base = "SHOW_#001_200701011200";
        MakeRecording(src, show);
        WriteFile(src / "z.mp3", PatternBytes(100, 2));
    }
    // Cancels inside the report that matches, as the dialog's Cancel would.
    void CancelAt(int32_t number, int32_t code) {
        sink.onReport = [number, code](const ProgressReport& r) {
            if (r.number == number && r.code == code)
                g_cancelTransfer = 1;
        };
    }
    int Run(TransferMode mode) { return RunTransfer(mode, U16(src), U16(dst), kEntries, sink); }
    bool AllIn(const fs::path& folder, const std::vector<std::string>& names) {
        for (const std::string& n : names)
            if (!fs::exists(folder / n))
                return false;
        return true;
    }
    bool NoneIn(const fs::path& folder, const std::vector<std::string>& names) {
        for (const std::string& n : names)
            if (fs::exists(folder / n))
                return false;
        return true;
    }
};

TEST_F(WorkerCancel, InsideTheThirdEntryACopyTakesBackEveryEntry) {
    CancelAt(3, PROGRESS_STEP);
    EXPECT_EQ(Run(TRANSFER_COPY), 1);
    EXPECT_TRUE(FolderIsEmpty(dst));
    EXPECT_TRUE(AllIn(src, kEntries) && AllIn(src, kNewsFiles) && AllIn(src, kShowFiles));
    EXPECT_EQ(sink.steps.back(), (Step{4, 3, 2, 100, 38})) << "the last report is the block";
}

TEST_F(WorkerCancel, InsideTheThirdEntryAMoveTakesBackOnlyThatEntry) {
    CancelAt(3, PROGRESS_STEP);
    EXPECT_EQ(Run(TRANSFER_MOVE), 1);
    // Entries 1 and 2 are moved for good; entry 3 is only at the source.
    EXPECT_TRUE(AllIn(dst, {"a.mp3"}) && AllIn(dst, kNewsFiles));
    EXPECT_TRUE(NoneIn(src, {"a.mp3"}) && NoneIn(src, kNewsFiles));
    EXPECT_TRUE(NoneIn(dst, kShowFiles) && NoneIn(dst, {"z.mp3"}));
    EXPECT_TRUE(AllIn(src, kShowFiles) && AllIn(src, {"z.mp3"}));
    EXPECT_EQ(ReadFile(src / "SHOW_#001_200701011200.AVF").size(), 9000u);
}

TEST_F(WorkerCancel, BetweenEntriesNothingIsTakenBack) {
    for (TransferMode mode : {TRANSFER_COPY, TRANSFER_MOVE}) {
        SCOPED_TRACE(mode == TRANSFER_COPY ? "copy" : "move");
        fs::remove_all(dst); // the copy before the move leaves the sources whole
        fs::create_directory(dst);
        sink.steps.clear();
        CancelAt(2, PROGRESS_FILE_DONE);
        EXPECT_EQ(Run(mode), 1);
        EXPECT_TRUE(AllIn(dst, {"a.mp3"}) && AllIn(dst, kNewsFiles));
        EXPECT_TRUE(NoneIn(dst, kShowFiles) && NoneIn(dst, {"z.mp3"}));
        if (mode == TRANSFER_MOVE)
            EXPECT_TRUE(NoneIn(src, {"a.mp3"}) && NoneIn(src, kNewsFiles));
        else
            EXPECT_TRUE(AllIn(src, {"a.mp3"}) && AllIn(src, kNewsFiles));
        EXPECT_EQ(sink.steps.back(), (Step{4, 2, 3, 100, 100})) << "no job-done report";
    }
}

} // namespace
} // namespace dz::test
