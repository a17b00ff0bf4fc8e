// Convert to AVI opens the conversion dialog with the recording selected in
// the focused list, seen through the real frame.
#include "dialog_test_support.h"
#include "support/main_frame_fixture.h"
#include "ui/app/MainFrame.h"
#include "ui/dialogs/Ts2PesDlg.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <wx/app.h>
#include <wx/textctrl.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

// Runs Convert to AVI as the menu does and reads the fields the dialog
// opened with, then closes it.
std::u16string ConvertCommand(CMainFrame& frame) {
    std::u16string fields = u"not shown";
    wxTheApp->CallAfter([&fields] {
        auto* dialog = FindModalDialog<CTs2PesDlg>();
        if (!dialog)
            return;
        const auto text = [dialog](int id) {
            return FromWx(static_cast<wxTextCtrl*>(dialog->FindWindow(id))->GetValue());
        };
        fields = text(IDC_SOURCE_EDIT) + u"|" + text(IDC_TARGET_EDIT);
        dialog->Close();
    });
    RunCommand(frame, dz::ID_CONVERT_TO_AVI);
    return fields;
}

TEST(Ts2PesPrefill, ConvertToAviTakesTheFocusedListsFirstSelectedRow) {
    TempDir disk;
    const fs::path top = disk / "TOP", bottom = disk / "BOTTOM";
    fs::create_directories(top);
    fs::create_directories(bottom);
    MakeRecording(top, {});
    MakeRecording(top, {.name = "ZOO"});
    WriteFile(top / "song.mp3", "mp3");
    MakeRecording(bottom, {.name = "RADIO", .parts = {134 + 1000}});
    WriteFile(bottom / "memo.MEM", "mem");
    MainFrameFixture m({disk.text()});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U16(top)));
    ASSERT_TRUE(m.Select(kBottomRow, U16(bottom)));
    const auto paths = [](const fs::path& folder, const std::string& name) {
        const std::string stem = (folder / (name + "_#001_200612241930")).string();
        return U16(stem + ".AVR|" + stem + ".mpg");
    };
    const struct {
        const char* what;
        int row;
        std::vector<std::string> selected;
        bool tree;
        std::u16string fields;
    } cases[] = {
        {"a recording in the top list",
         kTopRow,
         {"NEWS_#001_200612241930.AVR"},
         false,
         paths(top, "NEWS")},
        {"two rows: the higher one",
         kTopRow,
         {"ZOO_#001_200612241930.AVR", "NEWS_#001_200612241930.AVR"},
         false,
         u""},
        {"a recording in the bottom list",
         kBottomRow,
         {"RADIO_#001_200612241930.AVR"},
         false,
         paths(bottom, "RADIO")},
        {"a plain .mp3 row", kTopRow, {"song.mp3"}, false, u"|"},
        {"a plain .MEM row", kBottomRow, {"memo.MEM"}, false, u"|"},
        {"no selection", kTopRow, {}, false, u"|"},
        {"the focus on a tree", kTopRow, {"NEWS_#001_200612241930.AVR"}, true, u"|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(SelectFiles(m.fileView(c.row), c.selected));
        if (c.tree)
            m.tree(c.row).SetFocus();
        else
            m.fileView(c.row).m_wndList.SetFocus();
        std::u16string expected = c.fields;
        if (c.selected.size() == 2) { // the list keeps the folder's order
            wxListCtrl& list = m.fileView(kTopRow).m_wndList;
            const bool newsFirst = list.FindItem(-1, "NEWS") < list.FindItem(-1, "ZOO");
            expected = paths(top, newsFirst ? "NEWS" : "ZOO");
        }
        EXPECT_EQ(ConvertCommand(*m.frame()), expected);
    }
}

} // namespace
} // namespace dz::test
