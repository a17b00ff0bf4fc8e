#include "recording/folder_listing.h"

#include "common/list_text.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>

namespace {

using namespace dz::test;

TEST(FolderListing, OneRowPerRecordingAndPlainFileInTheSearchOrder) {
    TempDir dir;
    MakeRecording(dir.path(), {.parts = {300, 300}, .total = 5'000'000'000});
    MakeRecording(dir.path(), {.name = "B", .parts = {1}, .total = 1023});
    MakeRecording(dir.path(), {.name = "C", .parts = {1}, .total = 1024});
    MakeRecording(dir.path(), {.name = "D", .parts = {1}});
    std::filesystem::remove(dir / "D_#001_200612241930.AVF"); // listed all the same
    MakeRecording(
        dir.path(),
        {.name = "low", .parts = {1}, .total = 2048, .ext = ".avr", .companionExt = ".avf"});
    MakeRecording(dir.path(), {.name = "CUT", .parts = {1, 1, 1}, .total = 4096});
    std::filesystem::remove(dir / "CUT_#003_200612241930.AVR"); // a deletion cut short: size 0
    MakeRecording(dir.path(), {.name = "news", .parts = {1}, .total = 8192});
    MakeRecording(dir.path(), {.name = "NEWSY", .parts = {1}, .total = 8192});
    std::filesystem::remove(dir / "NEWSY_#001_200612241930.AVF");
    WriteFile(dir / "newsy_#001_200612241930.AVF", CompanionBytes(1, 8192)); // another recording's
    MakeRecording(dir.path(), {.name = "LOST", .parts = {1, 1, 1}});
    std::filesystem::remove(dir / "LOST_#001_200612241930.AVR"); // no part 1: no row
    WriteFile(dir / "song.MP3", PatternBytes(1024));
    WriteFile(dir / "voice.mem", PatternBytes(1023));
    WriteFile(dir / "notes.txt", "x");
    WriteFile(dir / "MOVIE.AVR", "no separator");
    std::filesystem::create_directory(dir / "folder.mp3");
    std::filesystem::create_directory(dir / "DIR_#001_200612241930.AVR");

    const std::map<std::u16string, std::pair<std::u16string, std::u16string>> expected = {
        {u"NEWS_#001_200612241930.AVR", {u"NEWS", u"4,882,812"}}, // 5,000,000,000 div 1024
        {u"B_#001_200612241930.AVR", {u"B", u"0"}},
        {u"C_#001_200612241930.AVR", {u"C", u"1"}},
        {u"D_#001_200612241930.AVR", {u"D", u"0"}},
        {u"low_#001_200612241930.avr", {u"low", u"2"}},
        {u"CUT_#001_200612241930.AVR", {u"CUT", u"0"}},
        {u"news_#001_200612241930.AVR", {u"news", u"8"}},
        {u"NEWSY_#001_200612241930.AVR", {u"NEWSY", u"0"}},
        {u"song.MP3", {u"song.MP3", u"1"}},
        {u"voice.mem", {u"voice.mem", u"0"}},
    };
    std::vector<dz::platform::FolderName> names;
    ASSERT_TRUE(dz::platform::SearchFolderNames(dir.text(), names));
    std::vector<std::u16string> order;
    for (const auto& n : names)
        if (expected.count(n.name))
            order.push_back(n.name);
    const auto rows = ListFolderRows(dir.text());
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(dz::ToUtf8(rows[i].realFileName));
        EXPECT_EQ(rows[i].realFileName, order[i]);
        const auto it = expected.find(rows[i].realFileName);
        ASSERT_NE(it, expected.end());
        EXPECT_EQ(rows[i].fileName, it->second.first);
        EXPECT_EQ(rows[i].sizeText, it->second.second);
        if (it->second.first == u"NEWS") { // the date stamp, not the file's time
            EXPECT_EQ(rows[i].dateText, u"2006-12-24 PM  7:30:00");
        }
    }
}

TEST(FolderListing, PlainFileDateIsItsCreationTimeInLocalTime) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "x");
    // Move the modification time far away: where the disk keeps a birth
    // time, the list must not show the modification time.
    const std::string path = (dir / "a.mp3").string();
    struct timespec times[2] = {{86400 * 400, 0}, {86400 * 400, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    struct statx stx;
    ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &stx), 0);
    const std::time_t created =
        (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_mtime.tv_sec;

    ScopedEnv tz("TZ", "XST-5"); // five hours east of UTC, no daylight saving
    std::time_t shifted = created + 5 * 3600;
    std::tm utc{};
    gmtime_r(&shifted, &utc);
    const auto rows = ListFolderRows(dir.text());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].dateText, dz::DateText(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                             utc.tm_hour, utc.tm_min, utc.tm_sec));
}

TEST(FolderListing, UnreadableOrEmptyFolderGivesNoRows) {
    std::vector<FileListRow> rows{{u"stale", u"", u"", u""}};
    EXPECT_FALSE(ListFolderRows(u"/nonexistent/dezadide", rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(ListFolderRows(u"", rows));
    TempDir dir;
    EXPECT_TRUE(ListFolderRows(dir.text(), rows));
    EXPECT_TRUE(rows.empty());
}

} // namespace
