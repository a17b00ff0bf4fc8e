// The enable rules as the real toolbar and menu show them, following focus,
// folders and selections.
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/app/ImageToolBar.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

#include <gtest/gtest.h>
#include <wx/menu.h>

#include <filesystem>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::TempDir;
using dz::test::U;

namespace {

struct Enabled {
    bool newFolder, copyDown, copyUp, del;
    bool operator==(const Enabled&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Enabled& e) {
    return os << "new " << e.newFolder << " down " << e.copyDown << " up " << e.copyUp << " del "
              << e.del;
}

// What the toolbar shows after an update (new folder, copy down, copy up,
// delete), checked against the File menu. The rules themselves are checked
// without a window; this shows the real toolbar and menu follow them.
Enabled Toolbar(CMainFrame& frame) {
    CImageToolBar& bar = *frame.GetImageToolBar();
    bar.UpdateWindowUI();
    wxMenu* file = frame.GetMenuBar()->GetMenu(0);
    file->UpdateUI();
    for (int id : {dz::ID_NEW_FOLDER, dz::ID_COPY_TOP_TO_BOTTOM, dz::ID_COPY_BOTTOM_TO_TOP,
                   dz::ID_MOVE_TOP_TO_BOTTOM, dz::ID_MOVE_BOTTOM_TO_TOP, dz::ID_DELETE_FILES})
        EXPECT_EQ(bar.GetToolEnabled(id), file->IsEnabled(id)) << "menu and toolbar agree";
    return {bar.GetToolEnabled(dz::ID_NEW_FOLDER), bar.GetToolEnabled(dz::ID_COPY_TOP_TO_BOTTOM),
            bar.GetToolEnabled(dz::ID_COPY_BOTTOM_TO_TOP), bar.GetToolEnabled(dz::ID_DELETE_FILES)};
}

} // namespace

TEST(Enablement, ToolbarAndMenuFollowFocusFoldersAndSelections) {
    TempDir disk;
    fs::create_directories(disk / "A");
    fs::create_directories(disk / "B");
    dz::test::WriteFile(disk / "A" / "a.mp3", "a");
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    CMainFrame& frame = *m.frame();

    m.fileView(kTopRow).m_wndList.SetFocus();
    EXPECT_EQ(Toolbar(frame), (Enabled{false, false, false, false})) << "nothing chosen yet";
    // Commands without a rule of their own stay enabled whatever the panes hold.
    for (int id : {dz::ID_CONVERT_TO_AVI, dz::ID_CONVERT_TO_MP3})
        EXPECT_TRUE(frame.GetImageToolBar()->GetToolEnabled(id)) << id;
    wxMenuBar& menus = *frame.GetMenuBar();
    for (size_t i = 0; i < menus.GetMenuCount(); ++i)
        menus.GetMenu(i)->UpdateUI();
    for (int id : {dz::ID_VIEW_REFRESH, dz::ID_NEXT_PANE, dz::ID_APP_EXIT, dz::ID_APP_ABOUT})
        EXPECT_TRUE(menus.IsEnabled(id)) << id;

    ASSERT_TRUE(m.Select(kTopRow, U(disk / "A")));
    ASSERT_TRUE(m.Select(kBottomRow, U(disk / "B")));
    m.fileView(kTopRow).m_wndList.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    m.fileView(kTopRow).m_wndList.SetFocus();
    EXPECT_EQ(Toolbar(frame), (Enabled{false, true, false, true}));

    // A tree with a folder: Delete takes that folder.
    m.tree(kBottomRow).SetFocus();
    EXPECT_EQ(Toolbar(frame), (Enabled{true, true, false, true})) << "a tree focused";

    // Another folder in the top tree empties the top list and its selection.
    ASSERT_TRUE(m.Select(kTopRow, U(disk / "B")));
    EXPECT_EQ(Toolbar(frame), (Enabled{true, false, false, true}));
}
