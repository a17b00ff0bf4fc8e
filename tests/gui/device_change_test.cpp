// File systems that come and go: both trees are built again and return to
// their folders.
#include "app/MainFrame.h"
#include "app/wx_text.h"
#include "panes/FileView.h"
#include "panes/FolderView.h"
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::TempDir;

namespace {

std::u16string U(const fs::path& p) {
    return p.u16string();
}

size_t DriveCount(const CFolderTreeCtrl& tree) {
    return tree.GetChildrenCount(tree.GetRootItem(), false);
}

} // namespace

TEST(DeviceChange, ANewDriveAppearsInBothTreesAndBothFoldersStay) {
    TempDir disk, plugged;
    fs::create_directories(disk / "TOP");
    fs::create_directories(disk / "BOTTOM" / "DEEP");
    dz::test::WriteFile(disk / "TOP" / "t.mp3", "t");
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U(disk / "TOP")));
    ASSERT_TRUE(m.Select(kBottomRow, U(disk / "BOTTOM" / "DEEP")));

    dz::test::SetDrives({U(disk.path()), U(plugged.path())});
    m.frame()->SimulateDeviceChange();
    ASSERT_TRUE(dz::test::PumpUntil([&] { return DriveCount(m.tree(kBottomRow)) == 2; }));
    dz::test::PumpEvents();
    for (int row : {kTopRow, kBottomRow})
        EXPECT_EQ(DriveCount(m.tree(row)), 2u) << row;
    EXPECT_EQ(m.folderView(kTopRow).m_strPath, U(disk / "TOP"));
    EXPECT_EQ(m.folderView(kBottomRow).m_strPath, U(disk / "BOTTOM" / "DEEP"));
    EXPECT_EQ(m.tree(kBottomRow).GetItemPath(m.tree(kBottomRow).GetSelection()),
              U(disk / "BOTTOM" / "DEEP"));
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 1) << "the list is shown again";
}

TEST(DeviceChange, ADriveThatWentAwayTakesItsFolderAlongSilently) {
    TempDir disk, removable;
    fs::create_directories(disk / "STAY");
    fs::create_directories(removable / "REC");
    dz::test::WriteFile(removable / "REC" / "r.mp3", "r");
    MainFrameFixture m({U(disk.path()), U(removable.path())});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U(removable / "REC")));
    ASSERT_TRUE(m.Select(kBottomRow, U(disk / "STAY")));

    dz::test::SetDrives({U(disk.path())});
    m.frame()->SimulateDeviceChange();
    ASSERT_TRUE(dz::test::PumpUntil([&] { return DriveCount(m.tree(kTopRow)) == 1; }));
    dz::test::PumpEvents();
    EXPECT_FALSE(m.tree(kTopRow).GetSelection().IsOk() &&
                 m.tree(kTopRow).GetItemPath(m.tree(kTopRow).GetSelection()) ==
                     U(removable / "REC"));
    EXPECT_EQ(m.folderView(kBottomRow).m_strPath, U(disk / "STAY"));
}
