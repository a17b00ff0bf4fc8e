#include "transfer/transfer_checks.h"

#include "common/messages.h"
#include "common/text.h"

#include <gtest/gtest.h>

namespace {

using namespace dz;

std::u16string Message(const CheckMessage& m) {
    return m ? std::u16string(*m) : u"(none)";
}

TEST(Checks, TransferChecksRunInOrder) {
    struct Case {
        const char16_t* source;
        bool selection;
        const char16_t* destination;
        const char16_t* message;
    } cases[] = {
        {u"", false, u"", msg::kNoFolder},
        {u"", true, u"F:\\REC", msg::kNoFolder},
        {u"E:\\REC", false, u"", msg::kNoFile}, // before the missing destination
        {u"E:\\REC", true, u"", msg::kNoDestination},
        {u"E:\\Rec", true, u"e:\\REC", msg::kSameFolder},
        {u"/media/a", true, u"/media/a", msg::kSameFolder},
        {u"/media/\u00e9", true, u"/media/\u00c9", u"(none)"}, // only A-Z fold
        {u"E:\\REC", true, u"E:\\REC\\SUB", u"(none)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.source) + " -> " + ToUtf8(c.destination));
        EXPECT_EQ(Message(CheckTransfer(c.source, c.selection, c.destination)), c.message);
    }
}

TEST(Checks, EntryNamesComeFromTheRightColumnAndAreSorted) {
    const CSortStringArray names = CollectEntryNames({
        {u"b.MP3", u"b.MP3"},
        {u"a", u"a_#001_200501011200.AVR"},
        {u"A.mem", u"A.mem"},
        {u"notes.txt", u"notes.txt"},
    });
    EXPECT_EQ(names.Items(), (std::vector<std::u16string>{u"A.mem", u"a_#001_200501011200.AVR",
                                                          u"b.MP3", u"notes.txt"}));
    // Each column is read into a 255-character buffer.
    const std::u16string longPlain = std::u16string(260, u'x') + u".mp3";
    EXPECT_EQ(EntryNameOfRow(longPlain, u"real"), u"real"); // cut off before ".mp3"
    EXPECT_EQ(EntryNameOfRow(u"NEWS", std::u16string(300, u'y')), std::u16string(254, u'y'));
    const std::u16string fits = std::u16string(250, u'x') + u".Mem";
    EXPECT_EQ(EntryNameOfRow(fits, u"real"), fits);
}

TEST(Checks, EntryNamesStayInsideTheirFolder) {
    EXPECT_TRUE(IsEntryName(u"NEWS_#001_200612241930.AVR"));
    EXPECT_TRUE(IsEntryName(u"back\\slash.mp3"));
    EXPECT_FALSE(IsEntryName(u""));
    EXPECT_FALSE(IsEntryName(u".."));
    EXPECT_FALSE(IsEntryName(u"../x.mp3"));
    EXPECT_FALSE(IsEntryName(u"sub/x.mp3"));
}

} // namespace
