#include "recording/folder_listing.h"

#include "common/list_text.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

using namespace dz::test;

const FileListRow* RowOf(const std::vector<FileListRow>& rows, const std::u16string& real) {
    for (const auto& r : rows)
        if (r.realFileName == real)
            return &r;
    return nullptr;
}

TEST(FolderListing, OneRowPerRecordingAndPerPlainFile) {
    TempDir dir;
    MakeRecording(dir.path(), "NEWS", "200612241930", 1, 2, 2, 3'000'000'000ULL);
    WriteFile(dir / "song.MP3", PatternBytes(1024));
    WriteFile(dir / "voice.mem", PatternBytes(1023));
    WriteFile(dir / "notes.txt", "x");
    WriteFile(dir / "MOVIE.AVR", "no separator");
    MakeRecording(dir.path(), "LOST", "200701011200", 2, 3, 3, 100); // part 1 missing
    std::filesystem::create_directory(dir / "folder.mp3");
    std::filesystem::create_directory(dir / "DIR_#001_200612241930.AVR");

    const auto rows = ListFolderRows(dir.text());
    ASSERT_EQ(rows.size(), 3u);
    const FileListRow* news = RowOf(rows, u"NEWS_#001_200612241930.AVR");
    ASSERT_TRUE(news);
    EXPECT_EQ(news->fileName, u"NEWS");
    EXPECT_EQ(news->sizeText, u"2,929,687"); // 3,000,000,000 div 1024
    EXPECT_EQ(news->dateText, u"2006-12-24 PM  7:30:00");
    const FileListRow* song = RowOf(rows, u"song.MP3");
    ASSERT_TRUE(song);
    EXPECT_EQ(song->fileName, u"song.MP3");
    EXPECT_EQ(song->sizeText, u"1");
    const FileListRow* voice = RowOf(rows, u"voice.mem");
    ASSERT_TRUE(voice);
    EXPECT_EQ(voice->sizeText, u"0");
}

TEST(FolderListing, RowsKeepThePlatformsSearchOrder) {
    TempDir dir;
    for (const char* n : {"c.mp3", "a.mp3", "B.MEM", "Z_#001_200612241930.AVR", "e.mp3"})
        WriteFile(dir / n, "x");
    std::vector<dz::platform::FolderName> names;
    ASSERT_TRUE(dz::platform::SearchFolderNames(dir.text(), names));
    std::vector<std::u16string> expected;
    for (const auto& n : names)
        expected.push_back(n.name);
    std::vector<std::u16string> listed;
    for (const auto& r : ListFolderRows(dir.text()))
        listed.push_back(r.realFileName);
    EXPECT_EQ(listed, expected);
}

TEST(FolderListing, RecordingSizeComesFromTheCompanion) {
    struct Case {
        const char* what;
        size_t companionBytes; // 0: no companion
        uint64_t total;
        const char16_t* size;
    } cases[] = {
        {"five billion bytes", kCompanionHeadSize, 5'000'000'000ULL, u"4,882,812"},
        {"1023 bytes", kCompanionHeadSize, 1023, u"0"},
        {"1024 bytes", kCompanionHeadSize, 1024, u"1"},
        {"short companion", kCompanionHeadSize - 1, 5'000'000'000ULL, u"0"},
        {"no companion", 0, 0, u"0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFile(dir / "R_#001_200612241930.AVR", "part");
        if (c.companionBytes)
            WriteFile(dir / "R_#001_200612241930.AVF",
                      CompanionBytes(1, c.total, c.companionBytes));
        const auto rows = ListFolderRows(dir.text());
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].sizeText, c.size);
    }
}

TEST(FolderListing, LowerCaseRecordingFindsItsLowerCaseCompanion) {
    TempDir dir;
    WriteFile(dir / "news_#001_200612241930.avr", "part");
    WriteFile(dir / "news_#001_200612241930.avf", CompanionBytes(1, 2048));
    const auto rows = ListFolderRows(dir.text());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].fileName, u"news");
    EXPECT_EQ(rows[0].sizeText, u"2");
}

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_old.empty())
            unsetenv("TZ");
        else
            setenv("TZ", m_old.c_str(), 1);
        tzset();
    }

private:
    std::string m_old;
};

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

    ScopedTimeZone tz("XST-5"); // five hours east of UTC, no daylight saving
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
