// The window as a user of two-pane file managers expects it: row order and
// header sorting, lists that follow the disk, keys and context menus that
// run the toolbar's commands, drag and drop, the questions before Delete and
// before replacing, the remembered layout, Play, and the free-space refusal.
#include "common/messages.h"
#include "common/text.h"
#include "common/user_settings.h"
#include "dialog_test_support.h"
#include "platform/platform.h"
#include "support/main_frame_fixture.h"
#include "support/window_manager.h"
#include "transfer/transfer_plan.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/app/LayoutSettingsFile.h"
#include "ui/app/PaneSplitter.h"
#include "ui/app/resource.h"
#include "ui/dialogs/Prompts.h"
#include "ui/panes/FolderView.h"
#include "ui/panes/PaneMark.h"

#include <wx/accel.h>
#include <wx/dnd.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;

namespace dz::test {
namespace {

using Names = std::vector<std::string>;

// The real file names of a list, in the order it shows them.
Names ShownOrder(const CFileView& view) {
    Names names;
    for (long i = 0; i < view.m_wndList.GetItemCount(); ++i)
        names.push_back(dz::ToUtf8(view.RealFileName(i)));
    return names;
}

Names SelectedNames(const CFileView& view) {
    Names names;
    for (const SelectedRow& row : view.SelectedRowTexts())
        names.push_back(ToUtf8(row.column1));
    return names;
}

class FileManager : public ::testing::Test {
protected:
    TempDir disk;
    fs::path top = disk / "TOP", bottom = disk / "BOTTOM";
    std::vector<MessageBoxCall> boxes;
    std::vector<PromptCall> asked;
    std::vector<PromptReply> replies; // given in turn; the last one repeats
    std::unique_ptr<MainFrameFixture> m;

    void SetUp() override {
        fs::create_directories(top);
        fs::create_directories(bottom);
        TestStandIn().messageBox = [this](const MessageBoxCall& c) { boxes.push_back(c); };
        TestStandIn().prompt = [this](const PromptCall& c) {
            asked.push_back(c);
            if (replies.empty())
                return PromptReply{{true, false}, {ReplaceAnswer::Replace, false}};
            const PromptReply reply = replies.front();
            if (replies.size() > 1)
                replies.erase(replies.begin());
            return reply;
        };
    }
    void TearDown() override {
        m.reset();
        TestStandIn().messageBox = nullptr;
        TestStandIn().prompt = [](const PromptCall&) {
            return PromptReply{{true, false}, {ReplaceAnswer::Replace, false}};
        };
    }
    void Open(std::vector<std::u16string> drives = {}) {
        if (drives.empty())
            drives = {U16(disk.path())};
        m = std::make_unique<MainFrameFixture>(drives);
        ASSERT_TRUE(m->frame());
    }
    CMainFrame& frame() { return *m->frame(); }
    bool FocusList(int row) {
        return FocusPane(frame(), m->fileView(row).m_wndList,
                         row == kTopRow ? FocusedPane::TopList : FocusedPane::BottomList);
    }
};

TEST_F(FileManager, RowsComeInNameOrderAndHeadersSortEachListOnItsOwn) {
    WriteFile(top / "c.mp3", PatternBytes(3000));
    WriteFile(top / "A.mem", PatternBytes(1000));
    WriteFile(top / "b.MP3", PatternBytes(2000));
    WriteFile(top / "d.mp3", PatternBytes(500));
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(top)));
    CFileView& list = m->fileView(kTopRow);
    EXPECT_EQ(ShownOrder(list), (Names{"A.mem", "b.MP3", "c.mp3", "d.mp3"}));

    const struct {
        int column;
        Names expected;
    } clicks[] = {
        {CFileView::kSize, {"d.mp3", "A.mem", "b.MP3", "c.mp3"}},
        {CFileView::kSize, {"c.mp3", "b.MP3", "A.mem", "d.mp3"}}, // again: reversed
        {CFileView::kFileName, {"A.mem", "b.MP3", "c.mp3", "d.mp3"}},
        {CFileView::kFileName, {"d.mp3", "c.mp3", "b.MP3", "A.mem"}},
    };
    ASSERT_TRUE(SelectFiles(list, {"c.mp3"}));
    for (const auto& click : clicks) {
        wxListEvent event(wxEVT_LIST_COL_CLICK, list.m_wndList.GetId());
        event.SetEventObject(&list.m_wndList);
        event.m_col = click.column;
        list.m_wndList.GetEventHandler()->ProcessEvent(event);
        EXPECT_EQ(ShownOrder(list), click.expected);
        EXPECT_EQ(SelectedNames(list), Names{"c.mp3"}) << "the selection follows its row";
    }
    // The other list keeps its own order.
    EXPECT_EQ(ShownOrder(m->fileView(kBottomRow)), (Names{"A.mem", "b.MP3", "c.mp3", "d.mp3"}));
    // A new folder keeps the list's sort.
    EXPECT_TRUE(m->Select(kTopRow, U16(top)));
    EXPECT_EQ(ShownOrder(list), (Names{"d.mp3", "c.mp3", "b.MP3", "A.mem"}));
}

