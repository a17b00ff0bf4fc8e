#include "transfer/entry_deletion.h"

#include "platform/platform.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>

#include <set>

using namespace dz;

namespace {

using namespace dz::test;
namespace fs = std::filesystem;

using Files = std::set<std::string>;

Files FilesIn(const fs::path& dir) {
    Files names;
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
    MakeRecording(dir.path(), {.parts = {1, 1, 1, 1}, .count = 3}); // a 4th part beyond the count
    WriteFile(dir / "song.mp3", "x");
    WriteFile(dir / "notes.txt", "x");
    std::vector<std::u16string> removed;
    DeleteEntries(dir.text(), Names({u"NEWS_#001_200612241930.AVR", u"notes.txt", u"song.mp3"}),
                  [&](const std::u16string& p) { removed.push_back(p); });
    const std::u16string d = dz::platform::JoinPath(dir.text(), u"");
    EXPECT_EQ(removed, (std::vector<std::u16string>{
                           d + u"NEWS_#003_200612241930.AVR", d + u"NEWS_#002_200612241930.AVR",
                           d + u"NEWS_#001_200612241930.AVR", d + u"NEWS_#001_200612241930.AVF",
                           d + u"song.mp3"}));
    EXPECT_EQ(FilesIn(dir.path()), (Files{"NEWS_#004_200612241930.AVR", "notes.txt"}));
}

TEST(Deletion, WhatOneEntryTakesWithIt) {
    const std::string n33(33, 'n');
    const struct {
        const char* what;
        RecordingLayout layout;
        int companion; // -1 as made, 0 removed, else resized to this many bytes
        std::string entry;
        Files stays;
    } rows[] = {
        {"missing companion: part 1 only",
         {.parts = {1, 1}},
         0,
         "NEWS_#001_200612241930.AVR",
         {"NEWS_#002_200612241930.AVR"}},
        {"short companion: part 1 and the companion",
         {.parts = {1, 1}},
         8007,
         "NEWS_#001_200612241930.AVR",
         {"NEWS_#002_200612241930.AVR"}},
        {"part count 0: the companion only",
         {.parts = {1}, .count = 0},
         -1,
         "NEWS_#001_200612241930.AVR",
         {"NEWS_#001_200612241930.AVR"}},
        // Part 2's name would lead to part 1, which nobody named: refused.
        {"named by part 2",
         {.parts = {1, 1}},
         -1,
         "NEWS_#002_200612241930.AVR",
         {"NEWS_#001_200612241930.AVF", "NEWS_#001_200612241930.AVR",
          "NEWS_#002_200612241930.AVR"}},
        {"lower case with a suffix number",
         {.suffix = "_003", .parts = {1, 1}, .ext = ".avr", .companionExt = ".avf"},
         -1,
         "NEWS_#001_200612241930_003.avr",
         {}},
        // The name bound exists for a copy's location text; deleting names
        // every part all the same, so none is left unseen.
        {"recording name longer than a copy allows: every part",
         {.name = n33, .parts = {1, 1}},
         -1,
         n33 + "_#001_200612241930.AVR",
         {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir;
        MakeRecording(dir.path(), r.layout);
        WriteFile(dir / "keep_#001_200612241930.AVR", "another recording");
        const fs::path companion = dir / CompanionName(r.layout);
        if (r.companion == 0)
            fs::remove(companion);
        if (r.companion > 0)
            fs::resize_file(companion, static_cast<uintmax_t>(r.companion));
        // Read-only files go all the same.
        for (const auto& e : fs::directory_iterator(dir.path()))
            fs::permissions(e.path(), fs::perms::owner_read);
        DeleteEntryFiles(dir.text(), std::u16string(r.entry.begin(), r.entry.end()));
        Files stays = r.stays;
        stays.insert("keep_#001_200612241930.AVR");
        EXPECT_EQ(FilesIn(dir.path()), stays);
    }
}

TEST(Deletion, RollBackRemovesTheFirstKEntriesOnly) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "x");
    MakeRecording(dir.path(), {.name = "B", .parts = {1, 1}});
    WriteFile(dir / "c.mem", "x");
    const CSortStringArray names = Names({u"a.mp3", u"B_#001_200612241930.AVR", u"c.mem"});
    RollBackCopies(dir.text(), names, 2);
    EXPECT_EQ(FilesIn(dir.path()), (Files{"c.mem"}));
    RollBackCopies(dir.text(), names, 99); // more than the job holds
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

} // namespace
