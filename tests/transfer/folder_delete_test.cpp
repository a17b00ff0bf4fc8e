#include "transfer/folder_deletion.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>

using namespace dz;

namespace {

using namespace dz::test;
namespace fs = std::filesystem;

TEST(FolderDelete, CountsWhatTheSelectionHoldsForTheQuestion) {
    TempDir dir;
    fs::create_directories(dir / "Films" / "2006");
    MakeRecording(dir / "Films", {.parts = {1000, 2000}});
    MakeRecording(dir / "Films" / "2006", {.name = "FILM", .parts = {500}});
    WriteFile(dir / "Films" / "song.mp3", std::string(100, 'x'));
    WriteFile(dir / "Films" / "2006" / "notes.txt", "x");
    WriteFile(dir / "tune.mem", std::string(24, 'x'));
    const PreparedDelete job = PrepareDelete(dir.text(), {u"tune.mem", u"Films"});
    EXPECT_EQ(job.entries.GetSize(), 1u);
    EXPECT_EQ(job.subfolders, std::vector<std::u16string>{u"Films"});
    EXPECT_EQ(job.foldersNotEmpty, std::vector<std::u16string>{u"Films"});
    EXPECT_EQ(job.contents.recordings, 2u);
    EXPECT_EQ(job.contents.files, 3u); // song.mp3, notes.txt, tune.mem
    EXPECT_EQ(job.contents.folders, 2u);
    EXPECT_EQ(job.contents.bytes, 1000u + 2000 + 9000 + 500 + 9000 + 100 + 1 + 24);
    EXPECT_EQ(ToUtf8(FolderDeleteQuestionText(u"Films", job.contents)),
              "Delete the folder Films with everything in it?\nIt holds 2 recordings and 3 other "
              "files, 21 KB.");
}

TEST(FolderDelete, NamesTheFoldersThatHoldAnything) {
    TempDir dir;
    fs::create_directories(dir / "Empty");
    fs::create_directories(dir / "Full" / "Inner");
    const PreparedDelete job = PrepareDelete(dir.text(), {u"Empty", u"Full"});
    EXPECT_EQ(job.subfolders, (std::vector<std::u16string>{u"Empty", u"Full"}));
    EXPECT_EQ(job.foldersNotEmpty, std::vector<std::u16string>{u"Full"})
        << "a folder holding only a folder is not empty";
    EXPECT_EQ(job.contents.folders, 3u);
}

TEST(FolderDelete, GoesWithEverythingInItRecordingsWhole) {
    TempDir dir;
    fs::create_directories(dir / "Films" / "2006");
    MakeRecording(dir / "Films", {});
    MakeRecording(dir / "Films" / "2006", {.name = "FILM", .parts = {500, 500}, .count = 1});
    WriteFile(dir / "Films" / "notes.txt", "x");
    WriteFile(dir / "keep.mp3", "x");
    std::vector<std::u16string> removed;
    const FolderDeleteOutcome outcome =
        RunDelete(PrepareDelete(dir.text(), {u"Films"}),
                  [&](const std::u16string& path) { removed.push_back(path); });
    EXPECT_TRUE(outcome.failedAt.empty()) << ToUtf8(outcome.failedAt);
    EXPECT_FALSE(fs::exists(dir / "Films"));
    EXPECT_TRUE(fs::exists(dir / "keep.mp3"));
    // A recording's parts go from the last, its companion after them.
    const auto at = [&](const std::string& name) {
        return std::find_if(removed.begin(), removed.end(),
                            [&](const std::u16string& p) { return ToUtf8(p).ends_with(name); }) -
               removed.begin();
    };
    EXPECT_LT(at("NEWS_#003_200612241930.AVR"), at("NEWS_#001_200612241930.AVR"));
    EXPECT_LT(at("NEWS_#001_200612241930.AVR"), at("NEWS_#001_200612241930.AVF"));
}

// A job still writing into the folder keeps its temporary, so the folder
// stays: the deletion stops there and says so.
TEST(FolderDelete, StopsWhereSomethingCannotGoAndSaysWhere) {
    TempDir dir;
    fs::create_directories(dir / "Films");
    MakeRecording(dir / "Films", {});
    std::u16string held;
    platform::File live =
        platform::File::CreateTemporary(platform::FromPath(dir / "Films").value(), held);
    ASSERT_TRUE(live.IsOpen());
    const FolderDeleteOutcome outcome = RunDelete(PrepareDelete(dir.text(), {u"Films"}));
    EXPECT_EQ(outcome.failedAt, platform::FromPath(dir / "Films").value());
    EXPECT_TRUE(platform::PathExists(held));
    EXPECT_FALSE(fs::exists(dir / "Films" / "NEWS_#001_200612241930.AVF"));
    live.Close();
    platform::DeleteIfPresent(held);
}

} // namespace
