#include "recording/RecordingName.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace dz::test;

const CRecordingName kNames;

TEST(Companion, ReadsPartCountAndTotalSizeOfPartOne) {
    TempDir dir;
    MakeRecording(dir.path(), "NEWS", "200612241930", 1, 2, 2, 3'000'000'000ULL);
    const std::u16string part1 = dir.text() + u"/NEWS_#001_200612241930.AVR";
    const std::u16string part2 = dir.text() + u"/NEWS_#002_200612241930.AVR";
    EXPECT_EQ(kNames.ReadPartCount(part1), 2);
    EXPECT_EQ(kNames.ReadTotalSize(part1), 3'000'000'000LL);
    std::u16string sibling;
    kNames.MakeSiblingPartPath(sibling, part1, 2);
    EXPECT_EQ(sibling, part2);
    // Part 2 names a companion NEWS_#002_... that does not exist.
    EXPECT_EQ(kNames.ReadPartCount(part2), 0);
    EXPECT_EQ(kNames.ReadTotalSize(part2), 0);
    // Not a part file at all.
    EXPECT_EQ(kNames.ReadPartCount(dir.text() + u"/song.mp3"), -1);
    EXPECT_EQ(kNames.ReadTotalSize(dir.text() + u"/song.mp3"), -1);
    EXPECT_EQ(kNames.ReadTotalSize(dir.text() + u"/NEWS_#001_200612241930"), -1);
}

TEST(Companion, HeadMustHoldAllItsBytes) {
    struct Case {
        size_t size;
        int32_t count;
        int64_t total;
    } cases[] = {{8007, 0, 0}, {8008, 3, 1234567}, {9000, 3, 1234567}, {0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        TempDir dir;
        WriteFile(dir / "A_#001_200612241930.AVF", CompanionBytes(3, 1234567, c.size));
        const std::u16string part = dir.text() + u"/A_#001_200612241930.AVR";
        EXPECT_EQ(kNames.ReadPartCount(part), c.count);
        EXPECT_EQ(kNames.ReadTotalSize(part), c.total);
    }
}

TEST(Companion, FieldsAreBigEndianAndUnsignedCount) {
    TempDir dir;
    WriteFile(dir / "A_#001_200612241930.AVF", CompanionBytes(0xFFFE, 0x0102030405060708ULL));
    const std::u16string part = dir.text() + u"/A_#001_200612241930.AVR";
    EXPECT_EQ(kNames.ReadPartCount(part), 65534);
    EXPECT_EQ(kNames.ReadTotalSize(part), 0x0102030405060708LL);
}

TEST(Companion, LowerCaseNamesAreFoundOnACaseSensitiveDisk) {
    TempDir dir;
    // Both the part's and the companion's extension in lower case.
    WriteFile(dir / "news_#001_200612241930.avf", CompanionBytes(4, 5000));
    EXPECT_EQ(kNames.ReadPartCount(dir.text() + u"/news_#001_200612241930.avr"), 4);
    EXPECT_EQ(kNames.ReadTotalSize(dir.text() + u"/news_#001_200612241930.Avr"), 5000);
}

TEST(Companion, AFolderOrFifoInPlaceOfTheCompanionIsUnreadable) {
    TempDir dir;
    std::filesystem::create_directory(dir / "A_#001_200612241930.AVF");
    EXPECT_EQ(kNames.ReadPartCount(dir.text() + u"/A_#001_200612241930.AVR"), 0);
    ASSERT_EQ(mkfifo((dir / "B_#001_200612241930.AVF").c_str(), 0600), 0);
    // Must not wait for a writer that never comes.
    EXPECT_EQ(kNames.ReadTotalSize(dir.text() + u"/B_#001_200612241930.AVR"), 0);
}

TEST(Companion, LocationTextStopsAtTheFirstZeroOrTheFieldsEnd) {
    uint8_t field[kLocationFieldSize] = {};
    CRecordingName::CopyLowBytes(field, u"C:\\REC\\A.AVF");
    EXPECT_EQ(LocationTextOf(field), u"C:\\REC\\A.AVF");
    std::fill(std::begin(field), std::end(field), uint8_t('x'));
    EXPECT_EQ(LocationTextOf(field), std::u16string(kLocationFieldSize, u'x'));
    EXPECT_EQ(CompanionPathOf(u"/r/A_#002_x.avr"), u"/r/A_#002_x.AVF");
    EXPECT_EQ(CompanionPathOf(u"/r/A_#002_x.mp3"), u"");
}

} // namespace
