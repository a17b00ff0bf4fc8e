// The real main frame: its panes, menu, toolbar, documents and keys.
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/UserStandIn.h"
#include "ui/app/DezadideApp.h"
#include "ui/app/DezadideDoc.h"
#include "ui/app/ImageToolBar.h"
#include "ui/app/MainFrame.h"
#include "ui/app/PaneSplitter.h"
#include "ui/app/Resources.h"
#include "ui/app/resource.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

#include <gtest/gtest.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::TempDir;
using dz::test::U;

namespace {

struct CaptureLog : wxLog {
    wxString text;
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override { text += msg; }
};

} // namespace

TEST(MainFrame, PanesInTheirOrderSplitFromTheClientArea) {
    TempDir disk;
    MainFrameFixture m({U(disk.path())}, wxSize(900, 600));
    ASSERT_TRUE(m.frame());
    CMainFrame& frame = *m.frame();
    EXPECT_EQ(frame.GetTitle(), "Dezadide");
    ASSERT_EQ(frame.GetCreationClientSize(), wxSize(900, 600));
    CPaneSplitter& splitter = *frame.GetSplitter();
    EXPECT_EQ(splitter.GetPane(0, 0), frame.Row(kTopRow).folderView);
    EXPECT_EQ(splitter.GetPane(0, 1), frame.Row(kTopRow).fileView);
    EXPECT_EQ(splitter.GetPane(1, 0), frame.Row(kBottomRow).folderView);
    EXPECT_EQ(splitter.GetPane(1, 1), frame.Row(kBottomRow).fileView);
    EXPECT_EQ(frame.Row(kTopRow).folderView->GetSize(), wxSize(300, 280));
    EXPECT_EQ(frame.Row(kTopRow).fileView->GetSize().y, 280);
    EXPECT_EQ(frame.Row(kBottomRow).folderView->GetSize().x, 300);
    // Both rows share the column bar.
    EXPECT_EQ(frame.Row(kTopRow).fileView->GetPosition().x,
              frame.Row(kBottomRow).fileView->GetPosition().x);
    // The last column and row take the rest of the splitter.
    const wxSize area = splitter.GetClientSize();
    const wxRect bottomList = frame.Row(kBottomRow).fileView->GetRect();
    EXPECT_EQ(bottomList.GetRight() + 1, area.x);
    EXPECT_EQ(bottomList.GetBottom() + 1, area.y);
    // The status bar lies below the client area the panes were split from.
    ASSERT_NE(frame.GetStatusBar(), nullptr);
    EXPECT_GE(frame.GetStatusBar()->GetPosition().y, splitter.GetRect().GetBottom());

    // The columns of the lists were sized once, from the list pane's width.
    const wxListCtrl& list = frame.Row(kTopRow).fileView->m_wndList;
    const int w = frame.Row(kTopRow).fileView->ListWidth();
    ASSERT_EQ(list.GetColumnCount(), 5);
    const int rest = w - 5 * (w / 10);
    EXPECT_EQ(list.GetColumnWidth(0), 5 * (w / 10));
    EXPECT_EQ(list.GetColumnWidth(1), 0);
    EXPECT_EQ(list.GetColumnWidth(2), rest / 4);
    EXPECT_EQ(list.GetColumnWidth(3), rest / 2);
    EXPECT_EQ(list.GetColumnWidth(4), rest / 4);
    wxListItem lengthHeader;
    lengthHeader.SetMask(wxLIST_MASK_TEXT);
    ASSERT_TRUE(list.GetColumn(4, lengthHeader));
    EXPECT_EQ(lengthHeader.GetText(), "Length");

    // A new document runs the initial update again; no second set of columns.
    wxCommandEvent newDocument(wxEVT_MENU, wxID_NEW);
    frame.GetEventHandler()->ProcessEvent(newDocument);
    dz::test::PumpEvents();
    EXPECT_EQ(list.GetColumnCount(), 5);
    EXPECT_EQ(frame.GetTitle(), "Dezadide");
}

