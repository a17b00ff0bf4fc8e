// Delete and New Folder on the real frame: the focused pane decides the row,
// the lists and trees that follow, and every message.
#include "common/messages.h"
#include "common/text.h"
#include "dialog_test_support.h"
#include "support/main_frame_fixture.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/dialogs/InputNameDlg.h"
#include "ui/panes/FolderTreeCtrl.h"
#include "ui/panes/FolderView.h"

#include <wx/app.h>
#include <wx/textctrl.h>

#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

class FolderCommands : public ::testing::Test {
protected:
    TempDir disk;
    fs::path a = disk / "A";
    std::vector<MessageBoxCall> boxes;
    std::unique_ptr<MainFrameFixture> m;

    void SetUp() override {
        TestStandIn().messageBox = [this](const MessageBoxCall& c) { boxes.push_back(c); };
        fs::create_directories(a);
        fs::create_directories(disk / "B");
        m = std::make_unique<MainFrameFixture>(std::vector{U16(disk.path())});
    }
    void TearDown() override {
        m.reset();
        TestStandIn().messageBox = nullptr;
    }
    bool Focus(int row, bool list) {
        const bool top = row == kTopRow;
        return list ? FocusPane(*m->frame(), m->fileView(row).m_wndList,
                                top ? FocusedPane::TopList : FocusedPane::BottomList)
                    : FocusPane(*m->frame(), m->tree(row),
                                top ? FocusedPane::TopTree : FocusedPane::BottomTree);
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
        RunCommand(*m->frame(), dz::ID_NEW_FOLDER);
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
    RecordingLayout rec;
    MakeRecording(a, rec);
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3", PartName(rec, 1)}));
    ASSERT_TRUE(Focus(kTopRow, true));
    RunCommand(*m->frame(), dz::ID_DELETE_FILES);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(CountIn(a, RecordingFiles(rec)), 0u);
    EXPECT_EQ(CountIn(a, {"a.mp3", "b.mp3"}), 1u);
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), std::vector<std::string>{"b.mp3"});
    EXPECT_EQ(ListedFiles(m->fileView(kBottomRow)),
              (std::vector<std::string>{PartName(rec, 1), "a.mp3", "b.mp3"}));
}

// A recording whose companion cannot be read is kept whole, and that is said;
// then both lists are read again.
TEST_F(FolderCommands, DeleteSaysWhatItCouldNotDeleteAndRefreshesBothLists) {
    WriteFile(a / "a.mp3", "a");
    RecordingLayout rec;
    MakeRecording(a, rec);
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    fs::remove(a / CompanionName(rec));
    ASSERT_EQ(mkfifo((a / CompanionName(rec)).c_str(), 0600), 0);
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3", PartName(rec, 1)}));
    ASSERT_TRUE(Focus(kTopRow, true));
    RunCommand(*m->frame(), dz::ID_DELETE_FILES);

    EXPECT_EQ(TakeOneMessage(), U16("The companion file of " + PartName(rec, 1) +
                                    " cannot be read; nothing of it was deleted"));
    EXPECT_EQ(CountIn(a, RecordingFiles(rec)), 4u);
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), std::vector<std::string>{PartName(rec, 1)});
    EXPECT_EQ(ListedFiles(m->fileView(kBottomRow)), std::vector<std::string>{PartName(rec, 1)});
}

TEST_F(FolderCommands, EachRefusalOfDeleteAndNewFolderShowsItsMessage) {
    WriteFile(a / "a.mp3", "a");
    const struct {
        const char* what;
        int command, row;
        bool list;
        const char16_t* text;
    } cases[] = {
        {"Delete, no folder in the focused row", dz::ID_DELETE_FILES, kTopRow, true, msg::kNoFile},
        {"New Folder, tree without a folder", dz::ID_NEW_FOLDER, kTopRow, false,
         msg::kNoParentFolder},
        // A tree with a folder deletes that folder; without one it has nothing.
        {"Delete, focus on a tree without a folder", dz::ID_DELETE_FILES, kTopRow, false,
         msg::kNoFile},
        {"Delete, selection only in the other list", dz::ID_DELETE_FILES, kBottomRow, true,
         msg::kNoFile},
        {"New Folder, focus on a list", dz::ID_NEW_FOLDER, kTopRow, true, msg::kNoParentFolder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.command == dz::ID_DELETE_FILES && c.row == kBottomRow) {
            // From here on both rows have folders and the top one a selection.
            ASSERT_TRUE(m->Select(kTopRow, U16(a)));
            ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "B")));
            ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
        }
        ASSERT_TRUE(Focus(c.row, c.list));
        RunCommand(*m->frame(), c.command);
        EXPECT_EQ(TakeOneMessage(), c.text);
    }
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), std::vector<std::string>{"a.mp3"});
    EXPECT_EQ(std::distance(fs::directory_iterator(a), fs::directory_iterator()), 1);
}