TEST_F(FileManager, AFileMadeByAnotherProgramAppearsWithoutRefreshAndTheSelectionStays) {
    WriteFile(top / "a.mp3", "a");
    WriteFile(top / "m.mp3", "m");
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    CFileView& list = m->fileView(kTopRow);
    ASSERT_TRUE(SelectFiles(list, {"m.mp3"}));
    const std::string command = "touch '" + (top / "b.mp3").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(PumpUntil([&] { return list.m_wndList.GetItemCount() == 3; }))
        << "no refresh after a file appeared";
    EXPECT_EQ(ShownOrder(list), (Names{"a.mp3", "b.mp3", "m.mp3"}));
    EXPECT_EQ(SelectedNames(list), Names{"m.mp3"});
    fs::rename(top / "a.mp3", top / "z.mp3");
    ASSERT_TRUE(PumpUntil([&] { return ShownOrder(list) == Names{"b.mp3", "m.mp3", "z.mp3"}; }));
    fs::remove(top / "m.mp3");
    ASSERT_TRUE(PumpUntil([&] { return list.m_wndList.GetItemCount() == 2; }));
    EXPECT_TRUE(SelectedNames(list).empty());
}

TEST_F(FileManager, OneFolderShownThroughTwoPathsIsWatchedOnceAndBothRowsFollowIt) {
    const fs::path rec = disk / "rec", alias = disk / "alias";
    fs::create_directories(rec / "REC");
    fs::create_directory_symlink(rec, alias);
    WriteFile(rec / "REC" / "a.mp3", "a");
    Open({U16(rec), U16(alias)});
    ASSERT_TRUE(m->Select(kTopRow, U16(rec / "REC")));
    // The second path to the same folder: the watcher must not be asked to
    // watch it again (a toolkit check would fail this test).
    ASSERT_TRUE(m->Select(kBottomRow, U16(alias / "REC")));
    WriteFile(rec / "REC" / "b.mp3", "b");
    EXPECT_TRUE(PumpUntil([&] { return ShownOrder(m->fileView(kTopRow)).size() == 2; }));
    EXPECT_TRUE(PumpUntil([&] { return ShownOrder(m->fileView(kBottomRow)).size() == 2; }))
        << "the row showing the other path follows the one watch";
}

TEST_F(FileManager, F5ReadsBothRowsAgain) {
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(bottom)));
    frame().SaveSettings(); // no file set: nothing written, nothing fails
    WriteFile(top / "new.mp3", "x");
    WriteFile(bottom / "new.mem", "x");
    RunCommand(frame(), dz::ID_VIEW_REFRESH);
    EXPECT_EQ(ShownOrder(m->fileView(kTopRow)), Names{"new.mp3"});
    EXPECT_EQ(ShownOrder(m->fileView(kBottomRow)), Names{"new.mem"});
}

TEST_F(FileManager, AnUnrelatedMountKeepsTheTreesButAGoneDriveEmptiesItsRow) {
    TempDir other;
    fs::create_directories(disk / "OPEN" / "INNER");
    fs::create_directories(other / "REC");
    WriteFile(other / "REC" / "x.mp3", "x");
    Open({U16(disk.path()), U16(other.path())});
    ASSERT_TRUE(m->Select(kTopRow, U16(disk / "OPEN")));
    ASSERT_TRUE(m->Select(kBottomRow, U16(other / "REC")));
    CFolderTreeCtrl& tree = m->tree(kTopRow);
    const wxTreeItemId open = tree.GetSelection();
    tree.Expand(open);
    ASSERT_TRUE(SelectFiles(m->fileView(kBottomRow), {"x.mp3"}));

    // The mount table changed, but not the drives the trees list. The news
    // reaches the frame as a call posted from the watcher's thread; the
    // checks follow once it has run.
    int postedCalls = 0;
    const auto countCall = [&](wxAsyncMethodCallEvent& e) {
        e.Execute();
        ++postedCalls;
    };
    frame().Bind(wxEVT_ASYNC_METHOD_CALL, countCall);
    frame().SimulateDeviceChange();
    const bool handled = PumpUntil([&] { return postedCalls > 0; });
    frame().Unbind(wxEVT_ASYNC_METHOD_CALL, countCall);
    ASSERT_TRUE(handled);
    PumpUntilIdle();
    EXPECT_EQ(tree.GetSelection(), open) << "the same item: the tree was not rebuilt";
    EXPECT_TRUE(tree.IsExpanded(open));
    EXPECT_EQ(SelectedNames(m->fileView(kBottomRow)), Names{"x.mp3"});

    // The bottom row's drive goes away: its list empties and nothing acts on it.
    SetDrives({U16(disk.path())});
    frame().SimulateDeviceChange();
    ASSERT_TRUE(PumpUntil([&] { return m->folderView(kBottomRow).m_strPath.empty(); }));
    EXPECT_EQ(m->fileView(kBottomRow).m_wndList.GetItemCount(), 0);
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(disk / "OPEN"));
    PaneState state = frame().GetPaneState();
    state.bottomSelection = true;
    EXPECT_FALSE(rules::IsCommandEnabled(dz::ID_COPY_BOTTOM_TO_TOP, state));
    EXPECT_FALSE(rules::IsCommandEnabled(dz::ID_COPY_TOP_TO_BOTTOM, state));
}

int CommandOfKey(const CMainFrame& frame, int modifiers, int key) {
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = key;
    event.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
    event.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
    const wxAcceleratorTable* table = const_cast<CMainFrame&>(frame).GetAcceleratorTable();
    return table ? table->GetCommand(event) : -1;
}

std::vector<int> MenuIds(const wxMenu& menu) {
    std::vector<int> ids;
    for (const wxMenuItem* item : menu.GetMenuItems())
        if (!item->IsSeparator())
            ids.push_back(item->GetId());
    return ids;
}