TEST(MainFrame, ToolbarButtonsTipsAndTheToolbarSwitch) {
    TempDir disk;
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    CImageToolBar& bar = *m.frame()->GetImageToolBar();
    EXPECT_EQ(m.frame()->GetToolBar(), &bar);
    EXPECT_EQ(bar.GetId(), dz::ID_VIEW_TOOLBAR);
    // The buttons from the left; 0 for a separator.
    const int layout[] = {dz::ID_NEW_FOLDER,
                          0,
                          dz::ID_COPY_TOP_TO_BOTTOM,
                          dz::ID_COPY_BOTTOM_TO_TOP,
                          0,
                          dz::ID_MOVE_TOP_TO_BOTTOM,
                          dz::ID_MOVE_BOTTOM_TO_TOP,
                          0,
                          dz::ID_DELETE_FILES,
                          0,
                          dz::ID_CONVERT_TO_AVI,
                          dz::ID_CONVERT_TO_MP3};
    ASSERT_EQ(bar.GetToolsCount(), std::size(layout));
    for (size_t i = 0; i < std::size(layout); ++i) {
        const wxToolBarToolBase* tool = bar.GetToolByPos(static_cast<int>(i));
        if (layout[i] == 0) {
            EXPECT_TRUE(tool->IsSeparator()) << i;
            continue;
        }
        EXPECT_EQ(tool->GetId(), layout[i]);
        EXPECT_EQ(tool->GetNormalBitmap().GetSize(), wxSize(64, 42));
    }
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_NEW_FOLDER), "Create New Folder");
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_COPY_TOP_TO_BOTTOM), "Copy files from Top to Bottom");
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_COPY_BOTTOM_TO_TOP), "Copy files from Bottom to Top");
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_MOVE_TOP_TO_BOTTOM), "Move files from Top to Bottom");
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_MOVE_BOTTOM_TO_TOP), "Move files from Bottom to Top");
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_DELETE_FILES), "Delete files");
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_CONVERT_TO_AVI), "Tool for Converting AVR to AVI");
    EXPECT_EQ(bar.GetToolShortHelp(dz::ID_CONVERT_TO_MP3), "");
    ASSERT_NE(bar.GetToolImageList(ToolImageList::Hot), nullptr);
    EXPECT_EQ(bar.GetToolImageList(ToolImageList::Disabled)->GetImageCount(), 8);

    // The button under the pointer shows its hot picture, until it is left.
    const auto picture = [&] {
        const wxImage image =
            bar.FindById(dz::ID_CONVERT_TO_AVI)->GetNormalBitmap().ConvertToImage();
        return std::string(reinterpret_cast<const char*>(image.GetData()), 64 * 42 * 3);
    };
    bar.EnableTool(dz::ID_CONVERT_TO_AVI, true);
    const std::string normal = picture();
    bar.OnMouseEnter(dz::ID_CONVERT_TO_AVI);
    EXPECT_NE(picture(), normal);
    bar.OnMouseEnter(wxID_ANY);
    EXPECT_EQ(picture(), normal);

    // Docked on each side in turn: the panes make room for it.
    CPaneSplitter& splitter = *m.frame()->GetSplitter();
    for (long side : {wxTB_LEFT, wxTB_BOTTOM, wxTB_RIGHT, wxTB_TOP}) {
        m.frame()->DockToolBar(side);
        EXPECT_EQ(bar.GetDirection(), side);
        EXPECT_TRUE(dz::test::PumpUntil(
            [&] { return !splitter.GetScreenRect().Intersects(bar.GetScreenRect()); },
            std::chrono::seconds(3)))
            << side;
    }

    wxCommandEvent toggle(wxEVT_MENU, dz::ID_VIEW_TOOLBAR);
    m.frame()->GetEventHandler()->ProcessEvent(toggle);
    EXPECT_FALSE(bar.IsShown());
    m.frame()->GetEventHandler()->ProcessEvent(toggle);
    EXPECT_TRUE(bar.IsShown());
}

