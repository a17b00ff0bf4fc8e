// Keys and the mouse reach the real frame as a user's would (XTest):
// F6 and Shift+F6 move between the panes; Delete is bound to no command.
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/app/MainFrame.h"
#include "ui/app/PaneSplitter.h"
#include "ui/app/resource.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/panes/PaneMark.h"

#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::TempDir;

namespace {

// Without a window manager the keyboard follows the pointer: it is put
// over the frame and a click gives the frame the focus. Waits until the
// frame sees that pane focused.
void Point(wxUIActionSimulator& sim, CMainFrame& frame, wxWindow& window, FocusedPane pane) {
    sim.MouseMove(window.GetScreenRect().GetPosition() + wxPoint(40, 40));
    sim.MouseClick();
    dz::test::PumpUntil([&] { return frame.GetFocusedPane() == pane; }, std::chrono::seconds(3));
}

// Presses a key and waits until what it should cause has happened.
bool PressUntil(wxUIActionSimulator& sim, int key, int modifiers,
                const std::function<bool()>& happened) {
    sim.Char(key, modifiers);
    return dz::test::PumpUntil(happened, std::chrono::seconds(3));
}

// Presses a key and waits until the focus is where it should then be.
FocusedPane PressFor(wxUIActionSimulator& sim, CMainFrame& frame, int key, int modifiers,
                     FocusedPane expected) {
    sim.Char(key, modifiers);
    dz::test::PumpUntil([&] { return frame.GetFocusedPane() == expected; },
                        std::chrono::seconds(3));
    return frame.GetFocusedPane();
}

} // namespace

TEST(Keyboard, F6CyclesThePanesAndTheDeleteKeyDeletes) {
    TempDir disk;
    fs::create_directories(disk / "A");
    dz::test::WriteFile(disk / "A" / "a.mp3", "a");
    MainFrameFixture m({disk.path().u16string()});
    ASSERT_TRUE(m.frame());
    CMainFrame& frame = *m.frame();
    ASSERT_TRUE(m.Select(kTopRow, (disk / "A").u16string()));

    // Every command of the menu and the toolbar is counted, and then runs:
    // only the Delete key may reach one.
    int commands = 0;
    for (int id : {dz::ID_NEW_FOLDER, dz::ID_COPY_TOP_TO_BOTTOM, dz::ID_COPY_BOTTOM_TO_TOP,
                   dz::ID_DELETE_FILES, dz::ID_CONVERT_TO_AVI, dz::ID_MOVE_TOP_TO_BOTTOM,
                   dz::ID_MOVE_BOTTOM_TO_TOP, dz::ID_CONVERT_TO_MP3})
        frame.Bind(
            wxEVT_MENU,
            [&](wxCommandEvent& e) {
                ++commands;
                e.Skip();
            },
            id);

    wxUIActionSimulator sim;
    Point(sim, frame, m.fileView(kTopRow).m_wndList, FocusedPane::TopList);
    ASSERT_EQ(frame.GetFocusedPane(), FocusedPane::TopList);
    ASSERT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 1);
    m.fileView(kTopRow).m_wndList.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);

    // The window tests confirm every Delete.
    EXPECT_TRUE(PressUntil(sim, WXK_DELETE, wxMOD_NONE, [&] {
        return commands == 1 && !fs::exists(disk / "A" / "a.mp3");
    })) << "the Delete key runs Delete";
    EXPECT_EQ(commands, 1);
    using F = FocusedPane;
    for (auto [modifiers, pane] : {std::pair{wxMOD_NONE, F::BottomTree},
                                   {wxMOD_NONE, F::BottomList},
                                   {wxMOD_NONE, F::TopTree},
                                   {wxMOD_SHIFT, F::BottomList}})
        EXPECT_EQ(PressFor(sim, frame, WXK_F6, modifiers, pane), pane);
    // Paste: taken, and nothing happens. Keys are handled in turn, so once
    // the F6 after it has moved the focus, the paste has had its turn.
    sim.Char(WXK_INSERT, wxMOD_SHIFT);
    EXPECT_EQ(PressFor(sim, frame, WXK_F6, wxMOD_NONE, F::TopTree), F::TopTree);
    EXPECT_EQ(commands, 1);
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 0);
}