TEST_F(FileManager, KeysAndContextMenusRunTheToolbarsCommands) {
    Open();
    const struct {
        int modifiers, key, command;
    } keys[] = {
        {wxMOD_NONE, WXK_DELETE, dz::ID_DELETE_FILES}, {wxMOD_NONE, WXK_F7, dz::ID_NEW_FOLDER},
        {wxMOD_CONTROL, 'A', dz::ID_SELECT_ALL},       {wxMOD_NONE, WXK_F5, dz::ID_VIEW_REFRESH},
        {wxMOD_NONE, WXK_F6, dz::ID_NEXT_PANE},        {wxMOD_SHIFT, WXK_F6, dz::ID_PREV_PANE},
        {wxMOD_NONE, WXK_F2, dz::ID_RENAME},
    };
    for (const auto& k : keys)
        EXPECT_EQ(CommandOfKey(frame(), k.modifiers, k.key), k.command) << k.key;

    const struct {
        FocusedPane pane;
        std::vector<int> ids;
    } menus[] = {
        {FocusedPane::TopList,
         {dz::ID_PLAY, dz::ID_COPY_TOP_TO_BOTTOM, dz::ID_MOVE_TOP_TO_BOTTOM, dz::ID_DELETE_FILES,
          dz::ID_RENAME, dz::ID_SELECT_ALL, dz::ID_VIEW_REFRESH}},
        {FocusedPane::BottomList,
         {dz::ID_PLAY, dz::ID_COPY_BOTTOM_TO_TOP, dz::ID_MOVE_BOTTOM_TO_TOP, dz::ID_DELETE_FILES,
          dz::ID_RENAME, dz::ID_SELECT_ALL, dz::ID_VIEW_REFRESH}},
        {FocusedPane::TopTree,
         {dz::ID_NEW_FOLDER, dz::ID_DELETE_FILES, dz::ID_RENAME, dz::ID_VIEW_REFRESH}},
        {FocusedPane::BottomTree,
         {dz::ID_NEW_FOLDER, dz::ID_DELETE_FILES, dz::ID_RENAME, dz::ID_VIEW_REFRESH}},
    };
    for (const auto& menu : menus)
        EXPECT_EQ(MenuIds(*MakePaneMenu(menu.pane)), menu.ids);

    // The top list's menu entries, sent as the menu sends them, do what the
    // toolbar's buttons do.
    WriteFile(top / "a.mp3", "a");
    WriteFile(top / "b.mp3", "b");
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(bottom)));
    // While a list's menu is open, its pane is the one the commands act on,
    // wherever the toolkit holds the focus meanwhile.
    FocusedPane during = FocusedPane::None;
    bool deleteEnabled = false;
    wxTimer look;
    look.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        during = frame().GetFocusedPane();
        deleteEnabled = rules::IsCommandEnabled(dz::ID_DELETE_FILES, frame().GetPaneState());
        wxUIActionSimulator().Char(WXK_ESCAPE);
    });
    look.StartOnce(300);
    frame().PopupPaneMenu(kBottomRow, true);
    EXPECT_EQ(during, FocusedPane::BottomList);
    EXPECT_TRUE(deleteEnabled);

    ASSERT_TRUE(FocusList(kTopRow));
    RunCommand(frame(), dz::ID_SELECT_ALL);
    EXPECT_EQ(SelectedNames(m->fileView(kTopRow)), (Names{"a.mp3", "b.mp3"}));
    const std::unique_ptr<wxMenu> menu = MakePaneMenu(FocusedPane::TopList);
    RunCommand(frame(), MenuIds(*menu)[1]); // Copy from Top to Bottom
    EXPECT_EQ(ListedFiles(m->fileView(kBottomRow)), (Names{"a.mp3", "b.mp3"}));
    ASSERT_TRUE(FocusList(kTopRow));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    RunCommand(frame(), MenuIds(*menu)[3]); // Delete
    EXPECT_FALSE(fs::exists(top / "a.mp3"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FileManager, TheFocusedPaneIsMarked) {
    Open();
    for (int row : {kTopRow, kBottomRow}) {
        ASSERT_TRUE(FocusList(row));
        PumpUntil([&] {
            wxIdleEvent idle; // the mark follows the focus when the window is idle
            frame().ProcessWindowEvent(idle);
            return frame().GetMarkedPane() == &m->fileView(row).m_wndList;
        });
        EXPECT_EQ(frame().GetMarkedPane(), &m->fileView(row).m_wndList);
        const wxColour marked = m->fileView(row).m_wndList.GetBackgroundColour();
        EXPECT_NE(m->fileView(1 - row).m_wndList.GetBackgroundColour(), marked);
        EXPECT_NE(m->tree(row).GetBackgroundColour(), marked);
        // A frame in the selection colour around the active pane alone.
        const wxColour frameColour = m->fileView(row).GetBackgroundColour();
        EXPECT_EQ(frameColour, wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
        EXPECT_NE(m->fileView(1 - row).GetBackgroundColour(), frameColour);
        EXPECT_NE(m->folderView(row).GetBackgroundColour(), frameColour);
        // The list sits inside the mark, below the path field.
        EXPECT_EQ(
            m->fileView(row).m_wndList.GetPosition(),
            wxPoint(kPaneMarkWidth, kPaneMarkWidth + m->fileView(row).PathField().GetSize().y));
    }
}

TEST_F(FileManager, DroppedRowsAreCopiedOrMovedWithTheCommandsChecks) {
    WriteFile(top / "a.mp3", PatternBytes(100));
    WriteFile(top / "b.mp3", PatternBytes(200));
    fs::create_directories(bottom / "INNER");
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(bottom)));

    // Onto the list of the same row: nothing.
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    EXPECT_FALSE(frame().DropRows(CMainFrame::RowDragText(kTopRow), kTopRow, {}, false));
    EXPECT_FALSE(frame().DropRows("some text", kBottomRow, {}, false));

    // Onto the other list: a copy.
    EXPECT_TRUE(frame().DropRows(CMainFrame::RowDragText(kTopRow), kBottomRow, {}, false));
    EXPECT_EQ(ReadFile(bottom / "a.mp3"), PatternBytes(100));
    EXPECT_TRUE(fs::exists(top / "a.mp3"));

    // With Shift, onto a folder of the other tree: a move into that folder.
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"b.mp3"}));
    CFolderTreeCtrl& tree = m->tree(kBottomRow);
    const wxTreeItemId bottomItem = tree.GetSelection();
    tree.Expand(bottomItem);
    wxTreeItemIdValue cookie;
    const wxTreeItemId inner = tree.GetFirstChild(bottomItem, cookie);
    ASSERT_EQ(tree.GetItemPath(inner), U16(bottom / "INNER"));
    EXPECT_TRUE(frame().DropRows(CMainFrame::RowDragText(kTopRow), kBottomRow, inner, true));
    PumpEvents();
    EXPECT_EQ(ReadFile(bottom / "INNER" / "b.mp3"), PatternBytes(200));
    EXPECT_FALSE(fs::exists(top / "b.mp3"));
    EXPECT_EQ(m->folderView(kBottomRow).m_strPath, U16(bottom / "INNER"));

    // A drop meets the same checks: nothing selected says so.
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {}));
    EXPECT_TRUE(frame().DropRows(CMainFrame::RowDragText(kTopRow), kBottomRow, {}, false));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, msg::kNoFile);
}

