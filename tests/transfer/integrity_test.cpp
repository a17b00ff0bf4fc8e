// The promise after any fault: every recording is whole in its source, or
// whole at its destination after a finished move; nothing that was not named
// is touched; a failure is never a success.
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/entry_deletion.h"
#include "transfer/worker_support.h"

#include <algorithm>
#include <csignal>
#include <set>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

const std::string kNews = "NEWS_#001_200612241930.AVR";

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

class Integrity : public WorkerFolders {
protected:
    TransferOutcome outcome;
    int Run(TransferMode mode, const fs::path& to, const std::vector<std::string>& names,
            const fs::path* from = nullptr, const std::vector<std::string>& replace = {}) {
        const std::u16string source = U16(from ? *from : src), destination = U16(to);
        for (const std::string& n : names)
            list.Add(std::u16string(n.begin(), n.end()));
        CancelToken cancel;
        TransferJob job{&sink, destination, source, list, &outcome, &cancel, {}};
        for (const std::string& n : replace)
            job.replace.emplace_back(n.begin(), n.end());
        sink.token = &cancel;
        const int result = mode == TransferMode::Copy ? CopyThreadProc(&job) : MoveThreadProc(&job);
        sink.token = nullptr;
        text = ToUtf8(TransferOutcomeText(outcome, list, mode == TransferMode::Move));
        list = CSortStringArray();
        return result;
    }
    CSortStringArray list;
    std::string text;
};

// A link in the destination named like a part is no piece of this
// recording: the copy is refused and the link, and what it points at, stay.
// A link under a plain file's name that the user agreed to replace is
// replaced itself, never written through.
TEST_F(Integrity, ALinkInTheDestinationIsNeverWrittenThrough) {
    MakeRecording(src, RecordingLayout{});
    WriteFile(tmp / "outside", "untouched");
    fs::create_symlink(tmp / "outside", dst / "NEWS_#002_200612241930.AVR");
    fs::create_symlink(tmp / "outside", dst / "a.mp3");
    WriteFile(src / "a.mp3", PatternBytes(1000));
    EXPECT_EQ(Run(TransferMode::Copy, dst, {"a.mp3", kNews}, nullptr, {"a.mp3"}), -1);
    EXPECT_EQ(outcome.failure, TransferFailure::DestinationExists) << text;
    const std::vector<uint8_t> outside = ReadFile(tmp / "outside");
    EXPECT_EQ(std::string(outside.begin(), outside.end()), "untouched");
    EXPECT_TRUE(fs::is_symlink(dst / "NEWS_#002_200612241930.AVR"));
    EXPECT_FALSE(fs::exists(dst / "NEWS_#001_200612241930.AVR"));
    EXPECT_FALSE(fs::is_symlink(dst / "a.mp3"));
    EXPECT_EQ(ReadFile(dst / "a.mp3"), ReadFile(src / "a.mp3"));
}

// Temporaries are never left behind by a job: not after a success, a
// failure or a cancel; those of a job that was killed go with the next job.
TEST_F(Integrity, NoTemporaryOutlivesItsJob) {
    MakeRecording(src, RecordingLayout{});
    WriteFile(dst / ".dezadide-999999999-1.tmp", "left by a killed job");
    const std::string live = ".dezadide-" + std::to_string(getpid()) + "-999.tmp";
    WriteFile(dst / live, "a running job's");
    ASSERT_EQ(Run(TransferMode::Copy, dst, {kNews}), 0);
    EXPECT_EQ(Names(dst), (std::set<std::string>{CompanionName({}), PartName({}, 1),
                                                 PartName({}, 2), PartName({}, 3), live}));
    fs::remove(dst / live);

    fs::remove(src / PartName({}, 3)); // fails at the last part
    fs::remove_all(dst);
    fs::create_directory(dst);
    EXPECT_EQ(Run(TransferMode::Move, dst, {kNews}), -1);
    EXPECT_TRUE(fs::is_empty(dst));
    EXPECT_EQ(text, "Could not read the source of " + kNews);

    MakeRecording(src, RecordingLayout{});
    sink.onReport = [this](const ProgressReport& r) {
        if (r.code == ProgressCode::Step)
            sink.CancelJob();
    };
    EXPECT_EQ(Run(TransferMode::Move, dst, {kNews}), 1);
    EXPECT_TRUE(fs::is_empty(dst));
    EXPECT_EQ(Names(src).size(), 4u) << "a cancelled move keeps its source";
    EXPECT_EQ(text, "Cancelled: 0 of 1 moved");
}