TEST(Mouse, DraggingTheBarsMovesBothRowsAndTheControlsFillTheirPanes) {
    TempDir disk;
    MainFrameFixture m({disk.path().u16string()}, wxSize(900, 600));
    ASSERT_TRUE(m.frame());
    CMainFrame& frame = *m.frame();
    CFolderView& top = *frame.Row(kTopRow).folderView;
    CFolderView& bottom = *frame.Row(kBottomRow).folderView;
    ASSERT_EQ(top.GetSize().x, 300);

    // Grab the crossing of the two bars and pull it down and to the left.
    const wxPoint cross = top.GetScreenRect().GetBottomRight() + wxPoint(3, 3);
    wxUIActionSimulator sim;
    // Each step waits for the bars to have taken the one before.
    const CPaneSplitter& bars = *frame.GetSplitter();
    sim.MouseMove(cross);
    sim.MouseDown();
    ASSERT_TRUE(dz::test::PumpUntil([&] { return bars.HasCapture(); }));
    sim.MouseMove(cross + wxPoint(-100, 40));
    ASSERT_TRUE(dz::test::PumpUntil([&] { return top.GetSize().x == 200; }));
    sim.MouseUp();
    ASSERT_TRUE(dz::test::PumpUntil([&] { return !bars.HasCapture(); }));
    dz::test::PumpEvents();

    EXPECT_EQ(top.GetSize(), wxSize(200, 320));
    EXPECT_EQ(bottom.GetSize().x, 200) << "the rows keep their columns aligned";
    EXPECT_EQ(frame.Row(kTopRow).fileView->GetPosition().x,
              frame.Row(kBottomRow).fileView->GetPosition().x);
    // Each control fills its pane inside the frame that marks the active one.
    const wxSize mark(2 * kPaneMarkWidth, 2 * kPaneMarkWidth);
    EXPECT_EQ(top.m_wndTree.GetSize(), top.GetClientSize() - mark);
    CFileView& list = *frame.Row(kBottomRow).fileView;
    EXPECT_EQ(list.PathField().GetSize().x, list.GetClientSize().x - mark.x);
    EXPECT_EQ(list.m_wndList.GetSize(),
              list.GetClientSize() - mark - wxSize(0, list.PathField().GetSize().y));
}

TEST(Mouse, MenuAndToolbarLeaveTheFocusOnThePaneTheCommandActsOn) {
    TempDir disk;
    MainFrameFixture m({disk.path().u16string()});
    ASSERT_TRUE(m.frame());
    CMainFrame& frame = *m.frame();
    FocusedPane atMenuOpen = FocusedPane::None, atCommand = FocusedPane::None;
    bool menuClosed = false;
    frame.Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& e) {
        atMenuOpen = frame.GetFocusedPane();
        e.Skip();
    });
    frame.Bind(wxEVT_MENU_CLOSE, [&](wxMenuEvent& e) {
        menuClosed = true;
        e.Skip();
    });
    // Caught here, before the command itself would ask for a name.
    frame.Bind(
        wxEVT_MENU, [&](wxCommandEvent&) { atCommand = frame.GetFocusedPane(); },
        dz::ID_NEW_FOLDER);

    wxUIActionSimulator sim;
    Point(sim, frame, m.tree(kBottomRow), FocusedPane::BottomTree);
    ASSERT_EQ(frame.GetFocusedPane(), FocusedPane::BottomTree);
    sim.MouseMove(frame.GetScreenRect().GetPosition() + wxPoint(18, 12)); // "File"
    sim.MouseClick();
    ASSERT_TRUE(dz::test::PumpUntil([&] { return atMenuOpen != FocusedPane::None; },
                                    std::chrono::seconds(3)));
    EXPECT_EQ(atMenuOpen, FocusedPane::BottomTree);
    EXPECT_TRUE(frame.GetMenuBar()->GetMenu(0)->IsEnabled(dz::ID_NEW_FOLDER));
    EXPECT_TRUE(PressUntil(sim, WXK_ESCAPE, wxMOD_NONE, [&] { return menuClosed; }));

    const wxRect tools = frame.GetToolBar()->GetScreenRect();
    sim.MouseMove(tools.GetPosition() + wxPoint(30, tools.height / 2)); // New Folder
    sim.MouseClick();
    ASSERT_TRUE(dz::test::PumpUntil([&] { return atCommand != FocusedPane::None; },
                                    std::chrono::seconds(3)));
    EXPECT_EQ(atCommand, FocusedPane::BottomTree);
}
