// Convert to AVI opens the conversion dialog with the recording selected in
// the focused list: the rule on its own, then through the real frame.
#include "app/MainFrame.h"
#include "app/wx_text.h"
#include "convert/Ts2PesDlg.h"
#include "convert/ts2pes_prefill.h"
#include "dialog_test_support.h"
#include "panes/FileView.h"
#include "panes/FolderView.h"
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/textctrl.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

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
        const auto paths = convert::ConversionPathsForRow(c.folder, c.fileName, c.realFileName);
        EXPECT_EQ(paths.source, c.source);
        EXPECT_EQ(paths.target, c.target);
    }
}

struct Fields {
    bool shown = false;
    std::u16string source, target;
};

// Runs Convert to AVI as the menu does and reads the fields the dialog
// opened with, then closes it.
Fields ConvertCommand(CMainFrame& frame) {
    Fields fields;
    wxTheApp->CallAfter([&fields] {
        auto* dialog = dynamic_cast<CTs2PesDlg*>(wxWindow::FindWindowById(IDD_TS2PES));
        if (!dialog)
            return;
        fields.shown = dialog->IsModal();
        fields.source =
            FromWx(static_cast<wxTextCtrl*>(dialog->FindWindow(IDC_SOURCE_EDIT))->GetValue());
        fields.target =
            FromWx(static_cast<wxTextCtrl*>(dialog->FindWindow(IDC_TARGET_EDIT))->GetValue());
        dialog->Close();
    });
    Watchdog watchdog(std::chrono::seconds(30), "Convert to AVI");
    wxCommandEvent command(wxEVT_MENU, ID_CONVERT_TO_AVI);
    frame.ProcessWindowEvent(command);
    return fields;
}

void SelectOnly(CFileView& view, const std::vector<wxString>& names) {
    wxListCtrl& list = view.m_wndList;
    for (long i = 0; i < list.GetItemCount(); ++i)
        list.SetItemState(i, 0, wxLIST_STATE_SELECTED);
    for (const wxString& name : names) {
        const long item = list.FindItem(-1, name);
        ASSERT_NE(item, -1) << name;
        list.SetItemState(item, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
}

TEST(Ts2PesPrefill, ConvertToAviTakesTheFocusedListsFirstSelectedRow) {
    TempDir disk;
    const fs::path top = disk / "TOP", bottom = disk / "BOTTOM";
    fs::create_directories(top);
    fs::create_directories(bottom);
    TestRecording news;
    news.Make(top);
    TestRecording later;
    later.base = "ZOO_#001_200701010000";
    later.Make(top);
    WriteFile(top / "song.mp3", "mp3");
    TestRecording radio;
    radio.base = "RADIO_#001_200612241930";
    radio.partSizes = {134 + 1000};
    radio.Make(bottom);
    WriteFile(bottom / "memo.MEM", "mem");

    MainFrameFixture m({disk.text()});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U16(top)));
    ASSERT_TRUE(m.Select(kBottomRow, U16(bottom)));
    CFileView& topList = m.fileView(kTopRow);
    CFileView& bottomList = m.fileView(kBottomRow);
    const std::u16string newsPart = U16(top / "NEWS_#001_200612241930.AVR");
    const std::u16string newsTarget = U16(top / "NEWS_#001_200612241930.mpg");

    SelectOnly(topList, {"NEWS"});
    topList.m_wndList.SetFocus();
    Fields f = ConvertCommand(*m.frame());
    EXPECT_TRUE(f.shown);
    EXPECT_EQ(f.source, newsPart);
    EXPECT_EQ(f.target, newsTarget);

    // With two rows selected the one higher in the list counts.
    SelectOnly(topList, {"NEWS", "ZOO"});
    topList.m_wndList.SetFocus();
    const bool newsFirst =
        topList.m_wndList.FindItem(-1, "NEWS") < topList.m_wndList.FindItem(-1, "ZOO");
    f = ConvertCommand(*m.frame());
    EXPECT_EQ(f.source, newsFirst ? newsPart : U16(top / "ZOO_#001_200701010000.AVR"));

    SelectOnly(bottomList, {"RADIO"});
    bottomList.m_wndList.SetFocus();
    f = ConvertCommand(*m.frame());
    EXPECT_EQ(f.source, U16(bottom / "RADIO_#001_200612241930.AVR"));
    EXPECT_EQ(f.target, U16(bottom / "RADIO_#001_200612241930.mpg"));

    struct Empty {
        const char* what;
        std::function<void()> arrange;
    };
    const Empty empties[] = {
        {"a plain .mp3 row",
         [&] { SelectOnly(topList, {"song.mp3"}), topList.m_wndList.SetFocus(); }},
        {"a plain .MEM row",
         [&] { SelectOnly(bottomList, {"memo.MEM"}), bottomList.m_wndList.SetFocus(); }},
        {"no selection", [&] { SelectOnly(topList, {}), topList.m_wndList.SetFocus(); }},
        {"the focus on a tree", [&] { SelectOnly(topList, {"NEWS"}), m.tree(kTopRow).SetFocus(); }},
    };
    for (const Empty& e : empties) {
        SCOPED_TRACE(e.what);
        e.arrange();
        f = ConvertCommand(*m.frame());
        EXPECT_TRUE(f.shown);
        EXPECT_EQ(f.source, u"");
        EXPECT_EQ(f.target, u"");
    }
}

} // namespace
} // namespace dz::test
