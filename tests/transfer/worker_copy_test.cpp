// Complete copy and move jobs: what arrives at the destination, byte for
// byte, and the exact reports on the way.
#include "transfer/worker_support.h"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

class WorkerCopy : public ::testing::Test {
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
};

struct PlainCase {
    const char* what;
    size_t size;
    std::vector<Step> steps;
};

TEST_F(WorkerCopy, PlainFilesReportOncePerStartedBlock) {
    const PlainCase cases[] = {
        {"empty file: start with range 0, no block", 0, {{1, 1, 1, 0, 0}, {1, 1, 3, 0, 0}}},
        {"one full block",
         65536,
         {{1, 1, 1, 65536, 0}, {1, 1, 2, 65536, 65536}, {1, 1, 3, 65536, 65536}}},
        {"one byte into a second block",
         65537,
         {{1, 1, 1, 65537, 0},
          {1, 1, 2, 65537, 65536},
          {1, 1, 2, 65537, 65537},
          {1, 1, 3, 65537, 65537}}},
    };
    for (const PlainCase& c : cases) {
        SCOPED_TRACE(c.what);
        sink.steps.clear();
        WriteFile(src / "song.mp3", PatternBytes(c.size));
        ASSERT_EQ(Run(TRANSFER_COPY, {"song.mp3"}), 0);
        std::vector<Step> expected = c.steps;
        expected.push_back({1, 2, 4, 0, 0});
        EXPECT_EQ(sink.steps, expected);
        EXPECT_EQ(ReadFile(dst / "song.mp3"), PatternBytes(c.size));
        EXPECT_TRUE(fs::exists(src / "song.mp3"));
    }
}

TEST_F(WorkerCopy, UnknownTypesArePassedOverWithoutReports) {
    WriteFile(src / "a.txt", "text");
    WriteFile(src / "b.MEM", PatternBytes(10));
    WriteFile(src / "c.AVF", PatternBytes(9000));
    ASSERT_EQ(Run(TRANSFER_COPY, {"a.txt", "b.MEM", "c.AVF"}), 0);
    EXPECT_EQ(sink.steps,
              (std::vector<Step>{
                  {3, 2, 1, 10, 0}, {3, 2, 2, 10, 10}, {3, 2, 3, 10, 10}, {3, 4, 4, 0, 0}}));
    EXPECT_FALSE(fs::exists(dst / "a.txt"));
    EXPECT_FALSE(fs::exists(dst / "c.AVF"));
}

TEST_F(WorkerCopy, OverwritesAnExistingDestinationWhole) {
    WriteFile(src / "x.mp3", PatternBytes(1000, 1));
    WriteFile(dst / "x.mp3", PatternBytes(200000, 2));
    ASSERT_EQ(Run(TRANSFER_COPY, {"x.mp3"}), 0);
    EXPECT_EQ(ReadFile(dst / "x.mp3"), PatternBytes(1000, 1));
}

// Every file of the set arrives; the only bytes that change are the location
// fields, which name the destination companion as the recorder sees it.
struct RecordingCase {
    const char* what;
    RecordingSpec spec;
    std::string entry;
    std::string location;
    std::vector<std::string> copiedParts, copiedCompanion;
};

class WorkerRecording : public WorkerCopy, public ::testing::WithParamInterface<RecordingCase> {};

TEST_P(WorkerRecording, CopiesEveryPartAndPatchesOnlyTheLocation) {
    const RecordingCase& c = GetParam();
    DrivesAt drives(tmp.path());
    MakeRecording(src, c.spec);
    ASSERT_EQ(Run(TRANSFER_COPY, {c.entry}), 0);

    const auto companion = ReadFile(src / CompanionName(c.spec));
    EXPECT_EQ(ReadFile(dst / c.copiedCompanion[0]),
              Patched(companion, kCompanionHeadSize, kCompanionLocationOffset, c.location));
    for (size_t p = 0; p < c.copiedParts.size(); ++p) {
        SCOPED_TRACE(c.copiedParts[p]);
        const auto part = ReadFile(src / PartName(c.spec, static_cast<int>(p) + 1));
        EXPECT_EQ(ReadFile(dst / c.copiedParts[p]),
                  Patched(part, kPartHeaderSize, kPartLocationOffset, c.location));
    }
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dst))
        ++files;
    EXPECT_EQ(files, c.copiedParts.size() + 1) << "no other file is made";
    EXPECT_EQ(ReadFile(src / CompanionName(c.spec)), companion) << "the source stays as it was";
}

