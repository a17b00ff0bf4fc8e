// The about box: its title, its lines (the licence among them) and OK, which ends it.
#include "common/text.h"
#include "dialog_test_support.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/wx_text.h"

#include <wx/button.h>
#include <wx/stattext.h>

namespace dz::test {
namespace {

std::vector<std::u16string> Lines(wxWindow& box) {
    std::vector<std::u16string> lines;
    for (wxWindow* child : box.GetChildren())
        if (auto* text = dynamic_cast<wxStaticText*>(child))
            lines.push_back(FromWx(text->GetLabelText()));
    return lines;
}

TEST(AboutBox, NamesTheProgramAndEndsWithOk) {
    CAboutDlg box(nullptr);
    EXPECT_EQ(box.GetTitle(), "About Dezadide");
    const std::vector<std::u16string> lines = Lines(box);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind(u"Dezadide Version ", 0), 0u) << dz::ToUtf8(lines[0]);
    EXPECT_GT(lines[0].size(), std::u16string_view(u"Dezadide Version ").size());
    EXPECT_EQ(lines[1], u"Recorder disk file manager");
    EXPECT_EQ(lines[2], u"Free software: GNU GPL version 2 or later");
    // Every line shows whole in the place the box gives it.
    for (wxWindow* child : box.GetChildren()) {
        if (auto* text = dynamic_cast<wxStaticText*>(child)) {
            EXPECT_LE(text->GetTextExtent(text->GetLabelText()).x, text->GetSize().x)
                << dz::ToUtf8(FromWx(text->GetLabelText()));
        }
    }
    auto* ok = dynamic_cast<wxButton*>(box.FindWindow(wxID_OK));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetLabel(), "OK");
    EXPECT_EQ(box.GetDefaultItem(), ok);

    box.CallAfter([&box] { Press(box, wxID_OK); });
    EXPECT_EQ(RunModal(box), wxID_OK);
}

} // namespace
} // namespace dz::test
