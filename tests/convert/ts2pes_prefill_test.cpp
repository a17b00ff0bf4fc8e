// What the conversion dialog opens with for a file list row.
#include "convert/ts2pes_prefill.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The table's paths use "/"; each system reads them with its own separator.
std::u16string Native(std::u16string path) {
    std::replace(path.begin(), path.end(), u'/', dz::platform::kSeparator);
    return path;
}

TEST(Ts2PesPrefill, RecordingRowsGiveThePartAndAnMpgBesideIt) {
    struct Case {
        const char* what;
        std::u16string folder, fileName, realFileName;
        std::u16string source, target;
    };
    const Case cases[] = {
        {"a recording: column 1 names part 1", u"/media/rec/REC", u"NEWS",
         u"NEWS_#001_200612241930.AVR", u"/media/rec/REC/NEWS_#001_200612241930.AVR",
         u"/media/rec/REC/NEWS_#001_200612241930.mpg"},
        {"a root folder gets no second separator", u"/", u"NEWS", u"NEWS_#001_200612241930.AVR",
         u"/NEWS_#001_200612241930.AVR", u"/NEWS_#001_200612241930.mpg"},
        {"a dot in the recording name is no extension of a plain file", u"/r", u"DR.WHO",
         u"DR.WHO_#001_200612241930.AVR", u"/r/DR.WHO_#001_200612241930.AVR",
         u"/r/DR.WHO_#001_200612241930.mpg"},
        {"a dot in the folder is left alone", u"/r.d", u"X", u"X", u"/r.d/X", u"/r.d/X.mpg"},
        {".mp3 is a plain file", u"/r", u"song.mp3", u"song.mp3", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto paths =
            dz::convert::ConversionPathsForRow(Native(c.folder), c.fileName, c.realFileName);
        EXPECT_EQ(paths.source, Native(c.source));
        EXPECT_EQ(paths.target, Native(c.target));
    }
}

} // namespace
