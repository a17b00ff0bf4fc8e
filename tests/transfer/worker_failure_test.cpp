// Failures: the code reported, what stays at the destination, and that a
// move never loses its source.
#include "transfer/worker_support.h"

#include <algorithm>

#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

const std::string kNews = "NEWS_#001_200612241930.AVR";

class WorkerFailure : public WorkerFolders {
protected:
    // The files of a folder: a failed move must neither delete nor truncate any.
    std::vector<std::pair<std::string, uintmax_t>> Files(const fs::path& folder) {
        std::vector<std::pair<std::string, uintmax_t>> files;
        for (const auto& e : fs::directory_iterator(folder))
            files.emplace_back(e.path().filename().string(), e.file_size());
        std::sort(files.begin(), files.end());
        return files;
    }
    void ExpectMoveFails(const fs::path& to, const std::string& entry, Step last) {
        const auto before = Files(src);
        sink.steps.clear();
        EXPECT_EQ(RunTransfer(TRANSFER_MOVE, src, to, {entry}, sink), -1);
        EXPECT_EQ(sink.steps.back(), last);
        EXPECT_EQ(Files(src), before) << "a move keeps the source of a failed entry";
    }
};

TEST_F(WorkerFailure, ACompanionOrPartThatCannotBeReadEndsTheJob) {
    RecordingLayout shortHead;
    shortHead.name = "SHORT";
    shortHead.companionSize = 8007;
    MakeRecording(src, shortHead);
    ExpectMoveFails(dst, PartName(shortHead, 1), {0, 0, 103, 0, 0});
    EXPECT_TRUE(fs::is_empty(dst));

    RecordingLayout gap; // a complete head, but part 2 is missing
    gap.companionSize = 8008;
    MakeRecording(src, gap);
    fs::remove(src / PartName(gap, 2));
    ExpectMoveFails(dst, kNews, {1, 1, 101, 0, 0});
    EXPECT_TRUE(fs::is_empty(dst))
        << "nothing of a recording that failed part-way stays: it would be listed whole";
}

// A source that shrinks while it is copied: the bytes copied fall short of
// its length even after the extra block.
TEST_F(WorkerFailure, ASourceThatShrinksLeavesNoPartialCopy) {
    // Large enough that the copy is still under way when the first block's
    // report arrives.
    WriteFile(src / "a.mp3", PatternBytes(3000000));
    sink.onReport = [&](const ProgressReport& r) {
        if (r.code == PROGRESS_STEP && fs::file_size(src / "a.mp3") == 3000000)
            fs::resize_file(src / "a.mp3", 1500000);
    };
    EXPECT_EQ(RunTransfer(TRANSFER_MOVE, src, dst, {"a.mp3"}, sink), -1);
    EXPECT_EQ(sink.steps.back(), (Step{1, 1, 101, 0, 0}));
    EXPECT_FALSE(fs::exists(dst / "a.mp3"));
    EXPECT_EQ(fs::file_size(src / "a.mp3"), 1500000u) << "the move kept its source";
}

// Without the refusal the copy would truncate its own source, and a move
// would then delete the only copy.
TEST_F(WorkerFailure, TheSameFileByAnotherPathIsRefused) {
    WriteFile(src / "a.mp3", PatternBytes(70000));
    MakeRecording(src, RecordingLayout{});
    fs::create_directory_symlink(src, tmp / "link");
    fs::create_hard_link(src / "NEWS_#002_200612241930.AVR", dst / "NEWS_#002_200612241930.AVR");
    // The folder itself by another path is refused before any entry.
    ExpectMoveFails(tmp / "link", "a.mp3", {1, 0, 102, 0, 0});
    ExpectMoveFails(tmp / "link", kNews, {1, 0, 102, 0, 0});
    ExpectMoveFails(dst, kNews, {0, 0, 102, 0, 0});
    EXPECT_EQ(std::distance(fs::directory_iterator(dst), fs::directory_iterator()), 1);
}

TEST_F(WorkerFailure, DestinationsOutsideTheSchemeFailBeforeAnythingIsWritten) {
    MakeRecording(src, RecordingLayout{});
    // The folder part of a path, closing separator included, may have 60
    // characters; 61 is outside the recorder's scheme.
    const size_t base = U16(tmp.path()).size() + 2;
    if (base >= 60)
        GTEST_SKIP() << "the temporary folder's path is too long for this test";
    const fs::path fits = tmp / std::string(60 - base, 'd'),
                   tooLong = tmp / std::string(61 - base, 'd');
    fs::create_directory(fits);
    fs::create_directory(tooLong);
    EXPECT_EQ(RunTransfer(TRANSFER_COPY, src, fits, {kNews}, sink), 0);
    ExpectMoveFails(tooLong, kNews, {0, 0, 102, 0, 0});
    EXPECT_TRUE(fs::is_empty(tooLong));

    // A short path to a folder deep below its drive: the recorder's text
    // would not fit the location field.
    DrivesAt drives(tmp.path());
    fs::create_directory(tmp / std::string(100, 'x'));
    fs::create_directory_symlink(tmp / std::string(100, 'x'), tmp / "l");
    ExpectMoveFails(tmp / "l", kNews, {0, 0, 102, 0, 0});
    EXPECT_TRUE(fs::is_empty(tmp / "l"));
}

// A real full disk: a 1 MiB tmpfs as the destination, when running as root.
TEST_F(WorkerFailure, AFullDiskFailsTheEntryAndRemovesThePartialFile) {
    const fs::path full = tmp / "full";
    fs::create_directory(full);
    if (geteuid() != 0 || mount("tmpfs", full.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    WriteFile(src / "big.mp3", PatternBytes(1500000));
    RecordingLayout layout;
    layout.parts = {300000, 1200000};
    MakeRecording(src, layout);
    ExpectMoveFails(full, "big.mp3", {1, 1, 102, 0, 0});
    EXPECT_FALSE(fs::exists(full / "big.mp3"));
    ExpectMoveFails(full, kNews, {1, 1, 102, 0, 0});
    EXPECT_TRUE(fs::is_empty(full)) << "no part of a recording that did not fit stays";
    umount2(full.c_str(), MNT_DETACH);
}

} // namespace
} // namespace dz::test