RecordingSpec WithSuffix() {
    RecordingSpec r;
    r.suffix = "_003";
    return r;
}
RecordingSpec LowerCase() {
    RecordingSpec r;
    r.partExt = ".avr";
    r.companionExt = ".avf";
    return r;
}
RecordingSpec NoParts() {
    RecordingSpec r;
    r.partCount = 0;
    r.partSizes = {500}; // a part beyond the count is not part of the set
    return r;
}
RecordingSpec ShortLastPart() {
    RecordingSpec r;
    r.partSizes = {1000, 100}; // part 2 ends inside its header
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Sets, WorkerRecording,
    ::testing::Values(
        RecordingCase{"three parts",
                      RecordingSpec{},
                      "NEWS_#001_200612241930.AVR",
                      "C:\\dst\\NEWS_#001_200612241930.AVF",
                      {"NEWS_#001_200612241930.AVR", "NEWS_#002_200612241930.AVR",
                       "NEWS_#003_200612241930.AVR"},
                      {"NEWS_#001_200612241930.AVF"}},
        RecordingCase{"suffix number",
                      WithSuffix(),
                      "NEWS_#001_200612241930_003.AVR",
                      "C:\\dst\\NEWS_#001_200612241930_003.AVF",
                      {"NEWS_#001_200612241930_003.AVR", "NEWS_#002_200612241930_003.AVR",
                       "NEWS_#003_200612241930_003.AVR"},
                      {"NEWS_#001_200612241930_003.AVF"}},
        RecordingCase{"lower-case extensions are found; copies get the recorder's names",
                      LowerCase(),
                      "NEWS_#001_200612241930.avr",
                      "C:\\dst\\NEWS_#001_200612241930.AVF",
                      {"NEWS_#001_200612241930.AVR", "NEWS_#002_200612241930.AVR",
                       "NEWS_#003_200612241930.AVR"},
                      {"NEWS_#001_200612241930.AVF"}},
        RecordingCase{"part count 0 copies the companion alone",
                      NoParts(),
                      "NEWS_#001_200612241930.AVR",
                      "C:\\dst\\NEWS_#001_200612241930.AVF",
                      {},
                      {"NEWS_#001_200612241930.AVF"}},
        RecordingCase{"a part shorter than its header is left as copied",
                      ShortLastPart(),
                      "NEWS_#001_200612241930.AVR",
                      "C:\\dst\\NEWS_#001_200612241930.AVF",
                      {"NEWS_#001_200612241930.AVR", "NEWS_#002_200612241930.AVR"},
                      {"NEWS_#001_200612241930.AVF"}}));

TEST_F(WorkerCopy, RecordingReportsPercentOfTheTotalSize) {
    MakeRecording(src, RecordingSpec{}); // parts of 100134, 70000, 300 bytes: 170434
    ASSERT_EQ(Run(TRANSFER_COPY, {"NEWS_#001_200612241930.AVR"}), 0);
    EXPECT_EQ(sink.steps, (std::vector<Step>{{1, 1, 1, 100, 0},
                                             {1, 1, 2, 100, 38},
                                             {1, 1, 2, 100, 58},
                                             {1, 1, 2, 100, 97},
                                             {1, 1, 2, 100, 99},
                                             {1, 1, 2, 100, 100},
                                             {1, 1, 3, 100, 100},
                                             {1, 2, 4, 0, 0}}));

    sink.steps.clear();
    RecordingSpec zeroTotal;
    zeroTotal.base = "ZERO_#001_200612241930";
    zeroTotal.totalSize = 0;
    MakeRecording(src, zeroTotal);
    ASSERT_EQ(Run(TRANSFER_COPY, {"ZERO_#001_200612241930.AVR"}), 0);
    for (const Step& s : sink.steps)
        EXPECT_TRUE(s.code != PROGRESS_STEP || s.position == 0)
            << "an unknown total keeps the bar empty";
    EXPECT_EQ(sink.steps.back().code, PROGRESS_JOB_DONE);
}

TEST_F(WorkerCopy, CopiesKeepTheSourcePermissions) {
    DrivesAt drives(tmp.path());
    MakeRecording(src, RecordingSpec{});
    fs::permissions(src / "NEWS_#002_200612241930.AVR",
                    fs::perms::owner_read | fs::perms::group_read);
    ASSERT_EQ(Run(TRANSFER_COPY, {"NEWS_#001_200612241930.AVR"}), 0);
    EXPECT_EQ(fs::status(dst / "NEWS_#002_200612241930.AVR").permissions(),
              fs::perms::owner_read | fs::perms::group_read);
    // Read-only or not, the copy was patched before its permissions were set.
    EXPECT_EQ(ReadFile(dst / "NEWS_#002_200612241930.AVR"),
              Patched(ReadFile(src / "NEWS_#002_200612241930.AVR"), kPartHeaderSize,
                      kPartLocationOffset, "C:\\dst\\NEWS_#001_200612241930.AVF"));
}