TEST_F(FileManager, DeleteAsksFirstNamingTheEntryOrTheCountAndTheSize) {
    WriteFile(top / "a.mp3", PatternBytes(2048));
    WriteFile(top / "b.mp3", PatternBytes(1024));
    WriteFile(top / "c.mp3", PatternBytes(1024));
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    const struct {
        Names selected;
        PromptReply reply;
        std::u16string question;
        bool gone;
        bool asksNextTime;
    } steps[] = {
        {{"a.mp3"},
         {{false, true}, {}},
         u"Delete a.mp3 (2 KB)?\nIt cannot be brought back.",
         false,
         true}, // a cancel with the box ticked still asks next time
        {{"a.mp3", "b.mp3"},
         {{true, false}, {}},
         u"Delete 2 entries (3 KB)?\nIt cannot be brought back.",
         true,
         true},
        {{"c.mp3"},
         {{true, true}, {}},
         u"Delete c.mp3 (1 KB)?\nIt cannot be brought back.",
         true,
         false},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(FocusList(kTopRow));
        ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), step.selected));
        asked.clear();
        replies = {step.reply};
        RunCommand(frame(), dz::ID_DELETE_FILES);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].kind, PromptCall::Kind::Delete);
        EXPECT_EQ(asked[0].text, step.question);
        EXPECT_EQ(fs::exists(top / step.selected[0]), !step.gone);
        EXPECT_EQ(frame().GetSettings().confirmDelete, step.asksNextTime);
    }
    // "Don't ask again" holds: the next Delete goes ahead at once.
    WriteFile(top / "d.mp3", "d");
    RunCommand(frame(), dz::ID_VIEW_REFRESH);
    ASSERT_TRUE(FocusList(kTopRow));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"d.mp3"}));
    asked.clear();
    RunCommand(frame(), dz::ID_DELETE_FILES);
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(fs::exists(top / "d.mp3"));
}

TEST_F(FileManager, AnExistingEntryIsReplacedSkippedOrTheCopyCancelled) {
    using A = ReplaceAnswer;
    const struct {
        const char* what;
        std::vector<PromptReply> replies;
        size_t questions;
        bool aReplaced, bReplaced, cCopied;
    } cases[] = {
        {"replace, then skip", {{{}, {A::Replace}}, {{}, {A::Skip}}}, 2, true, false, true},
        {"skip for all", {{{}, {A::Skip, true}}}, 1, false, false, true},
        {"replace for all", {{{}, {A::Replace, true}}}, 1, true, true, true},
        {"cancel", {{{}, {A::Cancel}}}, 1, false, false, false},
    };
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(bottom);
        fs::create_directories(bottom);
        WriteFile(top / "a.mp3", PatternBytes(100, 1));
        WriteFile(top / "b.mp3", PatternBytes(100, 2));
        WriteFile(top / "c.mp3", PatternBytes(100, 3));
        WriteFile(bottom / "a.mp3", "old a");
        WriteFile(bottom / "b.mp3", "old b");
        ASSERT_TRUE(m->Select(kTopRow, U16(top)));
        ASSERT_TRUE(m->Select(kBottomRow, U16(bottom)));
        ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3", "b.mp3", "c.mp3"}));
        asked.clear();
        replies = c.replies;
        RunCommand(frame(), dz::ID_COPY_TOP_TO_BOTTOM);
        ASSERT_EQ(asked.size(), c.questions);
        EXPECT_EQ(asked[0].kind, PromptCall::Kind::Replace);
        EXPECT_EQ(asked[0].text, ReplaceQuestionText(u"a.mp3", U16(bottom)));
        EXPECT_EQ(asked[0].remaining, 1u);
        EXPECT_EQ(ReadFile(bottom / "a.mp3") == PatternBytes(100, 1), c.aReplaced);
        EXPECT_EQ(ReadFile(bottom / "b.mp3") == PatternBytes(100, 2), c.bReplaced);
        EXPECT_EQ(fs::exists(bottom / "c.mp3"), c.cCopied);
    }
}

