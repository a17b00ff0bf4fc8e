#include "transfer/entry_rename.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"
#include "transfer/care_support.h"
#include "transfer/folder_check.h"
#include "transfer/location_patch.h"

#include <gtest/gtest.h>

#include <map>

using namespace dz;

namespace {

using namespace dz::test;
namespace fs = std::filesystem;

std::string Location(const fs::path& file, bool companion) {
    return ToUtf8(LocationOfFile(platform::FromPath(file).value(), companion).value_or(u"?"));
}

// The bytes of a file with its location field (companion or part) blanked.
std::vector<uint8_t> ButLocation(std::vector<uint8_t> bytes, bool companion) {
    const size_t at = companion ? kCompanionLocationOffset : kPartLocationOffset;
    if (bytes.size() >= at + kLocationFieldSize)
        std::fill(bytes.begin() + at, bytes.begin() + at + kLocationFieldSize, 0);
    return bytes;
}

using Disk = RecorderDisk;

PreparedRename Prepare(const Disk& d, const std::u16string& from, const std::u16string& to) {
    return PrepareRename(d.folder(), from, to);
}

TEST(RenameRecording, EveryFileTakesTheNewNameAndNamesTheNewCompanion) {
    Disk d;
    const RecordingLayout news{.suffix = "_003"};
    MakeSoundRecording(d.rec, news);
    const Snapshot before = Take(d.rec);
    const PreparedRename job = Prepare(d, u"NEWS_#001_200612241930_003.AVR", u"EVENING");
    ASSERT_EQ(job.status, PreparedRename::Status::kReady) << ToUtf8(job.refusal);
    EXPECT_EQ(job.newName, u"EVENING_#001_200612241930_003.AVR");
    ASSERT_TRUE(RunRename(job).done);

    const RecordingLayout evening{.name = "EVENING", .suffix = "_003"};
    const std::string text = "C:\\REC\\EVENING_#001_200612241930_003.AVF";
    EXPECT_EQ(Take(d.rec).size(), before.size()); // nothing left under the old name
    EXPECT_EQ(Location(d.rec / CompanionName(evening), true), text);
    EXPECT_EQ(ButLocation(ReadFile(d.rec / CompanionName(evening)), true),
              ButLocation(before.at(CompanionName(news)), true));
    for (int p = 1; p <= 3; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(Location(d.rec / PartName(evening, p), false), text);
        EXPECT_EQ(ButLocation(ReadFile(d.rec / PartName(evening, p)), false),
                  ButLocation(before.at(PartName(news, p)), false));
    }
    EXPECT_TRUE(CheckFolder(d.folder(), false).empty());
}

TEST(RenameRecording, RefusalsTouchNothing) {
    Disk d;
    MakeRecording(d.rec, {});
    MakeRecording(d.rec, {.name = "OTHER", .parts = {200}});
    fs::create_directory(d.rec / "sub");
    const Snapshot before = Take(d.rec);
    const std::u16string news = u"NEWS_#001_200612241930.AVR";
    struct Row {
        std::u16string from, to;
        const char16_t* message;
    } rows[] = {
        {news, u"", msg::kRenameEmpty},
        {news, u"A/B", msg::kRenameSeparator},
        {news, u"..", msg::kRenameNotAName},
        {news, std::u16string(33, u'x'), msg::kRenameRecordingTooLong},
        {news, u"A_#B", msg::kRenameRecordingScheme},
        {news, u"A:B", msg::kRenameRecordingCharacters},
        {news, u"\u0100BC", msg::kRenameRecordingCharacters}, // beyond the location's one byte
        {news, u"OTHER", msg::kRenameTaken},                  // its companion is there
        {u"GONE_#001_200612241930.AVR", u"X", msg::kNoSuchEntry},
        {u"NEWS_#002_200612241930.AVR", u"X", msg::kNotAnEntryName},
        {u"notes.txt", u"X", msg::kNotAListEntry},
        {u"sub/x.mp3", u"X", msg::kNotAListEntry},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(ToUtf8(row.from) + " -> " + ToUtf8(row.to));
        const PreparedRename job = Prepare(d, row.from, row.to);
        ASSERT_EQ(job.status, PreparedRename::Status::kRefused);
        const std::u16string format = row.message;
        EXPECT_EQ(job.refusal.substr(0, format.find(u'%')), format.substr(0, format.find(u'%')))
            << ToUtf8(job.refusal);
        EXPECT_FALSE(RunRename(job).done);
    }
    // A location text that would not fit its field: a folder deep enough.
    fs::path deep = d.rec;
    for (int i = 0; i < 4; ++i)
        fs::create_directory(deep /= std::string(25, char('a' + i)));
    MakeRecording(deep, {});
    const PreparedRename tooDeep =
        PrepareRename(platform::FromPath(deep).value(), news, std::u16string(32, u'y'));
    EXPECT_EQ(tooDeep.status, PreparedRename::Status::kRefused);
    fs::remove_all(d.rec / "aaaaaaaaaaaaaaaaaaaaaaaaa");
    EXPECT_EQ(Take(d.rec), before);
    EXPECT_EQ(Prepare(d, news, u"NEWS").status, PreparedRename::Status::kSame);
}

TEST(RenamePlainFileAndFolder, KeepTheirKindAndNeverTakeAName) {
    Disk d;
    WriteFile(d.rec / "song.mp3", "tune");
    WriteFile(d.rec / "other.mem", "x");
    fs::create_directory(d.rec / "Films");
    fs::create_directory(d.rec / "Music");
    EXPECT_EQ(Prepare(d, u"song.mp3", u"song.txt").status, PreparedRename::Status::kRefused);
    EXPECT_EQ(Prepare(d, u"song.mp3", u"other.mem").refusal,
              FillMessage(msg::kRenameTaken, u"other.mem"));
    EXPECT_EQ(Prepare(d, u"Films", u"Music").refusal, FillMessage(msg::kRenameTaken, u"Music"));
    EXPECT_EQ(Prepare(d, u"Films", u"a/b").status, PreparedRename::Status::kRefused);
    EXPECT_EQ(Prepare(d, u"gone.mp3", u"x.mp3").refusal,
              FillMessage(msg::kNoSuchEntry, u"gone.mp3"));

    ASSERT_TRUE(RunRename(Prepare(d, u"song.mp3", u"tune.mem")).done);
    ASSERT_TRUE(RunRename(Prepare(d, u"Films", u"Old Films")).done);
    EXPECT_EQ(ReadFile(d.rec / "tune.mem"), std::vector<uint8_t>({'t', 'u', 'n', 'e'}));
    EXPECT_FALSE(fs::exists(d.rec / "song.mp3"));
    EXPECT_TRUE(fs::is_directory(d.rec / "Old Films"));
    EXPECT_FALSE(fs::exists(d.rec / "Films"));
}

// The states a rename leaves when it is cut short, made by hand: every one
// is recognised, named by the check, and finished by running it again.
TEST(RenameCutShort, IsFinishedByTheSameRenameAndByTheCheck) {
    enum class Cut { kLastPartMoved, kAllButPartOne, kAllPartsMoved, kNewCompanionIn };
    for (const Cut cut :
         {Cut::kLastPartMoved, Cut::kAllButPartOne, Cut::kAllPartsMoved, Cut::kNewCompanionIn}) {
        for (const bool byCheck : {false, true}) {
            SCOPED_TRACE(std::to_string(int(cut)) + (byCheck ? " by check" : " by rename"));
            Disk d;
            const RecordingLayout news{}, evening{.name = "EVENING"};
            MakeSoundRecording(d.rec, news);
            const Snapshot before = Take(d.rec);
            const int moved = cut == Cut::kLastPartMoved ? 1 : cut == Cut::kAllButPartOne ? 2 : 3;
            for (int p = 3; p > 3 - moved; --p)
                fs::rename(d.rec / PartName(news, p), d.rec / PartName(evening, p));
            if (cut == Cut::kNewCompanionIn)
                fs::copy_file(d.rec / CompanionName(news), d.rec / CompanionName(evening));

            // Another new name now would split the recording between two names.
            const Snapshot cutShort = Take(d.rec);
            const PreparedRename other = Prepare(d, u"NEWS_#001_200612241930.AVR", u"LATE");
            if (cut != Cut::kAllPartsMoved && cut != Cut::kNewCompanionIn) {
                EXPECT_EQ(other.refusal,
                          FillMessage(msg::kRenameHalfDone, u"NEWS_#001_200612241930.AVR"));
            }
            EXPECT_EQ(other.status, PreparedRename::Status::kRefused);
            EXPECT_EQ(Take(d.rec), cutShort);

            const std::vector<Finding> found = CheckFolder(d.folder(), false);
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0].problem, Problem::kRenameCutShort);
            EXPECT_EQ(found[0].mend, Mend::kFinishRename);
            if (byCheck) {
                EXPECT_TRUE(MendFinding(found[0]));
            } else {
                const PreparedRename job = Prepare(d, u"NEWS_#001_200612241930.AVR", u"EVENING");
                ASSERT_EQ(job.status, PreparedRename::Status::kReady) << ToUtf8(job.refusal);
                EXPECT_TRUE(job.finishesEarlier);
                EXPECT_TRUE(RunRename(job).done);
            }
            const Snapshot after = Take(d.rec);
            ASSERT_EQ(after.size(), 4u);
            EXPECT_EQ(Location(d.rec / CompanionName(evening), true),
                      "C:\\REC\\EVENING_#001_200612241930.AVF");
            for (int p = 1; p <= 3; ++p)
                EXPECT_EQ(ButLocation(after.at(PartName(evening, p)), false),
                          ButLocation(before.at(PartName(news, p)), false));
            EXPECT_TRUE(CheckFolder(d.folder(), false).empty());
        }
    }
}

} // namespace
