#include "recording/RecordingName.h"

#include "common/text.h"

#include <gtest/gtest.h>

using namespace dz;

namespace {

const CRecordingName kNames;

struct SplitCase {
    const char16_t* what;
    const char16_t* path;
    int result;
    const char16_t* prefix;
    const char16_t* recordingName;
    int32_t part;
    const char16_t* stamp;
    int32_t suffix;
};

TEST(RecordingName, SplitPathTakesTheSchemeApart) {
    // A folder part of N characters: "\", N - 2 letters, "\".
    auto folderOf = [](size_t n) { return u"\\" + std::u16string(n - 2, u'f') + u"\\"; };
    const std::u16string name32(32, u'n');
    const std::u16string name33(33, u'n');
    const std::u16string at60 = u"E:" + folderOf(60) + u"NEWS_#001_200612241930.AVR";
    const std::u16string at61 = u"E:" + folderOf(61) + u"NEWS_#001_200612241930.AVR";
    const std::u16string with32 = u"E:\\REC\\" + name32 + u"_#001_200612241930.AVR";
    const std::u16string with33 = u"E:\\REC\\" + name33 + u"_#001_200612241930.AVR";
    const SplitCase cases[] = {
        {u"plain part 1", u"E:\\REC\\NEWS_#001_200612241930.AVR", 0, u"E:\\REC\\", u"NEWS", 1,
         u"200612241930", 0},
        {u"part 2 with suffix", u"E:\\REC\\NEWS_#002_200612241930_003.AVR", 0, u"E:\\REC\\",
         u"NEWS", 2, u"200612241930", 3},
        {u"underscore in the name", u"E:\\REC\\MY_SHOW_#001_200612241930.AVR", 0, u"E:\\REC\\",
         u"MY_SHOW", 1, u"200612241930", 0},
        {u"separator at the start", u"E:\\REC\\_#001_200612241930.AVR", 0, u"E:\\REC\\", u"", 0,
         u"200501010000", 0},
        {u"no separator", u"E:\\REC\\MOVIE.AVR", 0, u"E:\\REC\\", u"", 0, u"200501010000", 0},
        {u"short stamp gives the presets", u"E:\\REC\\NEWS_#001_2006.AVR", 0, u"E:\\REC\\", u"NEWS",
         1, u"200501010000", 0},
        {u"letters in the minute", u"E:\\REC\\NEWS_#001_2006122419xx.AVR", 0, u"E:\\REC\\", u"NEWS",
         1, u"200612241900", 0},
        {u"month 13 is kept", u"E:\\REC\\NEWS_#001_200613241930.AVR", 0, u"E:\\REC\\", u"NEWS", 1,
         u"200613241930", 0},
        {u"posix folder", u"/media/rec/REC/NEWS_#003_200612241930.avr", 0, u"/media/rec/REC/",
         u"NEWS", 3, u"200612241930", 0},
        {u"drive without folder", u"E:NEWS_#001_200612241930.AVR", 0, u"E:", u"NEWS", 1,
         u"200612241930", 0},
        {u"no folder at all", u"NEWS_#001_200612241930.AVR", 0, u"", u"NEWS", 1, u"200612241930",
         0},
        {u"first _# counts", u"/r/A_#001_200612241930_#9.AVR", 0, u"/r/", u"A", 1, u"200612241930",
         0},
        {u"60-character folder", at60.c_str(), 0, nullptr, u"NEWS", 1, u"200612241930", 0},
        {u"61-character folder", at61.c_str(), -1, nullptr, nullptr, 0, nullptr, 0},
        {u"32-character name", with32.c_str(), 0, u"E:\\REC\\", name32.c_str(), 1, u"200612241930",
         0},
        {u"33-character name", with33.c_str(), -1, nullptr, nullptr, 0, nullptr, 0},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(dz::ToUtf8(c.what));
        RecordingNameParts parts;
        parts.partNumber = 77;
        ASSERT_EQ(kNames.SplitPath(c.path, parts), c.result);
        if (c.result != 0)
            continue;
        if (c.prefix) {
            EXPECT_EQ(parts.prefix, c.prefix);
        }
        EXPECT_EQ(parts.recordingName, c.recordingName);
        EXPECT_EQ(parts.partNumber, c.part);
        EXPECT_EQ(parts.dateStamp, c.stamp);
        EXPECT_EQ(parts.suffixNumber, c.suffix);
    }
}

TEST(RecordingName, BuildsPartAndCompanionPathsFromThePieces) {
    RecordingNameParts p;
    ASSERT_EQ(kNames.SplitPath(u"E:\\REC\\NEWS_#001_200612241930.AVR", p), 0);
    EXPECT_EQ(kNames.MakePartPath(p.prefix, p.recordingName, 2, p.dateStamp, p.suffixNumber),
              u"E:\\REC\\NEWS_#002_200612241930.AVR");
    EXPECT_EQ(kNames.MakeCompanionPath(p.prefix, p.recordingName, 1, p.dateStamp, p.suffixNumber),
              u"E:\\REC\\NEWS_#001_200612241930.AVF");

    ASSERT_EQ(kNames.SplitPath(u"E:\\REC\\NEWS_#002_200612241930_003.AVR", p), 0);
    EXPECT_EQ(kNames.MakeCompanionPath(p.prefix, p.recordingName, 1, p.dateStamp, p.suffixNumber),
              u"E:\\REC\\NEWS_#001_200612241930_003.AVF");
    // Four digits are written as they are; only three are read back.
    const std::u16string big = kNames.MakePartPath(u"/r/", u"NEWS", 1000, u"200612241930", 0);
    EXPECT_EQ(big, u"/r/NEWS_#1000_200612241930.AVR");
    EXPECT_EQ(kNames.GetPartNumber(big.substr(3)), 100);

    // The longest pieces a split allows still fit the 123-byte location field.
    const std::u16string longest = kNames.MakeCompanionPath(
        u"E:" + std::u16string(60, u'f'), std::u16string(32, u'n'), 1, u"200612241930", 999);
    EXPECT_EQ(longest.size(), 120u);
}

TEST(RecordingName, SinglePiecesOfAFileName) {
    struct Case {
        const char16_t* name;
        const char16_t* recordingName;
        int32_t part;
        int32_t suffix;
        bool first;
    } cases[] = {
        {u"NEWS_#001_200612241930.AVR", u"NEWS", 1, 0, true},
        {u"NEWS_#002_200612241930_003.AVR", u"NEWS", 2, 3, false},
        {u"NEWS_#001_200612241930_000.AVR", u"NEWS", 1, 0, true},
        {u"NEWS_#1a2_200612241930.AVR", u"NEWS", 1, 0, true}, // lenient digits
        {u"NEWS_#", u"NEWS", 0, 0, false},                    // nothing after the separator
        {u"_#001_200612241930.AVR", u"", 0, 0, false},
        {u"MOVIE.AVR", u"", 0, 0, false},
        {u"A_#1.AV", u"A", 1, 0, true}, // too short to hold a suffix
        {u"", u"", 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(dz::ToUtf8(c.name));
        EXPECT_EQ(kNames.GetRecordingName(c.name), c.recordingName);
        EXPECT_EQ(kNames.GetPartNumber(c.name), c.part);
        EXPECT_EQ(kNames.GetSuffixNumber(c.name), c.suffix);
        EXPECT_EQ(kNames.IsFirstPart(c.name), c.first);
    }
    const RecordingDate d = kNames.ParseDateStamp(u"NEWS_#001_200612241930.AVR");
    EXPECT_EQ((std::array{d.year, d.month, d.day, d.hour, d.minute}),
              (std::array{2006, 12, 24, 19, 30}));
    // The character in front of the stamp is skipped whatever it is.
    EXPECT_EQ(kNames.ParseDateStamp(u"NEWS_#001X200612241930").minute, 30);
}

TEST(RecordingName, SiblingPartPathKeepsOutputWhenTheNameDoesNotSplit) {
    std::u16string out = u"unchanged";
    kNames.MakeSiblingPartPath(out, u"/r/NEWS_#001_200612241930.AVR", 2);
    EXPECT_EQ(out, u"/r/NEWS_#002_200612241930.AVR");
    out = u"unchanged";
    kNames.MakeSiblingPartPath(out, u"/r/" + std::u16string(33, u'n') + u"_#001_200612241930.AVR",
                               2);
    EXPECT_EQ(out, u"unchanged");
}

TEST(RecordingName, CopyLowBytesWritesOneBytePerUnitAndAZero) {
    uint8_t field[8];
    std::fill(std::begin(field), std::end(field), 0xEE);
    CRecordingName::CopyLowBytes(field, u"C:\\\u00e9\u0141");
    EXPECT_EQ((std::vector<uint8_t>(field, field + 7)),
              (std::vector<uint8_t>{'C', ':', '\\', 0xE9, 0x41, 0, 0xEE}));
}

} // namespace