TEST_F(FileManager, TheLayoutIsRememberedAcrossTwoStarts) {
    TempDir config;
    const wxString file = wxString::FromUTF8((config / "dezadide" / "settings.ini").string());
    fs::create_directories(top / "GONE");
    WriteFile(top / "a.mp3", PatternBytes(10));
    WriteFile(top / "b.mp3", PatternBytes(5));
    Open();
    frame().RememberSettingsIn(file); // nothing there yet: defaults
    EXPECT_TRUE(frame().GetSettings().confirmDelete);
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(top / "GONE")));
    m->fileView(kTopRow).SetSort({RowSortColumn::Size, true});
    m->fileView(kTopRow).SetColumnWidths({250, 0, 70, 140, 60});
    frame().GetSplitter()->SetColumnWidth(222);
    frame().GetSplitter()->RecalcLayout();
    frame().SetSize(40, 30, 1000, 700);
    PumpEvents();
    // The columns keep their proportions as the window grows.
    const std::array<int, CFileView::kColumnCount> widths = m->fileView(kTopRow).GetColumnWidths();
    m->Close(); // writes the file
    ASSERT_TRUE(fs::exists(config / "dezadide" / "settings.ini"));
    fs::remove(top / "GONE");

    Open();
    frame().RememberSettingsIn(file);
    PumpEvents();
    PumpEvents();
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(top));
    EXPECT_EQ(m->folderView(kBottomRow).m_strPath, U16(top)) << "a gone folder: its parent";
    EXPECT_EQ(m->fileView(kTopRow).GetSort(), (RowSort{RowSortColumn::Size, true}));
    EXPECT_EQ(m->fileView(kBottomRow).GetSort(), RowSort{});
    EXPECT_EQ(ShownOrder(m->fileView(kTopRow)), (Names{"a.mp3", "b.mp3"}));
    EXPECT_EQ(m->fileView(kTopRow).GetColumnWidths(), widths);
    EXPECT_EQ(frame().GetSplitter()->GetColumnWidth(), 222);
    EXPECT_EQ(frame().GetSize(), wxSize(1000, 700));
}

TEST_F(FileManager, PlayConvertsToTheCacheAndHandsTheFileToTheOpener) {
    for (const auto& entry : fs::directory_iterator(fs::path(DEZADIDE_FIXTURES) / "rec" / "news"))
        fs::copy_file(entry.path(), top / entry.path().filename());
    WriteFile(top / "song.mp3", "x");
    const fs::path record = disk / "opened.txt";
    const fs::path opener = disk / "opener.sh";
    WriteFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + "'\n");
    fs::permissions(opener, fs::perms::owner_all);
    ScopedEnv openerEnv("DEZADIDE_OPENER", opener.c_str());
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));

    // Enter on a plain file plays nothing.
    ASSERT_TRUE(FocusList(kTopRow));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"song.mp3"}));
    RunCommand(frame(), dz::ID_PLAY);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(fs::exists(record));

    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"NEWS_#001_200612241930.AVR"}));
    RunCommand(frame(), dz::ID_PLAY);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(record) && fs::file_size(record) > 0; }));
    const std::vector<uint8_t> bytes = ReadFile(record);
    const fs::path played(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(played.parent_path(), fs::path(dz::ToUtf8(dz::platform::UserCacheFolder())));
    EXPECT_EQ(played.extension(), ".mpg");
    EXPECT_NE(played.filename().string().find("NEWS"), std::string::npos);
    EXPECT_GT(fs::file_size(played), 100000u);
    EXPECT_EQ(boxes.size(), 1u);

    RemoveOwnPlayFiles(); // as the program does when it ends
    EXPECT_FALSE(fs::exists(played));
}

TEST_F(FileManager, ACopyThatDoesNotFitIsRefusedBeforeAByteIsWritten) {
    const bool mounted = mount("tmpfs", bottom.c_str(), "tmpfs", 0, "size=1m") == 0;
    const uint64_t free = *platform::FreeSpace(U16(bottom));
    WriteFile(top / "small.mp3", PatternBytes(1000));
    WriteFile(top / "big.mp3", "");
    fs::resize_file(top / "big.mp3", free + (mounted ? 1 : 1024 * 1024));
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(bottom)));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"big.mp3", "small.mp3"}));
    RunCommand(frame(), dz::ID_COPY_TOP_TO_BOTTOM);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(u"Not enough space in " + U16(bottom), 0), 0u);
    EXPECT_NE(boxes[0].text.find(KBText(fs::file_size(top / "big.mp3") + 1000)),
              std::u16string::npos);
    EXPECT_TRUE(fs::is_empty(bottom));
    m.reset();
    if (mounted)
        umount(bottom.c_str());
}

