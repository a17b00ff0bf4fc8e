#include "transfer/folder_check.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/folder_listing.h"
#include "recording/recording_files.h"
#include "transfer/care_support.h"
#include "transfer/location_patch.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace dz;

namespace {

using namespace dz::test;
namespace fs = std::filesystem;

const RecordingLayout kNews{};

void SetByte(const fs::path& file, size_t at, uint8_t value) {
    std::vector<uint8_t> bytes = ReadFile(file);
    bytes[at] = value;
    WriteFile(file, bytes);
}

TEST(CheckFolder, ASoundFolderHasNothingToReportAndMendingChangesNothing) {
    RecorderDisk d;
    MakeSoundRecording(d.rec, kNews);
    MakeSoundRecording(d.rec, {.name = "FILM", .suffix = "_002", .parts = {5000}});
    WriteFile(d.rec / "song.mp3", "x");
    fs::create_directory(d.rec / "old");
    MakeSoundRecording(d.rec / "old", kNews, "C:\\REC\\old\\");
    const Snapshot before = Take(d.rec);
    EXPECT_TRUE(CheckFolder(d.folder(), true).empty());
    EXPECT_EQ(Take(d.rec), before);
}

// One damage per row, and the one finding it gives: on which file, and
// what mending does about it.
TEST(CheckFolder, EachDamageIsOneFinding) {
    struct Row {
        const char* what;
        std::function<void(const fs::path&)> damage;
        std::string file;
        Problem problem;
        Mend mend;
    };
    const std::string companion = CompanionName(kNews);
    const std::string p1 = PartName(kNews, 1), p2 = PartName(kNews, 2), p3 = PartName(kNews, 3);
    const std::vector<Row> rows = {
        {"moved by another program",
         [&](const fs::path& f) {
             PutLocation(f / p2, kPartLocationOffset, "C:\\X\\" + companion);
         },
         p2, Problem::kLocationElsewhere, Mend::kRewriteLocation},
        {"companion from elsewhere",
         [&](const fs::path& f) {
             PutLocation(f / companion, kCompanionLocationOffset, "C:\\" + companion);
         },
         companion, Problem::kLocationElsewhere, Mend::kRewriteLocation},
        {"part 2 missing", [&](const fs::path& f) { fs::remove(f / p2); }, companion,
         Problem::kPartMissing, Mend::kNone},
        {"part 1 missing", [&](const fs::path& f) { fs::remove(f / p1); }, companion,
         Problem::kNoFirstPart, Mend::kNone},
        {"a part beyond the count",
         [&](const fs::path& f) { fs::copy_file(f / p3, f / PartName(kNews, 4)); },
         PartName(kNews, 4), Problem::kStrayBeyondCount, Mend::kNone},
        {"parts without a companion",
         [&](const fs::path& f) {
             fs::remove(f / companion);
             fs::remove(f / p2);
             fs::remove(f / p3);
         },
         p1, Problem::kStrayNoCompanion, Mend::kNone},
        {"a short companion", [&](const fs::path& f) { fs::resize_file(f / companion, 8007); },
         companion, Problem::kCompanionShort, Mend::kNone},
        {"a total size that is not the parts'",
         [&](const fs::path& f) { SetByte(f / companion, kCompanionTotalSizeOffset + 7, 0); },
         companion, Problem::kTotalSize, Mend::kNone},
        {"a stream offset past the end",
         [&](const fs::path& f) { SetByte(f / p3, kPartStreamOffsetOffset, 0x10); }, p3,
         Problem::kStreamOffsetPastEnd, Mend::kNone},
        {"no transport packets", [&](const fs::path& f) { SetByte(f / p2, kPartHeaderSize, 0); },
         p2, Problem::kNotTransportStream, Mend::kNone},
        {"a dead job's temporary",
         [&](const fs::path& f) { WriteFile(f / ".dezadide-2147483646-7.tmp", "half"); },
         ".dezadide-2147483646-7.tmp", Problem::kDeadTemporary, Mend::kRemoveTemporary},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RecorderDisk d;
        MakeSoundRecording(d.rec, kNews);
        row.damage(d.rec);
        const std::vector<Finding> found = CheckFolder(d.folder(), false);
        ASSERT_EQ(found.size(), 1u) << ToUtf8(found.empty() ? u"" : found[1 % found.size()].text);
        EXPECT_EQ(ToUtf8(found[0].name), row.file);
        EXPECT_EQ(found[0].problem, row.problem) << ToUtf8(found[0].text);
        EXPECT_EQ(found[0].mend, row.mend);
        const Snapshot damaged = Take(d.rec);
        EXPECT_EQ(MendFinding(found[0]), row.mend != Mend::kNone);
        if (row.mend == Mend::kNone) {
            EXPECT_EQ(Take(d.rec), damaged) << "a finding that is only reported changed a file";
            continue;
        }
        EXPECT_TRUE(CheckFolder(d.folder(), false).empty());
    }
}

// A live job's temporary is its own business; a rewritten location keeps
// every other byte of the file.
TEST(CheckFolder, MendsOnlyWhatIsItsOwn) {
    RecorderDisk d;
    MakeSoundRecording(d.rec, kNews);
    std::u16string held;
    platform::File live = platform::File::CreateTemporary(d.folder(), held);
    ASSERT_TRUE(live.IsOpen());
    EXPECT_TRUE(CheckFolder(d.folder(), false).empty());

    const std::string p1 = PartName(kNews, 1);
    const std::vector<uint8_t> sound = ReadFile(d.rec / p1);
    PutLocation(d.rec / p1, kPartLocationOffset, "C:\\ELSEWHERE.AVF");
    const std::vector<Finding> found = CheckFolder(d.folder(), false);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(ToUtf8(found[0].text), "its location text names C:\\ELSEWHERE.AVF, not where it is");
    EXPECT_TRUE(MendFinding(found[0]));
    EXPECT_EQ(ReadFile(d.rec / p1), sound);
    EXPECT_TRUE(platform::PathExists(held));
    live.Close();
    platform::DeleteIfPresent(held);
}

} // namespace

