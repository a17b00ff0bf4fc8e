#include "ui/wx_text.h"

#include <gtest/gtest.h>

TEST(WxText, RoundTripsNonAsciiNames) {
    const std::u16string s = u"Nachrichten \u00e4 \U0001F600";
    EXPECT_EQ(FromWx(ToWx(s)), s);
    EXPECT_EQ(ToWx(u"E:\\REC"), wxString("E:\\REC"));
}