TEST_F(FileManager, AskBeforeDeletingUndoesDontAskAgainAndIsRemembered) {
    TempDir config;
    const wxString file = wxString::FromUTF8((config / "settings.ini").string());
    WriteFile(top / "a.mp3", PatternBytes(10));
    WriteFile(top / "b.mp3", PatternBytes(10));
    Open();
    frame().RememberSettingsIn(file);
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    wxMenuItem* item = frame().GetMenuBar()->FindItem(dz::ID_ASK_BEFORE_DELETE);
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->IsCheckable());
    frame().UpdateWindowUI();
    EXPECT_TRUE(item->IsChecked());

    ASSERT_TRUE(FocusList(kTopRow));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    replies = {{{true, true}, {}}}; // Delete, and "Don't ask again"
    RunCommand(frame(), dz::ID_DELETE_FILES);
    ASSERT_EQ(asked.size(), 1u);
    frame().UpdateWindowUI();
    EXPECT_FALSE(item->IsChecked());
    EXPECT_FALSE(ReadLayoutSettings(file).confirmDelete);

    RunCommand(frame(), dz::ID_ASK_BEFORE_DELETE);
    frame().UpdateWindowUI();
    EXPECT_TRUE(item->IsChecked());
    EXPECT_TRUE(ReadLayoutSettings(file).confirmDelete) << "remembered at once";
    asked.clear();
    replies = {{{false, false}, {}}};
    ASSERT_TRUE(FocusList(kTopRow));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"b.mp3"}));
    RunCommand(frame(), dz::ID_DELETE_FILES);
    EXPECT_EQ(asked.size(), 1u) << "Delete asks again";
    EXPECT_TRUE(fs::exists(top / "b.mp3"));
}

// Where the window's frame stands on the screen, as the X server has it
// (the toolkit's own idea of its place runs ahead of the window manager).
// Five starts and closes in a row, started as the program starts (the
// remembered layout applied before the window shows), at a window size of
// its own and then maximised (or, without a window manager, sized to the
// screen): the columns, the rows and the place stay exactly as they were.
TEST_F(FileManager, FiveStartsAndClosesLeaveColumnsRowsAndPlaceAsTheyWere) {
    const WindowManager manager;
    TempDir config;
    const wxString file = wxString::FromUTF8((config / "settings.ini").string());
    struct Shown {
        std::array<int, CFileView::kColumnCount> columns[2];
        int rowHeight;
        wxPoint place;    // as the window knows it
        wxPoint onScreen; // where the toolkit finds its client area on the screen
        bool operator==(const Shown&) const = default;
    };
    const auto shown = [&] {
        return Shown{
            {m->fileView(kTopRow).GetColumnWidths(), m->fileView(kBottomRow).GetColumnWidths()},
            frame().GetSplitter()->GetRowHeight(),
            frame().GetPosition(),
            frame().ClientToScreen(wxPoint(0, 0))};
    };
    // Waits until the window is on the screen where it is to stand, then
    // until everything that caused has been handled.
    const auto settle = [&](const std::function<bool()>& placed) {
        EXPECT_TRUE(PumpUntil([&] { return FrameLaidOut(frame()) && placed(); }))
            << "the window did not come to its place: its frame is at " << FrameOnScreen(frame()).x
            << "," << FrameOnScreen(frame()).y << ", it thinks " << frame().GetPosition().x << ","
            << frame().GetPosition().y << (frame().IsMaximized() ? ", maximised" : "");
        PumpUntilIdle();
    };
    const auto at = [&](wxPoint place) {
        return [&, place] { return FrameOnScreen(frame()).GetPosition() == place; };
    };
    // Maximised, and its frame covers the screen as the X server has it
    // (what the server did before it answered is then in the queue).
    const auto maximised = [&] {
        return frame().IsMaximized() && FrameOnScreen(frame()) == wxGetClientDisplayRect();
    };
    const auto start = [&](const std::function<bool()>& placed) {
        m = std::make_unique<MainFrameFixture>(std::vector<std::u16string>{U16(disk.path())},
                                               wxSize(900, 600), wxString(), file);
        ASSERT_TRUE(m->frame());
        settle(placed);
    };
    start([] { return true; });
    frame().SetSize(200, 100, 1000, 700);
    settle(at(wxPoint(200, 100)));
    m->fileView(kTopRow).SetColumnWidths({300, 0, 90, 200, 80});
    const wxPoint placedOnScreen = frame().ClientToScreen(wxPoint(0, 0));
    m->Close();

    for (const bool full : {false, true}) {
        std::optional<Shown> first;
        for (int round = 0; round < 5; ++round) {
            if (!full)
                start(at(wxPoint(200, 100)));
            else if (round == 0)
                start(at(wxPoint(200, 100)));
            else if (manager.Runs())
                start(maximised);
            else
                start(at(wxPoint(0, 0)));
            if (full && round == 0) {
                frame().Maximize();
                if (manager.Runs()) {
                    settle(maximised);
                } else {
                    frame().SetSize(wxRect(wxPoint(0, 0), wxGetDisplaySize()));
                    settle(at(wxPoint(0, 0)));
                }
            }
            const Shown now = shown();
            if (!full) {
                EXPECT_EQ(now.place, wxPoint(200, 100)) << "start " << round;
                EXPECT_EQ(now.onScreen, placedOnScreen) << "start " << round;
            }
            if (first) {
                EXPECT_EQ(now, *first) << (full ? "maximised" : "own size") << ", start " << round;
            } else {
                first = now;
            }
            m->Close();
        }
        if (full)
            EXPECT_GT(first->columns[0][0], 300) << "the columns grew with the window, once";
        else
            EXPECT_EQ(first->columns[0],
                      (std::array<int, CFileView::kColumnCount>{300, 0, 90, 200, 80}));
    }
}

