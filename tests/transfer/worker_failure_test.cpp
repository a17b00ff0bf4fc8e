// Failures: the code reported, what stays at the destination, and that a
// move never loses its source.
#include "transfer/worker_support.h"

#include <algorithm>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

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
        EXPECT_EQ(RunTransfer(TransferMode::Move, src, to, {entry}, sink), -1);
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
    bool shrunk = false;
    sink.onReport = [&](const ProgressReport& r) {
        if (r.code != ProgressCode::Step || fs::file_size(src / "a.mp3") != 3000000)
            return;
        std::error_code ec;
        fs::resize_file(src / "a.mp3", 1500000, ec);
        shrunk = shrunk || !ec;
    };
#ifdef _WIN32
    // The copy holds its source open for reading only, which keeps every
    // writer out: the source cannot shrink under it, and the move completes.
    EXPECT_EQ(RunTransfer(TransferMode::Move, src, dst, {"a.mp3"}, sink), 0);
    EXPECT_FALSE(shrunk);
    EXPECT_EQ(ReadFile(dst / "a.mp3"), PatternBytes(3000000));
    EXPECT_FALSE(fs::exists(src / "a.mp3"));
    return;
#endif
    EXPECT_EQ(RunTransfer(TransferMode::Move, src, dst, {"a.mp3"}, sink), -1);
    EXPECT_EQ(sink.steps.back(), (Step{1, 1, 101, 0, 0}));
    EXPECT_FALSE(fs::exists(dst / "a.mp3"));
    EXPECT_EQ(fs::file_size(src / "a.mp3"), 1500000u) << "the move kept its source";
}

// Without the refusal the copy would truncate its own source, and a move
// would then delete the only copy.
TEST_F(WorkerFailure, TheSameFileByAnotherPathIsRefused) {
    WriteFile(src / "a.mp3", PatternBytes(70000));
    MakeRecording(src, RecordingLayout{});
    if (MakeFolderLink(src, tmp / "link")) {
        // The folder itself by another path is refused before any entry.
        ExpectMoveFails(tmp / "link", "a.mp3", {1, 0, 102, 0, 0});
        ExpectMoveFails(tmp / "link", kNews, {1, 0, 102, 0, 0});
    }
    fs::create_hard_link(src / "NEWS_#002_200612241930.AVR", dst / "NEWS_#002_200612241930.AVR");
    ExpectMoveFails(dst, kNews, {0, 0, 102, 0, 0});
    EXPECT_EQ(std::distance(fs::directory_iterator(dst), fs::directory_iterator()), 1);
}

TEST_F(WorkerFailure, DestinationsOutsideTheSchemeFailBeforeAnythingIsWritten) {
    MakeRecording(src, RecordingLayout{});
    // The folder part of a path, closing separator included, may have 60
    // characters; 61 is outside the recorder's scheme. A drive letter ("C:")
    // is no part of them.
    const std::u16string tmpText = U16(tmp.path());
    const size_t drive = tmpText.size() >= 2 && tmpText[1] == u':' ? 2 : 0;
    const size_t base = tmpText.size() - drive + 2;
    if (base >= 60)
        GTEST_SKIP() << "the temporary folder's path is too long for this test";
    const fs::path fits = tmp / std::string(60 - base, 'd'),
                   tooLong = tmp / std::string(61 - base, 'd');
    fs::create_directory(fits);
    fs::create_directory(tooLong);
    EXPECT_EQ(RunTransfer(TransferMode::Copy, src, fits, {kNews}, sink), 0);
    ExpectMoveFails(tooLong, kNews, {0, 0, 102, 0, 0});
    EXPECT_TRUE(fs::is_empty(tooLong));

    // A short path to a folder deep below its drive: the recorder's text
    // would not fit the location field.
    DrivesAt drives(tmp.path());
    fs::create_directory(tmp / std::string(100, 'x'));
    if (MakeFolderLink(tmp / std::string(100, 'x'), tmp / "l")) {
        ExpectMoveFails(tmp / "l", kNews, {0, 0, 102, 0, 0});
        EXPECT_TRUE(fs::is_empty(tmp / "l"));
    }
    // Deep below its drive by its own path, too.
    ExpectMoveFails(tmp / std::string(100, 'x'), kNews, {0, 0, 102, 0, 0});
    EXPECT_TRUE(fs::is_empty(tmp / std::string(100, 'x')));
}

// A real full disk: a 1 MiB tmpfs as the destination, when running as root.
TEST_F(WorkerFailure, AFullDiskFailsTheEntryAndRemovesThePartialFile) {
    const fs::path full = tmp / "full";
    fs::create_directory(full);
#ifdef _WIN32
    GTEST_SKIP() << "no small volume to fill on Windows";
#else
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
#endif
}

} // namespace
} // namespace dz::test