TEST(MainFrame, MenuBarItemsSeparatorsKeysAndCheckItems) {
    TempDir disk;
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    // Each menu as one text: items with their keys, "-" for a separator,
    // "[ ]" before a check item.
    const auto layout = [](const wxMenu& menu) {
        std::string text;
        for (const wxMenuItem* item : menu.GetMenuItems()) {
            if (!text.empty())
                text += " | ";
            if (item->IsSeparator()) {
                text += "-";
                continue;
            }
            if (item->IsCheckable())
                text += "[ ] ";
            text += item->GetItemLabel().utf8_string();
        }
        return text;
    };
    const std::pair<const char*, const char*> expected[] = {
        {"&File", "&New Folder\tF7 | - | Copy from &Top to Bottom | Copy from &Bottom to Top | - | "
                  "Move from To&p to Bottom | Move from B&ottom to Top | - | &Delete\tDel | "
                  "&Rename\tF2 | - | &Play\tEnter | - | E&xit"},
        {"&Tool", "Convert to &AVI | Convert to MP3 | - | &Check Folder..."},
        {"&View", "[ ] &Toolbar | [ ] &Details Pane | - | Select &All\tCtrl+A | &Refresh\tF5 | - | "
                  "&Next Pane\tF6 | "
                  "Pre&vious Pane\tShift+F6"},
        {"&Options", "[ ] Ask &Before Deleting | [ ] &Verify After Copy"},
        {"&Help", "&About Dezadide..."},
    };
    const wxMenuBar& bar = *m.frame()->GetMenuBar();
    ASSERT_EQ(bar.GetMenuCount(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(bar.GetMenuLabel(i), expected[i].first);
        EXPECT_EQ(layout(*bar.GetMenu(i)), expected[i].second) << expected[i].first;
    }
}

TEST(MainFrame, FolderSelectionRefreshesOnlyItsOwnRowAfterThePostedMessage) {
    TempDir disk;
    fs::create_directories(disk / "A");
    fs::create_directories(disk / "B");
    dz::test::WriteFile(disk / "A" / "a.mp3", "a");
    dz::test::WriteFile(disk / "B" / "b.mem", "b");
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());

    // The path is stored at once; the list waits for the posted message.
    ASSERT_TRUE(m.tree(kTopRow).SelectPath(U(disk.path() / "A")));
    EXPECT_EQ(m.folderView(kTopRow).m_strPath, U(disk.path() / "A"));
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 0);
    dz::test::PumpEvents();
    ASSERT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 1);
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemText(0), "a.mp3");
    EXPECT_EQ(m.fileView(kBottomRow).m_wndList.GetItemCount(), 0);

    m.fileView(kTopRow).m_wndList.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(m.Select(kBottomRow, U(disk.path() / "B")));
    EXPECT_EQ(m.fileView(kBottomRow).m_wndList.GetItemText(0), "b.mem");
    EXPECT_TRUE(m.fileView(kTopRow).HasSelection()) << "the other row is left alone";
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemText(0), "a.mp3");
}

TEST(MainFrame, ADocumentOnTheCommandLineIsOpenedUnreadOrEndsTheStart) {
    TempDir disk;
    dz::test::WriteFile(disk / "any.dat", "not read");
    CaptureLog capture;
    wxLog* previous = wxLog::SetActiveTarget(&capture);
    for (const char* name : {"any.dat", "missing.dat"}) {
        MainFrameFixture m({U(disk.path())}, wxSize(900, 600), wxString((disk / name).string()));
        if (m.frame()) {
            EXPECT_EQ(m.frame()->GetTitle(), "Dezadide") << "never a document name";
        }
        EXPECT_EQ(m.frame() == nullptr, name[0] == 'm') << name;
        if (!m.frame()) // the failed frame is gone before its documents
            dz::test::PumpUntil([] { return wxTopLevelWindows.empty(); });
    }
    wxLog::SetActiveTarget(previous);
    EXPECT_TRUE(capture.text.Contains("missing.dat")) << capture.text;
}

