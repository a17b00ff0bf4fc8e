// "Input Name": the name as typed on OK, Cancel by button and by close box,
// and the 128-character limit both in the box and on OK.
#include "dialog_test_support.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/dialogs/InputNameDlg.h"

#include <wx/textctrl.h>

namespace dz::test {
namespace {

TEST(InputNameDialog, GivesTheNameAsTypedOnOkOnlyAndKeepsTo128Units) {
    std::vector<MessageBoxCall> boxes;
    TestStandIn().messageBox = [&](const MessageBoxCall& c) { boxes.push_back(c); };
    std::u16string wide; // 100 characters outside the basic plane: 200 units
    for (int i = 0; i < 100; ++i)
        wide += u"\U0001F600";
    const struct {
        const char* what;
        std::u16string typed;
        int press; // wxID_ANY: the close box
        int result;
        std::u16string name;
    } cases[] = {
        {"OK: exactly as typed", u" New \u00e4 folder ", wxID_OK, wxID_OK, u" New \u00e4 folder "},
        {"Cancel", u"x", wxID_CANCEL, wxID_CANCEL, u""},
        {"the close box", u"x", wxID_ANY, wxID_CANCEL, u""},
        {"the box takes 128 characters, not the 129th", std::u16string(129, u'n'), wxID_OK, wxID_OK,
         std::u16string(128, u'n')},
        // Fits the box but not the name: refused with a message, the dialog
        // stays, and a shorter name then goes through.
        {"200 units", wide, wxID_OK, wxID_OK, u"short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        CInputNameDlg dialog;
        EXPECT_EQ(dialog.GetTitle(), "Input Name");
        EXPECT_EQ(dialog.GetNameBox()->GetHint(), "Name") << "the box says what it is for";
        bool stillOpen = false;
        dialog.CallAfter([&] {
            // Typed in two goes: the box stops taking characters at 128.
            dialog.GetNameBox()->WriteText(ToWx(c.typed.substr(0, 128)));
            dialog.GetNameBox()->WriteText(
                ToWx(c.typed.substr(std::min<size_t>(128, c.typed.size()))));
            if (c.press == wxID_ANY)
                dialog.Close();
            else
                PostButton(dialog, c.press);
            dialog.CallAfter([&] {
                if (!(stillOpen = dialog.IsModal()))
                    return;
                dialog.GetNameBox()->ChangeValue("short");
                PostButton(dialog, wxID_OK);
            });
        });
        EXPECT_EQ(RunModal(dialog), c.result);
        if (c.result == wxID_OK) {
            EXPECT_EQ(dialog.m_strName, c.name);
        }
        EXPECT_EQ(stillOpen, c.typed == wide);
        EXPECT_EQ(boxes.size(), c.typed == wide ? 1u : 0u);
    }
    TestStandIn().messageBox = nullptr;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Please enter no more than 128 characters.");
    EXPECT_EQ(boxes[0].caption, u"Dezadide");
}

} // namespace
} // namespace dz::test
