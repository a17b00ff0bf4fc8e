// Delete and New Folder on the real frame: the focused pane decides the row,
// the lists and trees that follow, and every message.
#include "app/MessageBox.h"
#include "common/messages.h"
#include "dialog_test_support.h"
#include "panes/FolderTreeCtrl.h"
#include "panes/FolderView.h"
#include "support/main_frame_fixture.h"
#include "transfer/InputNameDlg.h"

#include <wx/app.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class FolderCommands : public ::testing::Test {
protected:
    TempDir disk;
    fs::path a = disk / "A";
    std::vector<MessageBoxCall> boxes;
    std::unique_ptr<MainFrameFixture> m;
    TestRecording rec;

    void SetUp() override {
        SetMessageBoxHook([this](const MessageBoxCall& c) { boxes.push_back(c); });
        fs::create_directories(a);
        fs::create_directories(disk / "B");
    }
    void TearDown() override {
        m.reset();
        SetMessageBoxHook(nullptr);
    }
    CMainFrame& Frame() {
        if (!m)
            m = std::make_unique<MainFrameFixture>(std::vector{U16(disk.path())});
        return *m->frame();
    }
    bool FocusList(int row) {
        return FocusPane(Frame(), m->fileView(row).m_wndList,
                         row == kTopRow ? FocusedPane::TopList : FocusedPane::BottomList);
    }
    bool FocusTree(int row) {
        return FocusPane(Frame(), m->tree(row),
                         row == kTopRow ? FocusedPane::TopTree : FocusedPane::BottomTree);
    }
    void Run(int command) {
        Watchdog watchdog(std::chrono::seconds(30), "folder command");
        RunCommand(Frame(), command);
    }
    // New Folder with this text typed into "Input Name"; nothing typed, the
    // dialog is cancelled.
    void NewFolder(std::optional<std::u16string> name) {
        wxTheApp->CallAfter([name] {
            CInputNameDlg* dialog = FindModalDialog<CInputNameDlg>();
            if (!dialog)
                return;
            if (name)
                dialog->GetNameBox()->ChangeValue(ToWx(*name));
            PostButton(*dialog, name ? wxID_OK : wxID_CANCEL);
        });
        Run(ID_NEW_FOLDER);
    }
    std::u16string TakeOneMessage() {
        EXPECT_EQ(boxes.size(), 1u);
        std::u16string text = boxes.empty() ? u"" : boxes[0].text;
        boxes.clear();
        return text;
    }
};

TEST_F(FolderCommands, DeleteRemovesTheFocusedListsEntriesAndRefreshesOnlyThatList) {
    WriteFile(a / "a.mp3", "a");
    WriteFile(a / "b.mp3", "b");
    rec.Make(a);
    WriteFile(a / rec.Part(4), "a fourth part the companion does not count");
    Frame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3", rec.Part(1)}));
    ASSERT_TRUE(FocusList(kTopRow));
    Run(ID_DELETE_FILES);

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(NoneIn(a, rec.Files()));
    EXPECT_FALSE(fs::exists(a / "a.mp3"));
    EXPECT_TRUE(fs::exists(a / "b.mp3"));
    EXPECT_TRUE(fs::exists(a / rec.Part(4)));
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), std::vector<std::string>{"b.mp3"});
    EXPECT_EQ(Sorted(ListedFiles(m->fileView(kBottomRow))),
              (std::vector<std::string>{rec.Part(1), "a.mp3", "b.mp3"}));
}

TEST_F(FolderCommands, DeleteWithoutAFocusedListSelectionOrFolderSaysNoFile) {
    WriteFile(a / "a.mp3", "a");
    Frame();
    ASSERT_TRUE(FocusList(kTopRow));
    Run(ID_DELETE_FILES);
    EXPECT_EQ(TakeOneMessage(), msg::kNoFile) << "no folder in the focused row";

    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "B")));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    ASSERT_TRUE(FocusTree(kTopRow));
    Run(ID_DELETE_FILES);
    EXPECT_EQ(TakeOneMessage(), msg::kNoFile) << "focus on a tree";

    ASSERT_TRUE(FocusList(kBottomRow));
    Run(ID_DELETE_FILES);
    EXPECT_EQ(TakeOneMessage(), msg::kNoFile) << "selection only in the other list";
    EXPECT_TRUE(fs::exists(a / "a.mp3"));
}

TEST_F(FolderCommands, NewFolderShowsItInThisTreeAndReloadsTheOtherAtItsFolder) {
    Frame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(FocusTree(kTopRow));
    NewFolder(u"New");
    PumpEvents();
    PumpEvents();

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fs::is_directory(a / "New"));
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(a / "New"));
    EXPECT_EQ(m->tree(kTopRow).GetItemPath(m->tree(kTopRow).GetSelection()), U16(a / "New"));
    EXPECT_TRUE(ListedFiles(m->fileView(kTopRow)).empty());
    // The bottom tree is back at its folder, which now has a subfolder.
    CFolderTreeCtrl& bottom = m->tree(kBottomRow);
    EXPECT_EQ(m->folderView(kBottomRow).m_strPath, U16(a));
    ASSERT_TRUE(bottom.GetSelection().IsOk());
    EXPECT_EQ(bottom.GetItemPath(bottom.GetSelection()), U16(a));
    EXPECT_TRUE(bottom.ItemHasChildren(bottom.GetSelection()));
}

TEST_F(FolderCommands, NewFolderNamesAsTypedAndSaysWhenItCannotMakeOne) {
    fs::create_directories(a / "Old");
    Frame();
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(FocusTree(kBottomRow));
    const std::u16string longest(kMaxFolderNameLength, u'n');
    NewFolder(longest);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fs::is_directory(a / std::string(kMaxFolderNameLength, 'n')));
    // The top tree had no folder: it is left alone.
    EXPECT_TRUE(m->folderView(kTopRow).m_strPath.empty());

    struct Refused {
        std::u16string name;
        const char* why;
    };
    for (const Refused& r : {Refused{u"Old", "exists already"},
                             Refused{u"Missing/Inner", "an intermediate folder is missing"}}) {
        SCOPED_TRACE(r.why);
        ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
        ASSERT_TRUE(FocusTree(kBottomRow));
        NewFolder(r.name);
        EXPECT_EQ(TakeOneMessage(), u"Could not make a folder, " + U16(a) + u"/" + r.name);
    }
    EXPECT_FALSE(fs::exists(a / "Missing"));

    // Cancel and an empty name end the command without a word.
    const auto before = std::distance(fs::directory_iterator(a), fs::directory_iterator());
    ASSERT_TRUE(FocusTree(kBottomRow));
    NewFolder(std::nullopt);
    ASSERT_TRUE(FocusTree(kBottomRow));
    NewFolder(u"");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(a), fs::directory_iterator()), before);
}

TEST_F(FolderCommands, NewFolderWithoutAFocusedTreeOrFolderSaysNoParentFolder) {
    Frame();
    ASSERT_TRUE(FocusTree(kTopRow));
    Run(ID_NEW_FOLDER);
    EXPECT_EQ(TakeOneMessage(), msg::kNoParentFolder) << "tree without a folder";

    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(FocusList(kTopRow));
    Run(ID_NEW_FOLDER);
    EXPECT_EQ(TakeOneMessage(), msg::kNoParentFolder) << "focus on a list";
    EXPECT_TRUE(fs::is_empty(a));
}

} // namespace
} // namespace dz::test