TEST_F(FolderCommands, NewFolderShowsItInThisTreeAndReloadsTheOtherAtItsFolder) {
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(Focus(kTopRow, false));
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
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(Focus(kBottomRow, false));
    NewFolder(std::u16string(dz::kMaxFolderNameLength, u'n'));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fs::is_directory(a / std::string(dz::kMaxFolderNameLength, 'n')));
    // The top tree had no folder: it is left alone.
    EXPECT_TRUE(m->folderView(kTopRow).m_strPath.empty());

    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(Focus(kBottomRow, false));
    NewFolder(u"Old");
    EXPECT_EQ(TakeOneMessage(), u"Could not make a folder, " + U16(a) + u"/Old");
    // One name inside the selected folder, never a path that leads elsewhere.
    for (const char16_t* name : {u"Missing/Inner", u"../ESCAPED", u".."}) {
        SCOPED_TRACE(ToWx(name));
        ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
        ASSERT_TRUE(Focus(kBottomRow, false));
        NewFolder(name);
        EXPECT_NE(TakeOneMessage().find(name), std::u16string::npos);
    }
    EXPECT_FALSE(fs::exists(a / "Missing"));
    EXPECT_FALSE(fs::exists(a.parent_path() / "ESCAPED"));

    // Cancel and an empty name end the command without a word.
    for (const auto& name : {std::optional<std::u16string>(), std::optional<std::u16string>(u"")}) {
        ASSERT_TRUE(Focus(kBottomRow, false));
        NewFolder(name);
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(a), fs::directory_iterator()), 2);
}

// The field above a list shows its folder; a path typed there with Enter
// opens in the row's tree and list (a trailing separator or not), and one
// that is no folder on the drives shown is said, the field showing the
// list's folder again.
TEST_F(FolderCommands, APathTypedAboveAListOpensThatFolder) {
    ASSERT_TRUE(m->Select(kTopRow, U16(disk.path())));
    ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "B")));
    wxTextCtrl& field = m->fileView(kTopRow).PathField();
    EXPECT_EQ(FromWx(field.GetValue()), U16(disk.path()));

    const auto type = [&](const std::u16string& text) {
        field.ChangeValue(ToWx(text));
        wxCommandEvent enter(wxEVT_TEXT_ENTER, field.GetId());
        enter.SetEventObject(&field);
        field.GetEventHandler()->ProcessEvent(enter);
        PumpUntil([&] { return m->fileView(kTopRow).GetFolder() == U16(a) || !boxes.empty(); });
    };
    type(U16(a) + u"/");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(a));
    EXPECT_EQ(m->fileView(kTopRow).GetFolder(), U16(a));
    EXPECT_EQ(FromWx(field.GetValue()), U16(a));
    EXPECT_EQ(m->fileView(kBottomRow).GetFolder(), U16(disk / "B")) << "the other row stays";
    // Ctrl+A there selects the field's text, not the list's rows.
    field.SetFocus();
    PumpUntil([&] { return wxWindow::FindFocus() == &field; });
    RunCommand(*m->frame(), dz::ID_SELECT_ALL);
    long from = 0, to = 0;
    field.GetSelection(&from, &to);
    EXPECT_EQ(to - from, field.GetLastPosition());

    type(U16(disk / "nothing here"));
    EXPECT_EQ(TakeOneMessage(), FillMessage(msg::kTypedFolderNotFound, U16(disk / "nothing here")));
    EXPECT_EQ(m->fileView(kTopRow).GetFolder(), U16(a));
    EXPECT_EQ(FromWx(field.GetValue()), U16(a));
}

} // namespace
} // namespace dz::test
