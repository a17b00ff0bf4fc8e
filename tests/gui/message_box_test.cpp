#include "app/MessageBox.h"
#include "app/wx_text.h"
#include "common/messages.h"

#include <gtest/gtest.h>
#include <wx/msgdlg.h>

#include <vector>

TEST(MessageBox, HookCapturesBothBoxesWithTheirCaptionsAndStyles) {
    std::vector<MessageBoxCall> calls;
    SetMessageBoxHook([&](const MessageBoxCall& c) { calls.push_back(c); });
    ShowAppMessage(dz::msg::kNoFolder);
    ShowVivozirError(nullptr);
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, u"You did not select a folder");
    EXPECT_EQ(calls[0].caption, u"Dezadide");
    EXPECT_EQ(calls[0].style, wxOK | wxICON_EXCLAMATION);
    EXPECT_EQ(calls[1].text, u"Can't execute tovar Vivozir.");
    EXPECT_EQ(calls[1].caption, u"Error");
    EXPECT_EQ(calls[1].style & wxICON_MASK, wxICON_NONE);
}

TEST(WxText, RoundTripsNonAsciiNames) {
    const std::u16string s = u"Nachrichten \u00e4 \U0001F600";
    EXPECT_EQ(FromWx(ToWx(s)), s);
    EXPECT_EQ(ToWx(u"E:\\REC"), wxString("E:\\REC"));
}
