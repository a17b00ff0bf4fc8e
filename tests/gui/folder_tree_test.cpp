// The drive-and-folder trees of the real frame, over folders made for each
// test and listed as its drives.
#include "common/list_text.h"
#include "platform/platform.h"
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::TempDir;
using dz::test::U;

namespace {

std::vector<std::u16string> Labels(const CFolderTreeCtrl& tree, const wxTreeItemId& parent) {
    std::vector<std::u16string> labels;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = tree.GetFirstChild(parent, cookie); c.IsOk();
         c = tree.GetNextChild(parent, cookie))
        labels.push_back(tree.GetItemLabel(c));
    return labels;
}

bool HasOnlyPlaceholder(const CFolderTreeCtrl& tree, const wxTreeItemId& item) {
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = tree.GetFirstChild(item, cookie);
    return tree.GetChildrenCount(item, false) == 1 && tree.IsPlaceholder(first);
}

// Two drives: one with folders of every kind, one without any subfolder.
struct TreeFolders {
    TempDir disk;
    TempDir empty;
    TreeFolders() {
        for (const char* name : {"b", "ABD", "abc", ".hidden", "REC/NEWS/OLD", "REC/MUSIC"})
            fs::create_directories(disk / name);
        dz::test::WriteFile(disk / "notes.txt", "x");
    }
};

} // namespace

TEST(FolderTree, ListsDrivesThenReadsOneLevelSortedWhenOpenedAndAgainWhenReopened) {
    TreeFolders f;
    MainFrameFixture m({U(f.disk.path()), U(f.empty.path()), U(f.disk.path() / "gone")});
    ASSERT_TRUE(m.frame());
    for (int row : {kTopRow, kBottomRow}) {
        CFolderTreeCtrl& tree = m.tree(row);
        const wxTreeItemId root = tree.GetRootItem();
        // A drive that cannot be looked at is left out, with its message.
        EXPECT_EQ(Labels(tree, root),
                  (std::vector<std::u16string>{U(f.disk.path()), U(f.empty.path())}));
        EXPECT_EQ(tree.m_strLastError, u"Error Gettting SystemFileInfo!");
        wxTreeItemIdValue cookie;
        const wxTreeItemId disk = tree.GetFirstChild(root, cookie);
        EXPECT_TRUE(HasOnlyPlaceholder(tree, disk));
        EXPECT_EQ(tree.GetChildrenCount(tree.GetNextChild(root, cookie), false), 0u)
            << "no expand button";
        EXPECT_EQ(m.folderView(row).m_strPath, u"") << "nothing selected at the start";
    }

    CFolderTreeCtrl& tree = m.tree(kTopRow);
    wxTreeItemIdValue cookie;
    const wxTreeItemId disk = tree.GetFirstChild(tree.GetRootItem(), cookie);
    tree.Expand(disk);
    EXPECT_EQ(Labels(tree, disk),
              (std::vector<std::u16string>{u".hidden", u"abc", u"ABD", u"b", u"REC"}));
    const wxTreeItemId rec = tree.FindChildByLabel(disk, u"REC");
    ASSERT_TRUE(rec.IsOk());
    EXPECT_TRUE(HasOnlyPlaceholder(tree, rec)) << "one level only";
    EXPECT_EQ(tree.GetItemPath(disk), U(f.disk.path()));
    EXPECT_EQ(tree.GetItemPath(rec), U(f.disk.path() / "REC"));

    // Folders made from outside show once their parent is closed and opened.
    const wxTreeItemId abc = tree.FindChildByLabel(disk, u"ABC");
    ASSERT_TRUE(abc.IsOk());
    tree.Expand(abc); // nothing inside yet: stays without children
    EXPECT_EQ(tree.GetChildrenCount(abc, false), 0u);
    fs::create_directories(f.disk / "abc" / "new");
    fs::create_directories(f.disk / "zz");
    tree.Collapse(disk);
    EXPECT_TRUE(HasOnlyPlaceholder(tree, disk));
    tree.Expand(disk);
    EXPECT_EQ(Labels(tree, disk),
              (std::vector<std::u16string>{u".hidden", u"abc", u"ABD", u"b", u"REC", u"zz"}));
    EXPECT_TRUE(HasOnlyPlaceholder(tree, tree.FindChildByLabel(disk, u"ABC")));
}

