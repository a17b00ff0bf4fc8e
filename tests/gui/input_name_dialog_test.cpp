// "Input Name": the name as typed on OK, Cancel by button and by close box,
// and the 128-character limit both in the box and on OK.
#include "app/MessageBox.h"
#include "app/wx_text.h"
#include "dialog_test_support.h"
#include "transfer/InputNameDlg.h"

#include <wx/textctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace dz::test {
namespace {

class InputNameDialog : public ::testing::Test {
protected:
    std::vector<MessageBoxCall> boxes;
    void SetUp() override {
        SetMessageBoxHook([this](const MessageBoxCall& c) { boxes.push_back(c); });
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }
};

// Runs the dialog; act runs inside the modal run.
int RunWith(CInputNameDlg& dialog, std::function<void()> act) {
    dialog.CallAfter(std::move(act));
    return RunModal(dialog);
}

TEST_F(InputNameDialog, OkGivesTheNameExactlyAsTypedCancelAndCloseGiveCancel) {
    {
        CInputNameDlg dialog;
        EXPECT_EQ(dialog.GetTitle(), "Input Name");
        EXPECT_TRUE(dialog.m_strName.empty());
        const int result = RunWith(dialog, [&] {
            dialog.GetNameBox()->WriteText(ToWx(u" New \u00e4 folder "));
            PostButton(dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(dialog.m_strName, u" New \u00e4 folder ");
    }
    for (bool byCloseBox : {false, true}) {
        CInputNameDlg dialog;
        const int result = RunWith(dialog, [&] {
            dialog.GetNameBox()->WriteText("x");
            if (byCloseBox)
                dialog.Close();
            else
                PostButton(dialog, wxID_CANCEL);
        });
        EXPECT_EQ(result, wxID_CANCEL);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(InputNameDialog, TheBoxTakes128CharactersAndOkRefusesMore) {
    {
        CInputNameDlg dialog;
        const int result = RunWith(dialog, [&] {
            dialog.GetNameBox()->WriteText(std::string(128, 'n'));
            dialog.GetNameBox()->WriteText("x"); // the 129th does not get in
            PostButton(dialog, wxID_OK);
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(dialog.m_strName, std::u16string(128, u'n'));
        EXPECT_TRUE(boxes.empty());
    }
    // Characters outside the basic plane take two units each: 100 of them
    // fit the box but not the name's 128 units.
    CInputNameDlg dialog;
    std::u16string wide;
    for (int i = 0; i < 100; ++i)
        wide += u"\U0001F600";
    bool stillOpen = false;
    const int result = RunWith(dialog, [&] {
        dialog.GetNameBox()->WriteText(ToWx(wide));
        PostButton(dialog, wxID_OK);
        dialog.CallAfter([&] {
            stillOpen = dialog.IsModal();
            dialog.GetNameBox()->ChangeValue("short");
            PostButton(dialog, wxID_OK);
        });
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(dialog.m_strName, u"short");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Please enter no more than 128 characters.");
    EXPECT_EQ(boxes[0].caption, u"Dezadide");
}

} // namespace
} // namespace dz::test
