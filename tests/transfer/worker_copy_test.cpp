// Complete jobs: what arrives at the destination, byte for byte, and the
// exact reports on the way.
#include "recording/location_text.h"
#include "transfer/worker_support.h"

namespace fs = std::filesystem;

namespace dz::test {
namespace {

using WorkerCopy = WorkerFolders;

TEST_F(WorkerCopy, PlainFilesReportOncePerStartedBlock) {
    const struct {
        size_t size;
        std::vector<Step> steps;
    } cases[] = {
        {0, {{1, 1, 1, 0, 0}, {1, 1, 3, 0, 0}}},
        {65536, {{1, 1, 1, 65536, 0}, {1, 1, 2, 65536, 65536}, {1, 1, 3, 65536, 65536}}},
        {65537,
         {{1, 1, 1, 65537, 0},
          {1, 1, 2, 65537, 65536},
          {1, 1, 2, 65537, 65537},
          {1, 1, 3, 65537, 65537}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        sink.steps.clear();
        WriteFile(src / "song.mp3", PatternBytes(c.size));
        ASSERT_EQ(RunTransfer(TransferMode::Copy, src, dst, {"song.mp3"}, sink, {"song.mp3"}), 0);
        std::vector<Step> expected = c.steps;
        expected.push_back({1, 2, 4, 0, 0});
        EXPECT_EQ(sink.steps, expected);
        EXPECT_EQ(ReadFile(dst / "song.mp3"), PatternBytes(c.size));
    }
}

TEST_F(WorkerCopy, OtherTypesArePassedOverAndExistingFilesOverwritten) {
    WriteFile(src / "a.txt", "text");
    WriteFile(src / "b.MEM", PatternBytes(10, 1));
    WriteFile(dst / "b.MEM", PatternBytes(200000, 2));
    WriteFile(src / "c.AVF", PatternBytes(9000));
    ASSERT_EQ(
        RunTransfer(TransferMode::Copy, src, dst, {"a.txt", "b.MEM", "c.AVF"}, sink, {"b.MEM"}), 0);
    EXPECT_EQ(sink.steps,
              (std::vector<Step>{
                  {3, 2, 1, 10, 0}, {3, 2, 2, 10, 10}, {3, 2, 3, 10, 10}, {3, 4, 4, 0, 0}}));
    EXPECT_EQ(ReadFile(dst / "b.MEM"), PatternBytes(10, 1));
    EXPECT_FALSE(fs::exists(dst / "a.txt") || fs::exists(dst / "c.AVF"));
}

// Every file of the set arrives and only the location fields change: they
// name the destination companion as the recorder will see it.
struct SetCase {
    const char* what;
    RecordingLayout layout;
    size_t copiedParts;
    std::string location;
};

class WorkerRecording : public WorkerCopy, public ::testing::WithParamInterface<SetCase> {};

TEST_P(WorkerRecording, CopiesEveryPartAndPatchesOnlyTheLocation) {
    const SetCase& c = GetParam();
    DrivesAt drives(tmp.path());
    MakeRecording(src, c.layout);
    RecordingLayout built = c.layout; // the copies carry the recorder's upper-case names
    built.ext = ".AVR";
    built.companionExt = ".AVF";
    ASSERT_EQ(RunTransfer(TransferMode::Copy, src, dst, {PartName(c.layout, 1)}, sink), 0);

    EXPECT_EQ(ReadFile(dst / CompanionName(built)),
              Patched(ReadFile(src / CompanionName(c.layout)), kCompanionHeadSize,
                      kCompanionLocationOffset, c.location));
    for (int p = 1; p <= static_cast<int>(c.copiedParts); ++p)
        EXPECT_EQ(ReadFile(dst / PartName(built, p)),
                  Patched(ReadFile(src / PartName(c.layout, p)), kPartHeaderSize,
                          kPartLocationOffset, c.location))
            << p;
    EXPECT_EQ(std::distance(fs::directory_iterator(dst), fs::directory_iterator()),
              static_cast<long>(c.copiedParts) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, WorkerRecording,
    ::testing::Values(SetCase{"three parts", RecordingLayout{}, 3,
                              "C:\\dst\\NEWS_#001_200612241930.AVF"},
                      SetCase{"suffix number",
                              {.suffix = "_003", .parts = {200, 300}},
                              2,
                              "C:\\dst\\NEWS_#001_200612241930_003.AVF"},
                      SetCase{"lower-case extensions",
                              {.parts = {200, 300}, .ext = ".avr", .companionExt = ".avf"},
                              2,
                              "C:\\dst\\NEWS_#001_200612241930.AVF"},
                      SetCase{"a part shorter than its header is left as copied",
                              {.parts = {1000, 100}},
                              2,
                              "C:\\dst\\NEWS_#001_200612241930.AVF"}));

// A companion that miscounts its parts: fewer than are there would leave
// parts behind (a move would lose them), more than are there cannot be
// copied whole. Either way nothing is written and the source stays.
TEST_F(WorkerCopy, ACompanionThatMiscountsItsPartsMovesNothing) {
    for (const int count : {0, 2, 65535}) {
        for (const TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
            SCOPED_TRACE(testing::Message()
                         << count << (mode == TransferMode::Move ? " mv" : " cp"));
            fs::remove_all(src);
            fs::create_directories(src);
            MakeRecording(src, {.count = count});
            EXPECT_EQ(RunTransfer(mode, src, dst, {"NEWS_#001_200612241930.AVR"}, sink), -1);
            EXPECT_TRUE(fs::is_empty(dst));
            EXPECT_EQ(std::distance(fs::directory_iterator(src), fs::directory_iterator()), 4);
        }
    }
}

TEST_F(WorkerCopy, RecordingReportsPercentOfItsTotalSize) {
    MakeRecording(src, RecordingLayout{}); // parts of 100134, 70000 and 300 bytes
    ASSERT_EQ(RunTransfer(TransferMode::Copy, src, dst, {"NEWS_#001_200612241930.AVR"}, sink), 0);
    EXPECT_EQ(sink.steps, (std::vector<Step>{{1, 1, 1, 100, 0},
                                             {1, 1, 2, 100, 38},
                                             {1, 1, 2, 100, 58},
                                             {1, 1, 2, 100, 97},
                                             {1, 1, 2, 100, 99},
                                             {1, 1, 2, 100, 100},
                                             {1, 1, 3, 100, 100},
                                             {1, 2, 4, 0, 0}}));
}

// A move cut short after its copy was in place leaves the recording whole at
// both ends: moving it again keeps the copy as it is and removes the source.
TEST_F(WorkerCopy, MovingARecordingAlreadyInPlaceOnlyRemovesItsSource) {
    MakeRecording(src, RecordingLayout{});
    ASSERT_EQ(RunTransfer(TransferMode::Copy, src, dst, {"NEWS_#001_200612241930.AVR"}, sink), 0);
    const std::vector<uint8_t> copy = ReadFile(dst / "NEWS_#002_200612241930.AVR");
    fs::permissions(dst / "NEWS_#002_200612241930.AVR",
                    fs::perms::owner_read | fs::perms::group_read);
    sink.steps.clear();
    ASSERT_EQ(RunTransfer(TransferMode::Move, src, dst, {"NEWS_#001_200612241930.AVR"}, sink), 0);
    EXPECT_EQ(sink.steps,
              (std::vector<Step>{{1, 1, 1, 100, 0}, {1, 1, 3, 100, 100}, {1, 2, 4, 0, 0}}))
        << "no block copied again";
    EXPECT_TRUE(fs::is_empty(src));
    EXPECT_EQ(ReadFile(dst / "NEWS_#002_200612241930.AVR"), copy);
}

TEST_F(WorkerCopy, MoveRemovesEachSourceOnceCopiedReadOnlyPartsToo) {
    MakeRecording(src, RecordingLayout{});
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read;
    fs::permissions(src / "NEWS_#002_200612241930.AVR", readOnly);
    WriteFile(src / "a.mp3", PatternBytes(70000));
    ASSERT_EQ(
        RunTransfer(TransferMode::Move, src, dst, {"NEWS_#001_200612241930.AVR", "a.mp3"}, sink),
        0);
    EXPECT_TRUE(fs::is_empty(src));
    EXPECT_EQ(ReadFile(dst / "a.mp3"), PatternBytes(70000));
    // The copy keeps the permissions, set after its header was patched.
#ifdef _WIN32
    // Windows keeps one read-only attribute, which stands for no write bits.
    EXPECT_EQ(fs::status(dst / "NEWS_#002_200612241930.AVR").permissions() & fs::perms::owner_write,
              fs::perms::none);
#else
    EXPECT_EQ(fs::status(dst / "NEWS_#002_200612241930.AVR").permissions(), readOnly);
#endif
    EXPECT_EQ(ReadFile(dst / "NEWS_#002_200612241930.AVR").size(), 70000u);
}

TEST(WorkerBars, StayWithinThirtyTwoBitsAndZeroToHundred) {
    const struct {
        uint64_t length, copied;
        int32_t range, position;
    } bars[] = {
        {65537, 65536, 65537, 65536},
        {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
        {5ull << 30, 4ull << 30, 5 << 28, 1 << 30},    // 5 GiB: quartered
        {5ull << 30, 1ull << 40, 5 << 28, 0x7FFFFFFF}, // a file that grew
    };
    for (const auto& b : bars) {
        const BarValues bar = ScaleBar(b.length, b.copied);
        EXPECT_EQ(bar.range, b.range) << b.length;
        EXPECT_EQ(bar.position, b.position) << b.length;
    }
    const struct {
        uint64_t copied, total;
        int32_t percent;
    } percents[] = {
        {5, 0, 0}, // total size unknown
        {99, 100, 99}, {150, 100, 100}, {2999999999, 3000000000, 99}, {6ull << 30, 8ull << 30, 75},
    };
    for (const auto& p : percents)
        EXPECT_EQ(RecordingPercent(p.copied, p.total), p.percent) << p.copied << "/" << p.total;
}

TEST(WorkerLocation, IsTheFolderBelowItsDriveOnDriveC) {
    TempDir tmp;
    DrivesAt drives(tmp.path());
    const std::string f64(64, 'f'), f65(65, 'g');
    for (const std::string& f : {std::string("REC/a"), f64, f65})
        fs::create_directories(tmp / f);
    const bool linked = MakeFolderLink(tmp / "REC", tmp / "link");
    RecordingNameParts parts;
    parts.recordingName = std::u16string(32, u'L');
    parts.dateStamp = u"200612241930";
    const std::string name = std::string(32, 'L') + "_#001_200612241930.AVF";
    const struct {
        fs::path folder;
        std::string text; // "" = does not fit
    } rows[] = {
        {tmp.path(), "C:\\" + name},
        {tmp / "REC" / "a", "C:\\REC\\a\\" + name},
        {tmp / "link", "C:\\REC\\" + name},
        {tmp / f64, "C:\\" + f64 + "\\" + name}, // 122 characters and the zero byte
        {tmp / f65, ""},
    };
    for (const auto& r : rows) {
        if (!linked && r.folder == tmp / "link")
            continue;
        const std::optional<std::u16string> text = MakeLocationText(U16(r.folder), parts);
        EXPECT_EQ(text.value_or(u""), U16(r.text)) << r.folder;
    }
}

} // namespace
} // namespace dz::test
