#include "recording/RecordingName.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace dz::test;

const CRecordingName kNames;

TEST(Companion, PartCountAndTotalSizeComeFromTheHeadOfPartOnesCompanion) {
    const std::string avf = "A_#001_200612241930.AVF", avr = "A_#001_200612241930.AVR";
    const struct {
        const char* what;
        std::string file; // written in the folder; "dir" and "fifo" make those instead
        std::vector<uint8_t> bytes;
        std::string part; // the path asked about
        int32_t count;
        int64_t total;
    } rows[] = {
        {"complete head", avf, CompanionBytes(3, 3'000'000'000ULL), avr, 3, 3'000'000'000LL},
        {"longer than its head", avf, CompanionBytes(3, 1234567, 9000), avr, 3, 1234567},
        {"one byte short", avf, CompanionBytes(3, 1234567, 8007), avr, 0, 0},
        {"empty", avf, {}, avr, 0, 0},
        {"big-endian fields, unsigned count", avf, CompanionBytes(0xFFFE, 0x0102030405060708ULL),
         avr, 65534, 0x0102030405060708LL},
        {"part 2 names a companion #002 that does not exist", avf, CompanionBytes(3, 5),
         "A_#002_200612241930.AVR", 0, 0},
        {"lower-case companion of a mixed-case part", "a_#001_200612241930.avf",
         CompanionBytes(4, 5000), "a_#001_200612241930.Avr", 4, 5000},
        {"not a part file", avf, CompanionBytes(3, 5), "song.mp3", -1, -1},
        {"no extension", avf, CompanionBytes(3, 5), "A_#001_200612241930", -1, -1},
        {"a folder in its place", "dir", {}, avr, 0, 0},
        {"a fifo in its place: never waits for a writer", "fifo", {}, avr, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir;
        if (r.file == "dir")
            std::filesystem::create_directory(dir / avf);
        else if (r.file == "fifo")
            ASSERT_EQ(mkfifo((dir / avf).c_str(), 0600), 0);
        else
            WriteFile(dir / r.file, r.bytes);
        const std::u16string part =
            dir.text() + u"/" + std::u16string(r.part.begin(), r.part.end());
        EXPECT_EQ(kNames.ReadPartCount(part), r.count);
        EXPECT_EQ(kNames.ReadTotalSize(part), r.total);
    }
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