TEST_F(WorkerCopy, MoveRemovesEachSourceOnceCopied) {
    MakeRecording(src, RecordingSpec{});
    fs::permissions(src / "NEWS_#003_200612241930.AVR", fs::perms::owner_read);
    WriteFile(src / "a.mp3", PatternBytes(70000));
    ASSERT_EQ(Run(TRANSFER_MOVE, {"NEWS_#001_200612241930.AVR", "a.mp3"}), 0);
    EXPECT_TRUE(FolderIsEmpty(src)) << "a read-only part is moved too";
    EXPECT_EQ(ReadFile(dst / "a.mp3"), PatternBytes(70000));
    EXPECT_TRUE(fs::exists(dst / "NEWS_#003_200612241930.AVR"));
    EXPECT_EQ(sink.steps.back(), (Step{2, 3, 4, 0, 0}));
}

TEST(WorkerBars, LargeLengthsScaleIntoThirtyTwoBits) {
    struct Row {
        const char* what;
        uint64_t length, copied;
        int32_t range, position;
    } rows[] = {
        {"nothing", 0, 0, 0, 0},
        {"fits as it is", 65537, 65536, 65537, 65536},
        {"largest unscaled", 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
        {"2 GiB halves", 0x80000000, 0x40000000, 0x40000000, 0x20000000},
        {"5 GiB quarters", 5ull << 30, 4ull << 30, 5 << 28, 1 << 30},
        {"a grown file stays in range", 5ull << 30, 1ull << 40, 5 << 28, 0x7FFFFFFF},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const BarValues bar = ScaleBar(r.length, r.copied);
        EXPECT_EQ(bar.range, r.range);
        EXPECT_EQ(bar.position, r.position);
    }
}

TEST(WorkerBars, RecordingPercentStaysWithinZeroToHundred) {
    struct Row {
        uint64_t copied, total;
        int32_t percent;
    } rows[] = {
        {0, 0, 0},
        {5, 0, 0}, // unknown total
        {0, 100, 0},
        {50, 100, 50},
        {99, 100, 99},
        {100, 100, 100},
        {150, 100, 100}, // total smaller than what was copied
        {1, 3000000000, 0},
        {2999999999, 3000000000, 99},
        {6ull << 30, 8ull << 30, 75},
    };
    for (const Row& r : rows)
        EXPECT_EQ(RecordingPercent(r.copied, r.total), r.percent) << r.copied << "/" << r.total;
}

TEST(WorkerLocation, TextIsTheFolderBelowItsDriveOnDriveC) {
    TempDir tmp;
    DrivesAt drives(tmp.path());
    fs::create_directories(tmp / "REC");
    fs::create_directories(tmp / "a" / "b");
    fs::create_directory_symlink(tmp / "REC", tmp / "link");
    const std::string folder64(64, 'f'), folder65(65, 'g');
    fs::create_directory(tmp / folder64);
    fs::create_directory(tmp / folder65);

    RecordingNameParts news;
    news.recordingName = u"NEWS";
    news.dateStamp = u"200612241930";
    RecordingNameParts long32 = news;
    long32.recordingName = std::u16string(32, u'L');
    RecordingNameParts suffixed = news;
    suffixed.suffixNumber = 3;

    struct Row {
        const char* what;
        fs::path folder;
        RecordingNameParts parts;
        std::string text; // "" = does not fit
    } rows[] = {
        {"the drive itself", tmp.path(), news, "C:\\NEWS_#001_200612241930.AVF"},
        {"one folder down", tmp / "REC", news, "C:\\REC\\NEWS_#001_200612241930.AVF"},
        {"two folders down", tmp / "a" / "b", news, "C:\\a\\b\\NEWS_#001_200612241930.AVF"},
        {"reached through a link", tmp / "link", news, "C:\\REC\\NEWS_#001_200612241930.AVF"},
        {"suffix number", tmp / "REC", suffixed, "C:\\REC\\NEWS_#001_200612241930_003.AVF"},
        {"122 characters fill the field", tmp / folder64, long32,
         "C:\\" + folder64 + "\\" + std::string(32, 'L') + "_#001_200612241930.AVF"},
        {"123 leave no room for the zero byte", tmp / folder65, long32, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const std::optional<std::u16string> text = MakeLocationText(U16(r.folder), r.parts);
        if (r.text.empty()) {
            EXPECT_FALSE(text.has_value());
            continue;
        }
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, U16(r.text));
    }
}

} // namespace
} // namespace dz::test
