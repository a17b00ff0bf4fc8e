// Failures: the code reported, what stays at the destination, and that a
// move never loses its source.
#include "transfer/worker_support.h"

#include <algorithm>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

const std::string kNews = "NEWS_#001_200612241930.AVR";

class WorkerFailure : public ::testing::Test {
protected:
    TempDir tmp;
    fs::path src = tmp / "src";
    fs::path dst = tmp / "dst";
    KeepingSink sink;
    void SetUp() override {
        fs::create_directory(src);
        fs::create_directory(dst);
    }
    int Run(TransferMode mode, const std::vector<std::string>& names) {
        return RunTransfer(mode, U16(src), U16(dst), names, sink);
    }
    std::vector<std::pair<std::string, std::vector<uint8_t>>> Snapshot(const fs::path& folder) {
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
        for (const auto& e : fs::directory_iterator(folder))
            files.emplace_back(e.path().filename().string(), ReadWhole(e.path()));
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(WorkerFailure, CompanionProblemsStopBeforeAnythingIsWritten) {
    struct Row {
        const char* what;
        size_t companionSize;
        bool companionPresent;
        Step report;
    } rows[] = {
        {"no companion", 9000, false, {0, 0, 101, 0, 0}},
        {"8,007 bytes are too short", 8007, true, {0, 0, 103, 0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        fs::remove_all(src);
        fs::create_directory(src);
        sink.steps.clear();
        RecordingSpec spec;
        spec.companionSize = r.companionSize;
        MakeRecording(src, spec);
        if (!r.companionPresent)
            fs::remove(src / CompanionName(spec));
        EXPECT_EQ(Run(TRANSFER_MOVE, {kNews}), -1);
        EXPECT_EQ(sink.steps, std::vector<Step>{r.report});
        EXPECT_TRUE(FolderIsEmpty(dst));
        EXPECT_TRUE(fs::exists(src / kNews));
    }
    // One byte more and the head is complete.
    fs::remove_all(src);
    fs::create_directory(src);
    RecordingSpec spec;
    spec.companionSize = 8008;
    MakeRecording(src, spec);
    EXPECT_EQ(Run(TRANSFER_COPY, {kNews}), 0);
}

TEST_F(WorkerFailure, AMissingPartEndsTheJobWithEarlierFilesKept) {
    MakeRecording(src, RecordingSpec{});
    fs::remove(src / "NEWS_#002_200612241930.AVR");
    const auto before = Snapshot(src);
    EXPECT_EQ(Run(TRANSFER_MOVE, {kNews, "z.mp3"}), -1);
    EXPECT_EQ(sink.steps.back(), (Step{2, 1, 101, 0, 0}));
    EXPECT_TRUE(fs::exists(dst / "NEWS_#001_200612241930.AVF"));
    EXPECT_TRUE(fs::exists(dst / kNews));
    EXPECT_FALSE(fs::exists(dst / "NEWS_#003_200612241930.AVR"));
    EXPECT_EQ(Snapshot(src), before) << "a move keeps the source of a failed entry";
}

// The source shrinks between the length being taken and the end of the copy:
// the bytes copied fall short of the length even after the extra block.
TEST_F(WorkerFailure, ASourceThatShrinksFailsAndLeavesNoPartialCopy) {
    struct Row {
        const char* what;
        std::string entry, shrinking, partial;
    } rows[] = {
        {"plain file", "a.mp3", "a.mp3", "a.mp3"},
        {"part of a recording", kNews, kNews, kNews},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        fs::remove_all(src);
        fs::remove_all(dst);
        SetUp();
        sink.steps.clear();
        WriteFile(src / "a.mp3", PatternBytes(200000));
        RecordingSpec spec;
        spec.partSizes = {200000, 1000};
        MakeRecording(src, spec);
        const fs::path shrinking = src / r.shrinking;
        sink.onReport = [&](const ProgressReport& report) {
            if (report.code == PROGRESS_STEP && report.position > 0 &&
                fs::file_size(shrinking) == 200000)
                fs::resize_file(shrinking, 100000);
        };
        EXPECT_EQ(Run(TRANSFER_MOVE, {r.entry}), -1);
        EXPECT_EQ(sink.steps.back(), (Step{1, 1, 101, 0, 0}));
        EXPECT_FALSE(fs::exists(dst / r.partial)) << "the partial copy is removed";
        EXPECT_EQ(fs::file_size(shrinking), 100000u) << "the move kept its source";
    }
}

// The same folder reached through a link: without the refusal the copy would
// truncate its own source, and a move would then delete it.
TEST_F(WorkerFailure, TheSameFileByAnotherPathIsRefused) {
    fs::remove(dst);
    fs::create_directory_symlink(src, dst);
    WriteFile(src / "a.mp3", PatternBytes(70000));
    MakeRecording(src, RecordingSpec{});
    fs::create_directory(tmp / "other");
    fs::create_hard_link(src / "NEWS_#002_200612241930.AVR",
                         tmp / "other" / "NEWS_#002_200612241930.AVR");
    const auto before = Snapshot(src);
    struct Row {
        const char* what;
        fs::path destination;
        std::string entry;
        Step report;
    } rows[] = {
        {"plain file, linked folder", dst, "a.mp3", {1, 1, 102, 0, 0}},
        {"recording, linked folder", dst, kNews, {0, 0, 102, 0, 0}},
        {"recording whose part 2 is hard-linked there", tmp / "other", kNews, {0, 0, 102, 0, 0}},
    };
    for (TransferMode mode : {TRANSFER_COPY, TRANSFER_MOVE}) {
        for (const Row& r : rows) {
            SCOPED_TRACE(r.what);
            sink.steps.clear();
            EXPECT_EQ(RunTransfer(mode, U16(src), U16(r.destination), {r.entry}, sink), -1);
            EXPECT_EQ(sink.steps, std::vector<Step>{r.report});
            EXPECT_EQ(Snapshot(src), before);
        }
    }
    EXPECT_EQ(Snapshot(tmp / "other").size(), 1u) << "nothing was written beside the link";
}

TEST_F(WorkerFailure, DestinationsOutsideTheSchemeFailBeforeAnythingIsWritten) {
    MakeRecording(src, RecordingSpec{});
    // The folder part of a path (with its closing separator) may have 60
    // characters; 61 is outside the recorder's scheme.
    const size_t base = U16(tmp.path()).size() + 2; // "/" before and after the new folder
    if (base + 1 > 60)
        GTEST_SKIP() << "the temporary folder's path is too long for this test";
    const fs::path fits = tmp / std::string(60 - base, 'd');
    const fs::path tooLong = tmp / std::string(61 - base, 'd');
    fs::create_directory(fits);
    fs::create_directory(tooLong);
    EXPECT_EQ(RunTransfer(TRANSFER_COPY, U16(src), U16(fits), {kNews}, sink), 0);
    sink.steps.clear();
    EXPECT_EQ(RunTransfer(TRANSFER_COPY, U16(src), U16(tooLong), {kNews}, sink), -1);
    EXPECT_EQ(sink.steps, (std::vector<Step>{{0, 0, 102, 0, 0}}));
    EXPECT_TRUE(FolderIsEmpty(tooLong));

    // A short path whose real place is deep below its drive: the recorder's
    // text would not fit the location field.
    DrivesAt drives(tmp.path());
    const fs::path deep = tmp / std::string(100, 'x');
    fs::create_directory(deep);
    fs::create_directory_symlink(deep, tmp / "l");
    sink.steps.clear();
    EXPECT_EQ(RunTransfer(TRANSFER_COPY, U16(src), U16(tmp / "l"), {kNews}, sink), -1);
    EXPECT_EQ(sink.steps, (std::vector<Step>{{0, 0, 102, 0, 0}}));
    EXPECT_TRUE(FolderIsEmpty(deep));

    sink.steps.clear();
    EXPECT_EQ(RunTransfer(TRANSFER_COPY, U16(src), U16(tmp / "missing"), {kNews}, sink), -1);
    EXPECT_EQ(sink.steps, (std::vector<Step>{{1, 1, 1, 100, 0}, {1, 1, 102, 0, 0}}));
}

// A real full disk: a 1 MiB tmpfs as the destination (needs root).
class Tmpfs {
public:
    explicit Tmpfs(const fs::path& where) : m_where(where) {
        fs::create_directory(where);
        m_mounted =
            geteuid() == 0 && mount("tmpfs", where.c_str(), "tmpfs", 0, "size=1m,mode=0755") == 0;
    }
    ~Tmpfs() {
        if (m_mounted)
            umount2(m_where.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }

private:
    fs::path m_where;
    bool m_mounted = false;
};

TEST_F(WorkerFailure, AFullDiskFailsTheEntryAndKeepsTheMovedSource) {
    const fs::path full = tmp / "full";
    Tmpfs disk(full);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    WriteFile(src / "big.mp3", PatternBytes(1500000));
    RecordingSpec spec;
    spec.partSizes = {300000, 1200000};
    MakeRecording(src, spec);
    const auto before = Snapshot(src);

    EXPECT_EQ(RunTransfer(TRANSFER_MOVE, U16(src), U16(full), {"big.mp3"}, sink), -1);
    EXPECT_EQ(sink.steps.back(), (Step{1, 1, 102, 0, 0}));
    EXPECT_FALSE(fs::exists(full / "big.mp3")) << "the partial copy is removed";

    sink.steps.clear();
    EXPECT_EQ(RunTransfer(TRANSFER_MOVE, U16(src), U16(full), {kNews}, sink), -1);
    EXPECT_EQ(sink.steps.back(), (Step{1, 1, 102, 0, 0}));
    EXPECT_FALSE(fs::exists(full / "NEWS_#002_200612241930.AVR"));
    EXPECT_EQ(ReadFile(full / kNews).size(), 300000u) << "the complete part 1 stays";
    EXPECT_EQ(Snapshot(src), before);
}

} // namespace
} // namespace dz::test
