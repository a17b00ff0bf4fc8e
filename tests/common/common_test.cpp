#include "common/SortStringArray.h"
#include "common/list_text.h"
#include "common/text.h"
#include "platform/collate.h"

#include <gtest/gtest.h>

using namespace dz;

using dz::Ascii;

namespace {

std::vector<std::u16string> Sorted(std::vector<std::u16string> in) {
    CSortStringArray a;
    for (auto& s : in)
        a.Add(std::move(s));
    a.Sort();
    return a.Items();
}

TEST(SortStringArray, OrdersLikeTheRecorderLists) {
    // Folding only A-Z: abc, ABD, b; "." (0x2E) sorts before "_" (0x5F).
    EXPECT_EQ(Sorted({u"b", u"ABD", u"abc"}), (std::vector<std::u16string>{u"abc", u"ABD", u"b"}));
    EXPECT_EQ(Sorted({u"b.MP3", u"a_#001_200501011200.AVR", u"A.mem"}),
              (std::vector<std::u16string>{u"A.mem", u"a_#001_200501011200.AVR", u"b.MP3"}));
    // A prefix sorts first.
    EXPECT_EQ(Sorted({u"abc", u"ab"}), (std::vector<std::u16string>{u"ab", u"abc"}));
    // '[' (0x5B) lies between 'Z' and 'a': after folding it sorts before letters.
    EXPECT_EQ(Sorted({u"a", u"["}), (std::vector<std::u16string>{u"[", u"a"}));
    // Texts equal but for their case come in one order from any start: by
    // their units, so a folder read in another order lists the same.
    EXPECT_EQ(Sorted({u"B", u"a", u"b", u"A"}),
              (std::vector<std::u16string>{u"A", u"a", u"B", u"b"}));
    EXPECT_EQ(Sorted({u"b", u"A", u"a", u"B"}),
              (std::vector<std::u16string>{u"A", u"a", u"B", u"b"}));
}

// The user's language decides, the case ignored: letters beyond A-Z sort
// among their base letters, not after Z. The same names in any start order
// give one order.
TEST(SortStringArray, FollowsTheUsersLanguageWithTheCaseIgnored) {
    if (!dz::platform::UseCollationLocale("de_DE.UTF-8"))
        GTEST_SKIP()
            << "the de_DE.UTF-8 locale is not installed (scripts/install-deps.sh makes it)";
    const std::vector<std::u16string> expected = {
        u"\u00e9t\u00e9.mp3", u"news", u"TRUNC", u"\u00dcber", u"zoo", u"\u30cb\u30e5\u30fc\u30b9"};
    EXPECT_EQ(Sorted({u"TRUNC", u"\u00dcber", u"\u00e9t\u00e9.mp3", u"\u30cb\u30e5\u30fc\u30b9",
                      u"zoo", u"news"}),
              expected);
    EXPECT_EQ(Sorted({u"zoo", u"\u30cb\u30e5\u30fc\u30b9", u"news", u"\u00dcber", u"TRUNC",
                      u"\u00e9t\u00e9.mp3"}),
              expected);
    // Ties of the language are broken the same way every time.
    EXPECT_EQ(Sorted({u"\u00e9", u"\u00c9", u"e", u"E"}),
              (std::vector<std::u16string>{u"E", u"e", u"\u00c9", u"\u00e9"}));
    dz::platform::UseCollationLocale("");
}

TEST(SortStringArray, SwapIfGreaterSwapsOnlyAGreaterPair) {
    CSortStringArray a;
    a.Add(u"b");
    a.Add(u"A");
    EXPECT_TRUE(a.SwapIfGreater(0));
    EXPECT_EQ(a[0], u"A");
    EXPECT_FALSE(a.SwapIfGreater(0));
    EXPECT_FALSE(a.SwapIfGreater(1)); // no neighbour
}

TEST(Text, LenientIntegerReading) {
    struct Case {
        const char16_t* text;
        int32_t value;
    } cases[] = {
        {u"007", 7}, {u"1a2", 1}, {u"abc", 0},    {u"-05", -5}, {u"  42", 42},
        {u"+3", 3},  {u"", 0},    {u"\u0661", 0}, {u"- 1", 0},  {u"99999999999", INT32_MAX}};
    for (const auto& c : cases)
        EXPECT_EQ(dz::LenientInt(c.text), c.value) << dz::ToUtf8(c.text);
}

TEST(Text, ExtensionsMatchWithoutRegardToCase) {
    EXPECT_EQ(dz::ExtensionOf(u"/a.b/NEWS_#001.AVR"), u".AVR");
    EXPECT_EQ(dz::ExtensionOf(u"/a.b/noext"), u"");
    EXPECT_EQ(dz::ExtensionOf(u"x.tar.gz"), u".gz");
    EXPECT_TRUE(dz::IsPlainFileName(u"song.MP3"));
    EXPECT_TRUE(dz::IsPlainFileName(u"A.Mem"));
    EXPECT_FALSE(dz::IsPlainFileName(u"song.mp3x"));
    EXPECT_TRUE(dz::IsPartFileName(u"n_#001_200612241930.avr"));
    EXPECT_TRUE(dz::EqualNoCaseAZ(u"E:\\Rec", u"e:\\REC"));
    EXPECT_FALSE(dz::EqualNoCaseAZ(u"\u00e9", u"\u00c9"));
}

TEST(Text, EntryKindByExtension) {
    struct Row {
        std::u16string_view name;
        dz::EntryKind kind;
    };
    const Row rows[] = {
        {u"song.mp3", dz::EntryKind::kPlainFile},
        {u"SONG.MP3", dz::EntryKind::kPlainFile},
        {u"memo.Mem", dz::EntryKind::kPlainFile},
        {u"NEWS_#001_200612241930.AVR", dz::EntryKind::kRecordingPart},
        {u"news_#002_200612241930.avr", dz::EntryKind::kRecordingPart},
        {u"NEWS_#001_200612241930.AVF", dz::EntryKind::kOther}, // the companion is no entry
        {u"song.mp3x", dz::EntryKind::kOther},
        {u"mp3", dz::EntryKind::kOther},             // no dot: no extension
        {u"dir.mp3/file", dz::EntryKind::kOther},    // the dot is in the folder part
        {u"\u00c9.MP\u00c9", dz::EntryKind::kOther}, // only A-Z fold
    };
    for (const Row& r : rows)
        EXPECT_EQ(dz::KindOf(r.name), r.kind) << dz::ToUtf8(r.name);
}

TEST(Text, FillMessagePutsTheValueInTheFirstPlaceholder) {
    struct Row {
        std::u16string_view format;
        std::u16string_view value;
        std::u16string_view filled;
    };
    const Row rows[] = {
        {u"Could not make a folder, %s", u"/a/b", u"Could not make a folder, /a/b"},
        {u"Please enter no more than %d characters.", u"128",
         u"Please enter no more than 128 characters."},
        {u"%d then %s", u"1", u"1 then %s"}, // only the first
        {u"%s then %d", u"x", u"x then %d"},
        {u"no placeholder", u"x", u"no placeholder"},
        {u"100%", u"x", u"100%"}, // a lone percent sign is text
        {u"%s", u"%d", u"%d"},    // the value is not filled again
    };
    for (const Row& r : rows)
        EXPECT_EQ(dz::FillMessage(r.format, r.value), r.filled) << dz::ToUtf8(r.format);
}

TEST(Text, EscapeForTerminalKeepsCharactersAndEscapesBytes) {
    struct Row {
        std::string_view bytes;
        std::string_view shown;
    };
    const Row rows[] = {
        {"plain name.mp3", "plain name.mp3"},
        {"tab\there", "tab\\x09here"},
        {"line\nbreak\r", "line\\x0Abreak\\x0D"},
        {"del\x7F", "del\\x7F"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"}, // well-formed UTF-8 stays
        {"\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5"},   // four bytes too
        {"bad\xFF", "bad\\xFF"},                    // never a lead byte
        {"cut\xC3", "cut\\xC3"},                    // sequence cut at the end
        {"\xC3(", "\\xC3("},                        // lead without continuation
        {"\xC0\xAF", "\\xC0\\xAF"},                 // overlong form
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},        // a surrogate is not text
    };
    for (const Row& r : rows)
        EXPECT_EQ(dz::EscapeForTerminal(r.bytes), r.shown) << r.shown;
}

TEST(Text, Utf8RoundTripAndRejection) {
    const std::u16string s = u"Nachrichten \u00e4\u20ac \U0001F600";
    EXPECT_EQ(dz::FromUtf8(dz::ToUtf8(s)).value(), s);
    EXPECT_FALSE(dz::FromUtf8("\xff").has_value());
    EXPECT_FALSE(dz::FromUtf8("\xc3").has_value());         // truncated
    EXPECT_FALSE(dz::FromUtf8("\xc0\xaf").has_value());     // overlong
    EXPECT_FALSE(dz::FromUtf8("\xed\xa0\x80").has_value()); // surrogate
}

TEST(ListText, SizeWithThousandsCommasDateWithNoonAsAm) {
    EXPECT_EQ(dz::SizeText(0), u"0");
    EXPECT_EQ(dz::SizeText(999), u"999");
    EXPECT_EQ(dz::SizeText(1000), u"1,000");
    EXPECT_EQ(dz::SizeText(1234567), u"1,234,567");
    EXPECT_EQ(dz::DateText(2006, 12, 24, 19, 30, 0), u"2006-12-24 PM  7:30:00");
    EXPECT_EQ(dz::DateText(2006, 1, 2, 12, 5, 0), u"2006-01-02 AM 12:05:00");
    EXPECT_EQ(dz::DateText(2006, 1, 2, 0, 5, 9), u"2006-01-02 AM  0:05:09");
    EXPECT_EQ(dz::DateText(2006, 1, 2, 13, 5, 0), u"2006-01-02 PM  1:05:00");
}

TEST(ListText, StatusBarTextsCountRowsInWholeKilobytesAndSayUnknownFreeSpaceByNothing) {
    EXPECT_EQ(dz::SelectionStatusText(0, 0, 0), u"0 of 0 selected, 0 KB");
    EXPECT_EQ(dz::SelectionStatusText(2, 7, 1024 * 1234 + 1023), u"2 of 7 selected, 1,234 KB");
    const uint64_t free = 3ull * 1024 * 1024 * 1024 / 2;
    EXPECT_EQ(dz::FreeStatusText(&free), u"1.5 GB free");
    EXPECT_EQ(dz::FreeStatusText(nullptr), u"");
}

} // namespace
