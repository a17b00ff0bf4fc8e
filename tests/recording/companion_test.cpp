#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/recording_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace dz;

namespace {

using namespace dz::test;

const CRecordingName kNames;

TEST(Companion, PartCountAndTotalSizeComeFromTheHeadOfPartOnesCompanion) {
    const std::string avf = "A_#001_200612241930.AVF", avr = "A_#001_200612241930.AVR";
    const struct {
        const char* what;
        std::string file; // written in the folder; "dir", "fifo" and "held" are special
        std::vector<uint8_t> bytes;
        std::string part; // the path asked about
        CompanionStatus status;
        int32_t count;
        int64_t total;
        std::string read; // the file name read; empty: none
    } rows[] = {
        {"complete head", avf, CompanionBytes(3, 3'000'000'000ULL), avr, CompanionStatus::Ok, 3,
         3'000'000'000LL, avf},
        {"longer than its head", avf, CompanionBytes(3, 1234567, 9000), avr, CompanionStatus::Ok, 3,
         1234567, avf},
        {"one byte short", avf, CompanionBytes(3, 1234567, 8007), avr, CompanionStatus::Short, 0, 0,
         avf},
        {"empty", avf, {}, avr, CompanionStatus::Short, 0, 0, avf},
        {"big-endian fields, unsigned count", avf, CompanionBytes(0xFFFE, 0x0102030405060708ULL),
         avr, CompanionStatus::Ok, 65534, 0x0102030405060708LL, avf},
        {"part 2 names a companion #002 that does not exist", avf, CompanionBytes(3, 5),
         "A_#002_200612241930.AVR", CompanionStatus::Missing, 0, 0, "A_#002_200612241930.AVF"},
        {"lower-case companion of a mixed-case part", "a_#001_200612241930.avf",
         CompanionBytes(4, 5000), "a_#001_200612241930.Avr", CompanionStatus::Ok, 4, 5000,
         "a_#001_200612241930.avf"},
        {"not a part file", avf, CompanionBytes(3, 5), "song.mp3", CompanionStatus::Missing, 0, 0,
         ""},
        {"no extension", avf, CompanionBytes(3, 5), "A_#001_200612241930", CompanionStatus::Missing,
         0, 0, ""},
        {"a folder in its place", "dir", {}, avr, CompanionStatus::Unreadable, 0, 0, avf},
#ifdef _WIN32
        // Windows files can be held without sharing; the companion then
        // counts as unreadable for that call.
        {"held open by another writer", "held", CompanionBytes(3, 5), avr,
         CompanionStatus::Unreadable, 0, 0, avf},
#else
        {"a fifo in its place: never waits for a writer",
         "fifo",
         {},
         avr,
         CompanionStatus::Unreadable,
         0,
         0,
         avf},
#endif
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir;
        std::optional<dz::platform::File> holder;
        if (r.file == "dir") {
            std::filesystem::create_directory(dir / avf);
        } else if (r.file == "held") {
            WriteFile(dir / avf, r.bytes);
            holder = dz::platform::File::OpenReadWrite(
                dz::platform::JoinPath(dir.text(), dz::Ascii(avf)));
            ASSERT_TRUE(holder->IsOpen());
        } else if (r.file == "fifo") {
#ifndef _WIN32
            ASSERT_EQ(mkfifo((dir / avf).c_str(), 0600), 0);
#endif
        } else {
            WriteFile(dir / r.file, r.bytes);
        }
        const std::u16string part =
            dz::platform::JoinPath(dir.text(), std::u16string(r.part.begin(), r.part.end()));
        const CompanionRead read = ReadCompanionOf(part);
        EXPECT_EQ(read.status, r.status);
        EXPECT_EQ(read.Ok(), r.status == CompanionStatus::Ok);
        EXPECT_EQ(read.partCount, r.count);
        EXPECT_EQ(read.totalSize, r.total);
        std::u16string expectedPath =
            r.read.empty()
                ? u""
                : dz::platform::JoinPath(dir.text(), std::u16string(r.read.begin(), r.read.end()));
        std::u16string readPath = read.path;
#ifdef _WIN32
        // Windows opens the built name whatever the stored case.
        for (std::u16string* text : {&expectedPath, &readPath})
            std::transform(text->begin(), text->end(), text->begin(),
                           [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; });
#endif
        EXPECT_EQ(readPath, expectedPath);
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

TEST(Companion, TheLocationFieldComesWithTheHead) {
    TempDir dir;
    std::vector<uint8_t> bytes = CompanionBytes(2, 10);
    CRecordingName::CopyLowBytes(&bytes[kCompanionLocationOffset], u"C:\\REC\\A.AVF");
    WriteFile(dir / "A_#001_200612241930.AVF", bytes);
    const CompanionRead read = ReadCompanionAt(dir.text() + u"/A_#001_200612241930.AVF");
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(read.location, u"C:\\REC\\A.AVF");
    EXPECT_TRUE(std::equal(read.head.begin(), read.head.end(), bytes.begin()));
#ifndef _WIN32
    // Exactly the name given: another case of it is not looked for here.
    EXPECT_EQ(ReadCompanionAt(dir.text() + u"/a_#001_200612241930.avf").status,
              CompanionStatus::Missing);
#endif
}

} // namespace