TEST(FolderTree, SelectPathInAnyCaseOpensEveryStepUnderTheLongestDrive) {
    TreeFolders f;
    MainFrameFixture m({u"/", U(f.disk.path())});
    ASSERT_TRUE(m.frame());
    CFolderTreeCtrl& tree = m.tree(kBottomRow);
    // The root drive joins its folders with one separator.
    wxTreeItemIdValue cookie;
    const wxTreeItemId root = tree.GetFirstChild(tree.GetRootItem(), cookie);
    EXPECT_EQ(tree.GetItemLabel(root), u"/");
    EXPECT_EQ(tree.GetItemPath(root), u"/");
    // The drive's shown text adds its free space.
    const uint64_t free = *dz::platform::FreeSpace(u"/");
    EXPECT_EQ(FromWx(tree.GetItemText(root)), u"/  " + dz::FreeSpaceText(free) + u" free");
    tree.Expand(root);
    EXPECT_EQ(tree.GetItemPath(tree.FindChildByLabel(root, u"TMP")), u"/tmp");

    const std::u16string news = U(f.disk.path() / "REC" / "NEWS");
    const std::u16string typed = U(f.disk.path() / "rec" / "news") + u"/";
    ASSERT_TRUE(m.Select(kBottomRow, typed));
    const wxTreeItemId selected = tree.GetSelection();
    EXPECT_EQ(tree.GetItemPath(selected), news) << "labels as on disk";
    const wxTreeItemId rec = tree.GetItemParent(selected);
    EXPECT_TRUE(tree.IsExpanded(rec));
    EXPECT_EQ(tree.GetItemParent(tree.GetItemParent(rec)), tree.GetRootItem())
        << "found under its own drive, not under /";
    EXPECT_EQ(Labels(tree, selected), (std::vector<std::u16string>{u"OLD"}))
        << "the selected folder is opened and read too";
    EXPECT_EQ(m.folderView(kBottomRow).m_strPath, news);
    EXPECT_EQ(m.folderView(kTopRow).m_strPath, u"");

    // Selecting what is selected already changes nothing.
    EXPECT_TRUE(m.Select(kBottomRow, news));
    EXPECT_EQ(m.folderView(kBottomRow).m_strPath, news);
}

TEST(FolderTree, SelectPathRefusesMissingFoldersEmptyPathsAndOtherDrives) {
    TreeFolders f;
    TempDir elsewhere;
    MainFrameFixture m({U(f.disk.path())});
    ASSERT_TRUE(m.frame());
    CFolderTreeCtrl& tree = m.tree(kTopRow);
    ASSERT_TRUE(m.Select(kTopRow, U(f.disk.path() / "REC")));
    const wxTreeItemId before = tree.GetSelection();

    struct Case {
        std::u16string path;
        const char* what;
    } cases[] = {
        {u"", "empty: a pane without a folder yet"},
        {U(f.disk.path() / "REC" / "GONE"), "a folder that does not exist"},
        {U(elsewhere.path()), "an existing folder on no listed drive"},
        {U(f.disk.path()) + u"x", "a sibling whose name starts like the drive"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(tree.SelectPath(c.path)) << c.what;
        EXPECT_EQ(tree.GetSelection(), before) << c.what;
    }

    // A folder deleted after it was shown.
    fs::remove_all(f.disk / "REC" / "NEWS");
    EXPECT_FALSE(tree.SelectPath(U(f.disk.path() / "REC" / "NEWS")));
    EXPECT_EQ(tree.GetSelection(), before);

    // With no drives at all a rebuild fails with its message; the pane
    // keeps its folder.
    dz::test::SetDrives({});
    EXPECT_FALSE(tree.Rebuild());
    EXPECT_EQ(tree.m_strLastError, u"Error Getting Logical DriveStrings!");
    EXPECT_EQ(tree.GetCount(), 0u);
    EXPECT_EQ(m.folderView(kTopRow).m_strPath, U(f.disk.path() / "REC"));
}