// The list marks a recording that is not whole with the check's own words,
// from what it reads to list the row anyway; a whole one stays unmarked.
namespace marks {

std::map<std::u16string, std::u16string> Problems(const std::u16string& folder) {
    std::map<std::u16string, std::u16string> problems;
    for (const FileListRow& row : ListFolderRows(folder))
        problems[row.fileName] = row.problem;
    return problems;
}

TEST(CheckFolder, TheSummaryCountsOneFindingAndSeveralFindings) {
    const struct {
        size_t findings;
        const char16_t* expected;
    } cases[] = {
        {0, u"Nothing found: every entry in /media/rec/REC is whole"},
        {1, u"1 finding in /media/rec/REC"},
        {2, u"2 findings in /media/rec/REC"},
        {1000, u"1000 findings in /media/rec/REC"}, // no thousands separator in a count
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckSummaryText(c.findings, u"/media/rec/REC"), c.expected) << c.findings;
}

TEST(ListMarks, ARowSaysWhyItsRecordingIsNotWhole) {
    RecorderDisk d;
    MakeSoundRecording(d.rec, kNews);
    MakeSoundRecording(d.rec, {.name = "CUT", .parts = {300, 300, 300}});
    fs::remove(d.rec / PartName({.name = "CUT"}, 3));
    MakeSoundRecording(d.rec, {.name = "MOVED", .parts = {300}}, "C:\\ELSEWHERE\\");
    MakeSoundRecording(d.rec, {.name = "BLANK", .parts = {300}});
    PutLocation(d.rec / CompanionName({.name = "BLANK"}), kCompanionLocationOffset, "");
    MakeSoundRecording(d.rec, {.name = "ALONE", .parts = {300}});
    fs::remove(d.rec / CompanionName({.name = "ALONE"}));
    MakeSoundRecording(d.rec, {.name = "SHORT", .parts = {300}});
    WriteFile(d.rec / CompanionName({.name = "SHORT"}), "short");
    WriteFile(d.rec / "song.mp3", "x");

    const std::map<std::u16string, std::u16string> expected = {
        {u"NEWS", u""},
        {u"CUT", u"part 3 of 3 is missing"},
        {u"MOVED",
         u"its location text names C:\\ELSEWHERE\\MOVED_#001_200612241930.AVF, not where it is"},
        {u"BLANK", u"its location text is empty"},
        {u"ALONE", u"a part file without a companion"},
        {u"SHORT", u"the companion file is shorter than its 8,008-byte head"},
        {u"song.mp3", u""},
    };
    EXPECT_EQ(Problems(d.folder()), expected);
    // Each mark is a finding the check names too.
    for (const auto& [name, problem] : expected) {
        if (problem.empty())
            continue;
        bool found = false;
        for (const Finding& f : CheckFolder(d.folder(), false))
            found = found || f.text == problem;
        EXPECT_TRUE(found) << ToUtf8(name);
    }
    // Mended, the moved recording is whole again.
    for (const Finding& f : CheckFolder(d.folder(), false)) {
        if (f.mend == Mend::kRewriteLocation) {
            EXPECT_TRUE(MendFinding(f));
        }
    }
    EXPECT_EQ(Problems(d.folder()).at(u"MOVED"), u"");
    EXPECT_EQ(Problems(d.folder()).at(u"BLANK"), u"");
}

} // namespace marks