// The program carries its pictures: with no folder set, every strip and
// every icon size comes from inside the program, equal to the files in res/.
TEST(ImageToolBar, PicturesAreCarriedByTheProgram) {
    ASSERT_TRUE(TestStandIn().resourceFolder.empty());
    wxInitAllImageHandlers();
    const struct {
        int id;
        const char* file;
    } strips[] = {{IDR_MAINFRAME, "toolbar.bmp"},
                  {IDB_TOOLBAR_NORMAL, "toolbar_normal.bmp"},
                  {IDB_TOOLBAR_HOT, "toolbar_hot.bmp"},
                  {IDB_TOOLBAR_DISABLED, "toolbar_disabled.bmp"}};
    for (const auto& s : strips) {
        const wxBitmap carried = LoadBitmapResource(s.id);
        ASSERT_TRUE(carried.IsOk()) << s.file;
        const wxImage expected((fs::path(DEZADIDE_SOURCE_RES) / s.file).string(),
                               wxBITMAP_TYPE_BMP);
        const wxImage image = carried.ConvertToImage();
        ASSERT_EQ(image.GetSize(), expected.GetSize()) << s.file;
        EXPECT_EQ(0, memcmp(image.GetData(), expected.GetData(),
                            size_t(image.GetWidth()) * image.GetHeight() * 3))
            << s.file;
    }
    EXPECT_FALSE(LoadBitmapResource(999).IsOk());
    const wxIconBundle icons = LoadIconResource(IDR_MAINFRAME);
    ASSERT_EQ(icons.GetIconCount(), 5u);
    for (int size : {16, 32, 48, 64, 128})
        EXPECT_EQ(icons.GetIcon(wxSize(size, size), 0).GetWidth(), size);
    EXPECT_TRUE(LoadIconResource(IDB_TOOLBAR_HOT).IsEmpty());
}

TEST(ImageToolBar, ImageListsFollowTheirFailureRules) {
    TempDir res;
    const auto copy = [&](const char* from, const char* to) {
        fs::copy_file(fs::path(DEZADIDE_SOURCE_RES) / from, res / to);
    };
    copy("toolbar.bmp", "toolbar.bmp");
    copy("toolbar_normal.bmp", "toolbar_normal.bmp");
    // The hot strip is missing; the disabled one is only 500 pixels wide.
    wxImage narrow(500, 42);
    narrow.SetRGB(wxRect(0, 0, 500, 42), 192, 192, 192);
    narrow.SaveFile(wxString((res / "toolbar_disabled.bmp").string()), wxBITMAP_TYPE_BMP);
    TestStandIn().resourceFolder = wxString(res.path().string());

    auto* host = new wxFrame(nullptr, wxID_ANY, "host"); // destroys itself
    auto* bar = new CImageToolBar;
    ASSERT_TRUE(bar->Create(host, wxID_ANY, wxTB_FLAT));
    ASSERT_TRUE(bar->LoadToolBar(IDR_MAINFRAME));

    EXPECT_FALSE(bar->LoadImageLists(64, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_HOT, 0))
        << "a hot strip that cannot be loaded fails the whole";
    EXPECT_NE(bar->GetToolImageList(ToolImageList::Normal), nullptr) << "normal is kept";
    EXPECT_EQ(bar->GetToolImageList(ToolImageList::Hot), nullptr);

    EXPECT_FALSE(bar->SetImageListFromBitmap(ToolImageList::Normal, 999, 64)) << "unknown id";
    EXPECT_FALSE(bar->SetImageListFromBitmap(ToolImageList::Normal, IDB_TOOLBAR_NORMAL, 0))
        << "a button width of 0 cuts nothing";
    EXPECT_FALSE(bar->SetImageListFromBitmap(ToolImageList::Normal, IDB_TOOLBAR_NORMAL, 600))
        << "a strip narrower than one button";

    ASSERT_TRUE(bar->SetImageListFromBitmap(ToolImageList::Disabled, IDB_TOOLBAR_DISABLED, 64));
    EXPECT_EQ(bar->GetToolImageList(ToolImageList::Disabled)->GetImageCount(), 7);

    // The lower-left pixel is the transparent colour of every picture.
    const wxBitmap first = bar->GetToolImageList(ToolImageList::Normal)->GetBitmap(0);
    ASSERT_NE(first.GetMask(), nullptr);
    const wxImage picture = first.ConvertToImage();
    EXPECT_TRUE(picture.IsTransparent(0, 41));
    EXPECT_FALSE(picture.IsTransparent(32, 21)) << "the picture itself is drawn";

    TestStandIn().resourceFolder.clear();
    host->Destroy();
    dz::test::PumpUntil([] { return wxTopLevelWindows.empty(); });
}
