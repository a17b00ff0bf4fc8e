// Where the conversion dialog's file boxes open.
#include "convert/file_box_start.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

using dz::convert::FileBoxStart;

TEST(FileBoxStart, SourceInItsFolderTargetBesideTheSource) {
    const struct {
        std::u16string source, target;
        std::u16string sourceFolder, targetFolder, targetName;
    } cases[] = {
        {u"/rec/NEWS_#001_200612241930.AVR", u"", u"/rec", u"/rec", u"NEWS_#001_200612241930.mpg"},
        {u"/rec/news.avr", u"/out/film.mpg", u"/rec", u"/out", u"film.mpg"},
        {u"/NEWS.AVR", u"", u"/", u"/", u"NEWS.mpg"},
        {u"NEWS", u"", u"", u"", u"NEWS.mpg"}, // no folder, no extension
        {u"", u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dz::convert::SourceBoxStart(c.source).folder, c.sourceFolder);
        const FileBoxStart target = dz::convert::TargetBoxStart(c.source, c.target);
        EXPECT_EQ(target.folder, c.targetFolder);
        EXPECT_EQ(target.name, c.targetName);
    }
    // The system's own separator splits as "/" does (on Windows "\").
    const std::u16string sep(1, dz::platform::kSeparator);
    const FileBoxStart native =
        dz::convert::TargetBoxStart(u"D:" + sep + u"rec" + sep + u"news.avr", u"");
    EXPECT_EQ(native.folder, u"D:" + sep + u"rec");
    EXPECT_EQ(native.name, u"news.mpg");
}

} // namespace