TEST_F(FileManager, TheDeleteQuestionGivesTheSizeTheListShows) {
    RecordingLayout radio;
    radio.name = "RADIO";
    MakeRecording(top, radio); // the companion itself is 9000 bytes more
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    const CFileView& list = m->fileView(kTopRow);
    ASSERT_EQ(list.m_wndList.GetItemCount(), 1);
    const std::u16string shown = FromWx(list.m_wndList.GetItemText(0, CFileView::kSize));
    ASSERT_TRUE(FocusList(kTopRow));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {PartName(radio, 1)}));
    replies = {{{false, false}, {}}};
    RunCommand(frame(), dz::ID_DELETE_FILES);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, u"Delete RADIO (" + shown + u" KB)?\nIt cannot be brought back.");
}

// Hovering the dragged rows over their own row (its tree, its list) changes
// nothing there and offers no drop; over the other tree a folder is only
// marked until the drop.
TEST_F(FileManager, ADragNeverChangesItsOwnSourceRow) {
    fs::create_directories(top / "INNER");
    fs::create_directories(bottom / "OTHER");
    WriteFile(top / "a.mp3", "a");
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(bottom)));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    CFolderTreeCtrl& own = m->tree(kTopRow);
    CFolderTreeCtrl& other = m->tree(kBottomRow);
    frame().SetDragSourceRow(kTopRow);
    // Every place of the own tree, where its items are.
    for (int y = 1; y < own.GetClientSize().y; y += 4) {
        EXPECT_EQ(own.GetDropTarget()->OnDragOver(20, y, wxDragCopy), wxDragNone);
        PumpEvents();
    }
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(top));
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), Names{"a.mp3"});
    EXPECT_EQ(m->fileView(kTopRow).m_wndList.GetDropTarget()->OnDragOver(5, 5, wxDragCopy),
              wxDragNone);
    for (int y = 1; y < other.GetClientSize().y; y += 4) {
        other.GetDropTarget()->OnDragOver(20, y, wxDragCopy);
        PumpEvents();
    }
    EXPECT_EQ(m->folderView(kBottomRow).m_strPath, U16(bottom)) << "marked, not opened";
    other.GetDropTarget()->OnLeave();
    frame().SetDragSourceRow(std::nullopt);
}

TEST_F(FileManager, AFirstStartOpensTheRecordersDiskAboveAndAnotherDriveBelow) {
    TempDir config;
    const fs::path backup = disk / "backup", recorder = disk / "recorder";
    fs::create_directories(backup);
    fs::create_directories(recorder / "REC");
    Open({U16(backup), U16(recorder)});
    frame().RememberSettingsIn(wxString::FromUTF8((config / "settings.ini").string()));
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(recorder)) << "the disk with REC";
    EXPECT_EQ(m->folderView(kBottomRow).m_strPath, U16(backup));
}

TEST_F(FileManager, MenusNameTheKeysOfTheirCommands) {
    Open();
    const struct {
        int id;
        int key;
        int flags;
    } keys[] = {{dz::ID_DELETE_FILES, WXK_DELETE, wxACCEL_NORMAL},
                {dz::ID_NEW_FOLDER, WXK_F7, wxACCEL_NORMAL},
                {dz::ID_PLAY, WXK_RETURN, wxACCEL_NORMAL},
                {dz::ID_VIEW_REFRESH, WXK_F5, wxACCEL_NORMAL},
                {dz::ID_NEXT_PANE, WXK_F6, wxACCEL_NORMAL},
                {dz::ID_PREV_PANE, WXK_F6, wxACCEL_SHIFT},
                {dz::ID_SELECT_ALL, 'A', wxACCEL_CTRL}};
    for (const auto& k : keys) {
        const wxMenuItem* item = frame().GetMenuBar()->FindItem(k.id);
        ASSERT_NE(item, nullptr) << k.id;
        const std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
        ASSERT_NE(accel, nullptr) << item->GetItemLabelText();
        EXPECT_EQ(accel->GetKeyCode(), k.key) << item->GetItemLabelText();
        EXPECT_EQ(accel->GetFlags(), k.flags) << item->GetItemLabelText();
    }
}

TEST_F(FileManager, EnterOnAnMp3HandsItToThePlayer) {
    WriteFile(top / "song.mp3", PatternBytes(100));
    const fs::path record = disk / "opened.txt";
    const fs::path opener = disk / "opener.sh";
    WriteFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + "'\n");
    fs::permissions(opener, fs::perms::owner_all);
    ScopedEnv openerEnv("DEZADIDE_OPENER", opener.c_str());
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    wxListCtrl& list = m->fileView(kTopRow).m_wndList;
    wxListEvent enter(wxEVT_LIST_ITEM_ACTIVATED, list.GetId());
    enter.SetEventObject(&list);
    enter.m_itemIndex = 0;
    list.GetEventHandler()->ProcessEvent(enter);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(record) && fs::file_size(record) > 0; }));
    const std::string path = (top / "song.mp3").string();
    EXPECT_EQ(ReadFile(record), std::vector<uint8_t>(path.begin(), path.end()));
    EXPECT_TRUE(boxes.empty());
}

