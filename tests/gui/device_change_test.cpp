// File systems that come and go: both trees are built again and return to
// their folders.
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::TempDir;
using dz::test::U;

namespace {

size_t DriveCount(const CFolderTreeCtrl& tree) {
    return tree.GetChildrenCount(tree.GetRootItem(), false);
}

} // namespace

TEST(DeviceChange, DrivesComeAndGoInBothTreesAndTheFoldersStay) {
    TempDir disk, plugged;
    fs::create_directories(disk / "TOP");
    fs::create_directories(disk / "BOTTOM" / "DEEP");
    fs::create_directories(plugged / "REC");
    dz::test::WriteFile(disk / "TOP" / "t.mp3", "t");
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U(disk / "TOP")));
    ASSERT_TRUE(m.Select(kBottomRow, U(disk / "BOTTOM" / "DEEP")));
    const auto change = [&](std::vector<std::u16string> drives) {
        const size_t count = drives.size();
        dz::test::SetDrives(drives);
        m.frame()->SimulateDeviceChange();
        ASSERT_TRUE(dz::test::PumpUntil([&] {
            return DriveCount(m.tree(kTopRow)) == count && DriveCount(m.tree(kBottomRow)) == count;
        }));
        dz::test::PumpEvents();
    };

    change({U(disk.path()), U(plugged.path())});
    EXPECT_EQ(m.folderView(kTopRow).m_strPath, U(disk / "TOP"));
    EXPECT_EQ(m.folderView(kBottomRow).m_strPath, U(disk / "BOTTOM" / "DEEP"));
    for (auto [row, folder] :
         {std::pair{kTopRow, disk / "TOP"}, {kBottomRow, disk / "BOTTOM" / "DEEP"}})
        EXPECT_EQ(m.tree(row).GetItemPath(m.tree(row).GetSelection()), U(folder))
            << "row " << row << " selects its folder again";
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 1) << "the list is shown again";

    // The drive that holds the top row's folder goes away: silently.
    ASSERT_TRUE(m.Select(kTopRow, U(plugged / "REC")));
    change({U(disk.path())});
    const wxTreeItemId top = m.tree(kTopRow).GetSelection();
    EXPECT_FALSE(top.IsOk() && m.tree(kTopRow).GetItemPath(top) == U(plugged / "REC"));
    EXPECT_EQ(m.folderView(kBottomRow).m_strPath, U(disk / "BOTTOM" / "DEEP"));
}
