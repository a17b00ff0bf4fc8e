#include "recording/folder_listing.h"

#include "common/list_text.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#endif

using namespace dz;

namespace {

using namespace dz::test;

TEST(FolderListing, OneRowPerRecordingAndPlainFileInNameOrder) {
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
#ifdef _WIN32
    // Windows finds a name in any case: "news" would be NEWS itself, and
    // the other recording's companion is NEWSY's.
    constexpr bool kCaseSensitive = false;
#else
    constexpr bool kCaseSensitive = true;
#endif
    if (kCaseSensitive)
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

    std::map<std::u16string, std::pair<std::u16string, std::u16string>> expected = {
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
    // Shown names with the letter case ignored ("low" between D and NEWS);
    // equal shown names by their file names, upper case first.
    std::vector<std::u16string> order = {u"B_#001_200612241930.AVR",
                                         u"C_#001_200612241930.AVR",
                                         u"CUT_#001_200612241930.AVR",
                                         u"D_#001_200612241930.AVR",
                                         u"low_#001_200612241930.avr",
                                         u"NEWS_#001_200612241930.AVR",
                                         u"news_#001_200612241930.AVR",
                                         u"NEWSY_#001_200612241930.AVR",
                                         u"song.MP3",
                                         u"voice.mem"};
    if (!kCaseSensitive) {
        expected.erase(u"news_#001_200612241930.AVR");
        expected[u"NEWSY_#001_200612241930.AVR"].second = u"8";
        order.erase(std::find(order.begin(), order.end(), u"news_#001_200612241930.AVR"));
    }
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
#ifdef _WIN32
    const std::wstring path = (dir / "a.mp3").wstring();
    {
        const HANDLE file =
            CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        // 400 days after 1970, in 100 ns steps since 1601.
        const uint64_t ticks = 116444736000000000ull + 86400ull * 400 * 10000000;
        const FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
        CloseHandle(file);
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    const uint64_t creation =
        (uint64_t{data.ftCreationTime.dwHighDateTime} << 32) | data.ftCreationTime.dwLowDateTime;
    const std::time_t created =
        static_cast<std::time_t>((creation - 116444736000000000ull) / 10000000);
#else
    const std::string path = (dir / "a.mp3").string();
    struct timespec times[2] = {{86400 * 400, 0}, {86400 * 400, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    struct statx stx;
    ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &stx), 0);
    const std::time_t created =
        (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_mtime.tv_sec;
#endif

    ScopedEnv tz("TZ", "XST-5"); // five hours east of UTC, no daylight saving
    std::time_t shifted = created + 5 * 3600;
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &shifted);
#else
    gmtime_r(&shifted, &utc);
#endif
    const auto rows = ListFolderRows(dir.text());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].dateText, dz::DateText(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                             utc.tm_hour, utc.tm_min, utc.tm_sec));
}

TEST(FolderListing, UnreadableOrEmptyFolderGivesNoRows) {
    std::vector<FileListRow> rows{{u"stale", u"", u"", u""}};
    EXPECT_FALSE(ListFolderRows(
        dz::platform::JoinPath(dz::platform::DriveRoots().front(), u"nonexistent-dezadide"), rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(ListFolderRows(u"", rows));
    TempDir dir;
    EXPECT_TRUE(ListFolderRows(dir.text(), rows));
    EXPECT_TRUE(rows.empty());
}

// Rows as the list holds them: shown name, real name, bytes, date key.
std::vector<FileListRow> SampleRows() {
    return {
        {u"b.mp3", u"b.mp3", u"", u"", 5000, 20060101120000, u"", -1},
        {u"NEWS", u"NEWS_#001_200612241930.AVR", u"", u"", 5000, 20061224193000, u"0:01:00",
         5400000},
        {u"a.MEM", u"a.MEM", u"", u"", 10, 20070101000000, u"", -1},
        {u"news", u"news_#001_200501010000.AVR", u"", u"", 900000, 20050101000000, u"0:00:01",
         90000},
    };
}

std::vector<std::u16string> RealNames(const std::vector<FileListRow>& rows) {
    std::vector<std::u16string> names;
    for (const FileListRow& r : rows)
        names.push_back(r.realFileName);
    return names;
}

TEST(RowOrder, EachColumnSortsBothWaysWithNameOrderForEqualValues) {
    const std::u16string a = u"a.MEM", b = u"b.mp3", N = u"NEWS_#001_200612241930.AVR",
                         n = u"news_#001_200501010000.AVR";
    const struct {
        RowSort sort;
        std::vector<std::u16string> expected;
    } cases[] = {
        // NEWS and news are one name to the eye: their real names decide
        // (the 2005 stamp first).
        {{RowSortColumn::Name, false}, {a, b, n, N}},
        {{RowSortColumn::Name, true}, {N, n, b, a}},
        // b.mp3 and NEWS hold 5000 bytes each: name order between them.
        {{RowSortColumn::Size, false}, {a, b, N, n}},
        {{RowSortColumn::Size, true}, {n, N, b, a}},
        {{RowSortColumn::Date, false}, {n, b, N, a}},
        {{RowSortColumn::Date, true}, {a, N, b, n}},
        // Rows without a length (plain files, lengths not read yet or not
        // readable) come before every known length, in name order.
        {{RowSortColumn::Length, false}, {a, b, n, N}},
        {{RowSortColumn::Length, true}, {N, n, b, a}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.sort.column) * 2 + c.sort.descending);
        std::vector<FileListRow> rows = SampleRows();
        SortRows(rows, c.sort);
        EXPECT_EQ(RealNames(rows), c.expected);
    }
}

TEST(RowOrder, AHeaderClickReversesItsOwnColumnAndStartsAnotherAscending) {
    const struct {
        RowSort current;
        RowSortColumn clicked;
        RowSort expected;
    } cases[] = {
        {{RowSortColumn::Name, false}, RowSortColumn::Name, {RowSortColumn::Name, true}},
        {{RowSortColumn::Name, true}, RowSortColumn::Name, {RowSortColumn::Name, false}},
        {{RowSortColumn::Name, true}, RowSortColumn::Size, {RowSortColumn::Size, false}},
        {{RowSortColumn::Date, true}, RowSortColumn::Size, {RowSortColumn::Size, false}},
        {{RowSortColumn::Size, false}, RowSortColumn::Length, {RowSortColumn::Length, false}},
        {{RowSortColumn::Length, false}, RowSortColumn::Length, {RowSortColumn::Length, true}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextSort(c.current, c.clicked), c.expected);
}

TEST(RowOrder, SizeAndDateKeysComeFromTheEntry) {
    TempDir dir;
    MakeRecording(dir.path(), {.parts = {300, 200}, .total = 5'000'000'000});
    WriteFile(dir / "song.mp3", PatternBytes(1500));
    const auto rows = ListFolderRows(dir.text());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sizeBytes, 5'000'000'000); // the companion's total, not the files
    EXPECT_EQ(rows[0].dateKey, 20061224193000);
    EXPECT_EQ(rows[1].sizeBytes, 1500);
}

// A companion whose total no disk can hold (2^63 bytes and more) would read
// as a negative size or as 0: the parts' sum stands in, marked as such.
TEST(FolderListing, AnImpossibleTotalShowsThePartsSumMarked) {
    TempDir dir;
    const struct {
        const char* name;
        uint8_t first, rest;
    } cases[] = {{"HIGHBIT", 0x80, 0x00}, {"ALLONES", 0xff, 0xff}};
    for (const auto& c : cases) {
        MakeRecording(dir.path(), {.name = c.name, .parts = {2048, 1024}});
        const auto companion = dir / (std::string(c.name) + "_#001_200612241930.AVF");
        std::vector<uint8_t> bytes = ReadFile(companion);
        bytes[kCompanionTotalSizeOffset] = c.first;
        for (size_t i = 1; i < 8; ++i)
            bytes[kCompanionTotalSizeOffset + i] = c.rest;
        WriteFile(companion, bytes);
    }
    std::vector<FileListRow> rows;
    ASSERT_TRUE(ListFolderRows(dir.text(), rows));
    ASSERT_EQ(rows.size(), 2u);
    for (const FileListRow& row : rows) {
        EXPECT_EQ(row.sizeText, u"3 (parts)");
        EXPECT_EQ(row.sizeBytes, 3072);
    }
}

} // namespace

TEST(RowLength, ARowShowsTheLengthOrAQuestionMarkAndSortsByTicks) {
    FileListRow row;
    ShowLengthInRow(row, (3600 + 2 * 60 + 3) * kPtsClock);
    EXPECT_EQ(row.lengthText, u"1:02:03");
    EXPECT_EQ(row.lengthKey, (3600 + 2 * 60 + 3) * kPtsClock);
    ShowLengthInRow(row, std::nullopt);
    EXPECT_EQ(row.lengthText, u"?") << "a damaged stream";
    EXPECT_EQ(row.lengthKey, -1);
}

TEST(RowLength, TheVisibleRowsAreReadFirstThenThoseBelowThenThoseAbove) {
    const struct {
        size_t rows, top;
        std::vector<size_t> expected;
    } cases[] = {
        {5, 0, {0, 1, 2, 3, 4}},
        {5, 2, {2, 3, 4, 0, 1}}, // scrolled down
        {5, 4, {4, 0, 1, 2, 3}},
        {5, 9, {0, 1, 2, 3, 4}}, // a top row past the end (the list emptied meanwhile)
        {0, 0, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VisibleFirstOrder(c.rows, c.top), c.expected) << c.rows << " from " << c.top;
}