// A companion whose total is garbage: the list shows the listing's own text
// for it, and copying the recording says any warning once, not once a block.
TEST_F(FileManager, AGarbageCompanionShowsTheListingsTextAndACopyWarnsOnce) {
    RecordingLayout junk;
    junk.name = "JUNK";
    junk.parts = {200000};
    junk.count = 63923; // one part there, the head says thousands
    junk.total = static_cast<int64_t>(0xFA0000000000D0D0ull);
    MakeRecording(top, junk);
    // A name the folder cannot give as text, as on a disk written elsewhere:
    // every read of the folder skips it with a warning.
    WriteFile(top / std::string("bad\xff.mp3"), "x");
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(bottom)));
    const std::vector<FileListRow> rows = ListFolderRows(U16(top));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(FromWx(m->fileView(kTopRow).m_wndList.GetItemText(0, CFileView::kSize)),
              rows[0].sizeText);

    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {PartName(junk, 1)}));
    testing::internal::CaptureStderr();
    RunCommand(frame(), dz::ID_COPY_TOP_TO_BOTTOM);
    PumpEvents();
    const std::string written = testing::internal::GetCapturedStderr();
    std::map<std::string, int> lines;
    std::istringstream text(written);
    for (std::string line; std::getline(text, line);)
        ++lines[line];
    for (const auto& [line, count] : lines)
        EXPECT_EQ(count, 1) << line;
    EXPECT_LE(lines.size(), 5u) << written.substr(0, 2000);
}

// Folders removed by another program leave both trees at F5: beside the
// shown folder, inside it, in a branch opened by hand, and the shown one.
TEST_F(FileManager, F5DropsFoldersDeletedOutsideFromTheTrees) {
    for (const char* folder : {"A/INNER", "B", "C/DEEP/DEEPER", "D"})
        fs::create_directories(top / folder);
    Open();
    ASSERT_TRUE(m->Select(kTopRow, U16(top / "A")));
    ASSERT_TRUE(m->Select(kBottomRow, U16(top / "D")));
    CFolderTreeCtrl& tree = m->tree(kTopRow);
    // C opened by hand, D shown below.
    const auto find = [&](CFolderTreeCtrl& t, const fs::path& path) {
        std::vector<wxTreeItemId> stack = {t.GetRootItem()};
        while (!stack.empty()) {
            const wxTreeItemId item = stack.back();
            stack.pop_back();
            if (item != t.GetRootItem() && t.GetItemPath(item) == U16(path))
                return item;
            wxTreeItemIdValue cookie;
            for (wxTreeItemId c = t.GetFirstChild(item, cookie); c.IsOk();
                 c = t.GetNextChild(item, cookie))
                stack.push_back(c);
        }
        return wxTreeItemId();
    };
    ASSERT_TRUE(find(tree, top / "C").IsOk());
    tree.Expand(find(tree, top / "C"));
    tree.Expand(find(tree, top / "C" / "DEEP"));
    ASSERT_TRUE(find(tree, top / "C" / "DEEP" / "DEEPER").IsOk());
    for (const char* folder : {"A/INNER", "B", "C/DEEP/DEEPER", "D"})
        fs::remove_all(top / folder);
    RunCommand(frame(), dz::ID_VIEW_REFRESH);
    for (const char* folder : {"A/INNER", "B", "C/DEEP/DEEPER", "D"}) {
        EXPECT_FALSE(find(m->tree(kTopRow), top / folder).IsOk()) << "top tree: " << folder;
        EXPECT_FALSE(find(m->tree(kBottomRow), top / folder).IsOk()) << "bottom tree: " << folder;
    }
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(top / "A"));
}

// The picture under the pointer names what is dragged; it is not the
// toolkit's empty page.
TEST_F(FileManager, TheDragPictureShowsWhatIsDragged) {
    const wxIcon one = CMainFrame::MakeDragIcon("NEWS");
    const wxIcon three = CMainFrame::MakeDragIcon("3 entries");
    ASSERT_TRUE(one.IsOk());
    EXPECT_GT(three.GetWidth(), one.GetWidth()) << "the label fits its text";
    wxBitmap bitmap;
    bitmap.CopyFromIcon(one);
    const wxImage image = bitmap.ConvertToImage();
    std::set<uint32_t> colours;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            colours.insert(static_cast<uint32_t>(image.GetRed(x, y)) << 16 |
                           static_cast<uint32_t>(image.GetGreen(x, y)) << 8 | image.GetBlue(x, y));
    EXPECT_GT(colours.size(), 3u) << "a frame, a file picture and text, not a blank square";
}

// A window made larger or smaller keeps its rows in proportion (two rows as
// even as before, not one row taking every new pixel) and its columns inside
// the list (Date never pushed off the edge).
TEST_F(FileManager, RowsAndColumnsKeepTheirProportionsAsTheWindowChanges) {
    Open();
    const auto rowHeights = [&] {
        return std::pair<int, int>(m->fileView(kTopRow).GetSize().y,
                                   m->fileView(kBottomRow).GetSize().y);
    };
    const auto columnsFit = [&](int row) {
        const std::array<int, CFileView::kColumnCount> widths = m->fileView(row).GetColumnWidths();
        return std::accumulate(widths.begin(), widths.end(), 0) <= m->fileView(row).ListWidth();
    };
    const auto [top0, bottom0] = rowHeights();
    const double share0 = static_cast<double>(top0) / (top0 + bottom0);
    for (const wxSize size : {wxSize(1260, 1000), wxSize(500, 400), wxSize(900, 600)}) {
        frame().SetClientSize(size);
        // Until the new size is laid out: the panes fill the client area.
        PumpUntil([&] { return frame().GetSplitter()->GetSize() == frame().GetClientSize(); },
                  std::chrono::seconds(3));
        PumpUntilIdle();
        const auto [top, bottom] = rowHeights();
        EXPECT_NEAR(static_cast<double>(top) / (top + bottom), share0, 0.02)
            << size.x << "x" << size.y << ": " << top << " above " << bottom;
        EXPECT_TRUE(columnsFit(kTopRow)) << size.x << "x" << size.y;
        EXPECT_TRUE(columnsFit(kBottomRow)) << size.x << "x" << size.y;
    }
}

} // namespace
} // namespace dz::test
