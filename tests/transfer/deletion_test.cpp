#include "transfer/entry_deletion.h"

#include "common/text.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace dz::test;
namespace fs = std::filesystem;

std::set<std::string> FilesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

CSortStringArray Names(std::initializer_list<const char16_t*> list) {
    CSortStringArray names;
    for (const char16_t* n : list)
        names.Add(n);
    return names;
}

TEST(Deletion, RecordingLosesPartsByItsCountThenTheCompanion) {
    TempDir dir;
    MakeRecording(dir.path(), "NEWS", "200612241930", 1, 4, 3, 1000); // a 4th part beyond the count
    WriteFile(dir / "song.mp3", "x");
    WriteFile(dir / "notes.txt", "x");
    std::vector<std::u16string> removed;
    DeleteEntries(dir.text(), Names({u"NEWS_#001_200612241930.AVR", u"notes.txt", u"song.mp3"}),
                  [&](const std::u16string& p) { removed.push_back(p); });
    const std::u16string d = dir.text() + u"/";
    EXPECT_EQ(removed, (std::vector<std::u16string>{
                           d + u"NEWS_#001_200612241930.AVR", d + u"NEWS_#002_200612241930.AVR",
                           d + u"NEWS_#003_200612241930.AVR", d + u"NEWS_#001_200612241930.AVF",
                           d + u"song.mp3"}));
    EXPECT_EQ(FilesIn(dir.path()),
              (std::set<std::string>{"NEWS_#004_200612241930.AVR", "notes.txt"}));
}

TEST(Deletion, UnreadableCompanionMeansPartOneOnly) {
    struct Case {
        const char* what;
        size_t companionBytes; // 0: none
    } cases[] = {{"missing companion", 0}, {"short companion", kCompanionHeadSize - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        MakeRecording(dir.path(), "R", "200612241930", 1, 3, 3, 0);
        fs::remove(dir / "R_#001_200612241930.AVF");
        if (c.companionBytes)
            WriteFile(dir / "R_#001_200612241930.AVF", CompanionBytes(3, 0, c.companionBytes));
        DeleteEntryFiles(dir.text(), u"R_#001_200612241930.AVR");
        EXPECT_EQ(FilesIn(dir.path()),
                  (std::set<std::string>{"R_#002_200612241930.AVR", "R_#003_200612241930.AVR"}));
    }
}

TEST(Deletion, PartCountZeroRemovesOnlyTheCompanion) {
    TempDir dir;
    MakeRecording(dir.path(), "R", "200612241930", 1, 1, 0, 0);
    DeleteEntryFiles(dir.text(), u"R_#001_200612241930.AVR");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"R_#001_200612241930.AVR"}));
}

TEST(Deletion, EntryNamedByAnotherPartStillCountsFromPartOne) {
    TempDir dir;
    MakeRecording(dir.path(), "R", "200612241930", 1, 2, 2, 0);
    // Part 2's own companion name does not exist: count 1, then part 1 by
    // the built name and the (missing) R_#002 companion.
    DeleteEntryFiles(dir.text(), u"R_#002_200612241930.AVR");
    EXPECT_EQ(FilesIn(dir.path()),
              (std::set<std::string>{"R_#001_200612241930.AVF", "R_#002_200612241930.AVR"}));
}

TEST(Deletion, ReadOnlyAndLowerCaseFilesAreDeletedWithSuffixedNames) {
    TempDir dir;
    WriteFile(dir / "show_#001_200612241930_003.avr", "1");
    WriteFile(dir / "show_#002_200612241930_003.avr", "2");
    WriteFile(dir / "show_#001_200612241930_003.avf", CompanionBytes(2, 0));
    fs::permissions(dir / "show_#002_200612241930_003.avr", fs::perms::owner_read);
    fs::permissions(dir / "show_#001_200612241930_003.avf", fs::perms::owner_read);
    WriteFile(dir / "keep_#001_200612241930.AVR", "other recording");
    DeleteEntryFiles(dir.text(), u"show_#001_200612241930_003.avr");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"keep_#001_200612241930.AVR"}));
}

TEST(Deletion, NameOutsideTheSchemeDeletesTheFileAndItsCompanion) {
    TempDir dir;
    const std::string longName(33, 'n');
    WriteFile(dir / (longName + "_#001_200612241930.AVR"), "1");
    WriteFile(dir / (longName + "_#002_200612241930.AVR"), "2");
    WriteFile(dir / (longName + "_#001_200612241930.AVF"), CompanionBytes(2, 0));
    DeleteEntryFiles(dir.text(), dz::Ascii(longName) + u"_#001_200612241930.AVR");
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{longName + "_#002_200612241930.AVR"}));
}

TEST(Deletion, RollBackRemovesTheFirstKEntriesOnly) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "x");
    MakeRecording(dir.path(), "B", "200612241930", 1, 2, 2, 0);
    WriteFile(dir / "c.mem", "x");
    const CSortStringArray names = Names({u"a.mp3", u"B_#001_200612241930.AVR", u"c.mem"});
    RollBackCopies(dir.text(), names, 2);
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"c.mem"}));
    RollBackCopies(dir.text(), names, 99); // more than the job holds
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

} // namespace