// A cancel that comes once the last entry is in place changes nothing: the
// job is complete and says so.
TEST_F(Integrity, ACancelAfterTheLastEntryIsADoneJob) {
    WriteFile(src / "a.mp3", "a");
    WriteFile(src / "b.mp3", "b");
    sink.onReport = [this](const ProgressReport& r) {
        if (r.code == ProgressCode::FileDone && r.number == r.total)
            sink.CancelJob();
    };
    EXPECT_EQ(Run(TransferMode::Move, dst, {"a.mp3", "b.mp3"}), 0);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.done, 2);
    EXPECT_EQ(Names(dst), (std::set<std::string>{"a.mp3", "b.mp3"}));

    // Between entries it stops the job, and says how far it got.
    WriteFile(src / "c.mp3", "c");
    WriteFile(src / "d.mp3", "d");
    sink.onReport = [this](const ProgressReport& r) {
        if (r.code == ProgressCode::FileDone && r.number == 1)
            sink.CancelJob();
    };
    EXPECT_EQ(Run(TransferMode::Move, dst, {"c.mp3", "d.mp3"}), 1);
    EXPECT_EQ(text, "Cancelled: 1 of 2 moved");
    EXPECT_TRUE(fs::exists(src / "d.mp3"));
}

// A move whose source cannot be removed is a failure, not a success with the
// recording in both places.
TEST_F(Integrity, AMoveWhoseSourceStaysFails) {
    if (geteuid() != 0 || mount("tmpfs", src.c_str(), "tmpfs", 0, "size=4m") != 0)
        GTEST_SKIP() << "a read-only source folder needs a mount (root)";
    MakeRecording(src, RecordingLayout{});
    WriteFile(src / "a.mp3", "a");
    ASSERT_EQ(mount("tmpfs", src.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=4m"), 0);
    EXPECT_EQ(Run(TransferMode::Move, dst, {"a.mp3", kNews}), -1);
    EXPECT_EQ(sink.steps.back(), (Step{2, 1, 104, 0, 0}));
    EXPECT_EQ(text, "Could not remove the source of a.mp3; its copy at the destination is "
                    "complete");
    EXPECT_EQ(ReadFile(dst / "a.mp3"), ReadFile(src / "a.mp3"));
    umount2(src.c_str(), MNT_DETACH);
}

// A file larger than the destination's file system allows (FAT's 4 GiB),
// played here by the process's file-size limit: the same EFBIG.
TEST_F(Integrity, AFileTooLargeForTheDestinationFailsCleanly) {
    WriteFile(src / "big.mp3", PatternBytes(300000));
    struct rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = before;
    limit.rlim_cur = 200000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const int result = Run(TransferMode::Move, dst, {"big.mp3"});
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(text, "Could not write the destination of big.mp3: a file is larger than its file "
                    "system allows");
    EXPECT_TRUE(fs::is_empty(dst));
    EXPECT_EQ(fs::file_size(src / "big.mp3"), 300000u);
}

// NEWS and news on a disk that tells case apart: when NEWS lacks a part,
// nothing of news stands in for it.
TEST_F(Integrity, ARecordingNeverTakesAnotherRecordingsPartInOtherCase) {
    MakeRecording(src, RecordingLayout{});
    RecordingLayout lower;
    lower.name = "news";
    MakeRecording(src, lower);
    fs::remove(src / PartName({}, 2));
    EXPECT_EQ(Run(TransferMode::Copy, dst, {kNews}), -1);
    EXPECT_TRUE(fs::is_empty(dst));
    EXPECT_EQ(Run(TransferMode::Move, dst, {kNews}), -1);
    EXPECT_TRUE(fs::exists(src / PartName(lower, 2)));

    EXPECT_EQ(DeleteEntryFiles(U16(src), u"NEWS_#001_200612241930.AVR"), DeleteFailure::None);
    EXPECT_EQ(Names(src), (std::set<std::string>{CompanionName(lower), PartName(lower, 1),
                                                 PartName(lower, 2), PartName(lower, 3)}));
}

// A later part's name leads to files that were not named: refused, nothing touched.
TEST_F(Integrity, ALaterPartsNameIsRefused) {
    MakeRecording(src, RecordingLayout{});
    const std::string part2 = PartName({}, 2);
    EXPECT_EQ(Run(TransferMode::Move, dst, {part2}), -1);
    EXPECT_EQ(text, "Not an entry of the list (a later part of a recording): " + part2);
    EXPECT_EQ(DeleteEntryFiles(U16(src), U16(part2)), DeleteFailure::NotAnEntry);
    EXPECT_EQ(Names(src).size(), 4u);
    EXPECT_TRUE(fs::is_empty(dst));
}

// A companion that is there but cannot be read hides the part count: delete
// nothing rather than leave parts 2..P behind, unseen.
TEST_F(Integrity, AnUnreadableCompanionDeletesNothing) {
    RecordingLayout layout;
    MakeRecording(src, layout);
    fs::remove(src / CompanionName(layout));
    ASSERT_EQ(mkfifo((src / CompanionName(layout)).c_str(), 0600), 0);
    CSortStringArray names;
    names.Add(U16(kNews));
    const DeleteOutcome result = DeleteEntries(U16(src), names);
    EXPECT_EQ(result.failure, DeleteFailure::CompanionUnreadable);
    EXPECT_EQ(ToUtf8(DeleteOutcomeText(result)),
              "The companion file of " + kNews + " cannot be read; nothing of it was deleted");
    EXPECT_EQ(Names(src).size(), 4u);
}

// A deletion cut short after the last part leaves part 1 and the companion,
// so the entry stays listed and deleting it again finishes the job.
TEST_F(Integrity, AnInterruptedDeletionCanBeFinished) {
    MakeRecording(src, RecordingLayout{});
    int removed = 0;
    std::vector<std::u16string> order;
    DeleteEntryFiles(U16(src), U16(kNews), [&](const std::u16string& p) {
        order.push_back(p.substr(p.rfind(u'/') + 1));
        ++removed;
    });
    EXPECT_EQ(order, (std::vector<std::u16string>{
                         u"NEWS_#003_200612241930.AVR", u"NEWS_#002_200612241930.AVR",
                         u"NEWS_#001_200612241930.AVR", u"NEWS_#001_200612241930.AVF"}));
    // As if killed after the first removal.
    MakeRecording(src, RecordingLayout{});
    fs::remove(src / PartName({}, 3));
    EXPECT_EQ(DeleteEntryFiles(U16(src), U16(kNews)), DeleteFailure::None);
    EXPECT_TRUE(fs::is_empty(src));
}

// A move killed while it removed its source: moving what is left again
// finishes the move; a different recording of the same name is never
// taken for the copy.
TEST_F(Integrity, AMoveCutShortInItsSourceDeletionIsFinishedByAnother) {
    MakeRecording(src, RecordingLayout{});
    ASSERT_EQ(Run(TransferMode::Copy, dst, {kNews}), 0);
    fs::remove(src / PartName({}, 3)); // as the killed move left it
    ASSERT_EQ(Run(TransferMode::Move, dst, {kNews}), 0) << text;
    EXPECT_TRUE(fs::is_empty(src));
    EXPECT_EQ(Names(dst).size(), 4u);

    RecordingLayout other; // same name, other sizes
    other.parts = {100134, 70001, 300};
    MakeRecording(src, other);
    fs::remove(src / PartName(other, 3));
    EXPECT_EQ(Run(TransferMode::Move, dst, {kNews}), -1);
    EXPECT_EQ(Names(src).size(), 3u) << "nothing of it was removed";
}

// Folders are counted below their drive root: a recording a few folders
// below a long mount point is copied, moved and deleted whole.
TEST_F(Integrity, TheFolderRuleCountsFromTheDriveRoot) {
    const fs::path root = tmp / std::string(70, 'm'); // a long mount point
    const fs::path deep = root / "REC" / "2006";
    fs::create_directories(deep);
    DrivesAt drives(root);
    MakeRecording(deep, RecordingLayout{});
    ASSERT_GT(U16(deep).size(), 61u);
    ASSERT_EQ(Run(TransferMode::Move, dst, {kNews}, &deep), 0) << text;
    EXPECT_TRUE(fs::is_empty(deep));
    EXPECT_EQ(Names(dst).size(), 4u);
    ASSERT_EQ(Run(TransferMode::Move, deep, {kNews}, &dst), 0) << text;
    EXPECT_EQ(Names(deep).size(), 4u);
    EXPECT_EQ(DeleteEntryFiles(U16(deep), U16(kNews)), DeleteFailure::None);
    EXPECT_TRUE(fs::is_empty(deep)) << "every part goes, not part 1 alone";
}

} // namespace
} // namespace dz::test
