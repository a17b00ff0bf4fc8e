// Rename, folder Delete, Check Folder, the marks on rows that are not whole
// and Verify After Copy, on the real frame: what changes on disk, what the
// panes show afterwards, and every question and message.
#include "common/list_text.h"
#include "common/messages.h"
#include "dialog_test_support.h"
#include "platform/platform.h"
#include "support/main_frame_fixture.h"
#include "transfer/care_support.h"
#include "transfer/location_patch.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/dialogs/CheckFolderDlg.h"
#include "ui/dialogs/CopyProgressDlg.h"
#include "ui/dialogs/InputNameDlg.h"
#include "ui/panes/FolderTreeCtrl.h"
#include "ui/panes/FolderView.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/textctrl.h>
#include <wx/tooltip.h>

#include <optional>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

using Names = std::vector<std::string>;

std::string Location(const fs::path& file, bool companion) {
    return ToUtf8(LocationOfFile(U16(file), companion).value_or(u"?"));
}

class CareCommands : public ::testing::Test {
protected:
    TempDir disk;
    fs::path a = disk / "A";
    std::vector<MessageBoxCall> boxes;
    std::vector<PromptCall> prompts;
    bool confirm = true;
    RecordingLayout news{.parts = {300, 300, 300}};
    std::unique_ptr<MainFrameFixture> m;

    void SetUp() override {
        TestStandIn().messageBox = [this](const MessageBoxCall& c) { boxes.push_back(c); };
        TestStandIn().prompt = [this](const PromptCall& c) {
            prompts.push_back(c);
            return PromptReply{{confirm, false}, {}};
        };
        fs::create_directories(a);
    }
    void TearDown() override {
        m.reset();
        TestStandIn().messageBox = nullptr;
        TestStandIn().prompt = nullptr;
        TestStandIn().copy = {};
    }
    void MakeFrame() { m = std::make_unique<MainFrameFixture>(std::vector{U16(disk.path())}); }
    bool Focus(int row, bool list) {
        const bool top = row == kTopRow;
        return list ? FocusPane(*m->frame(), m->fileView(row).m_wndList,
                                top ? FocusedPane::TopList : FocusedPane::BottomList)
                    : FocusPane(*m->frame(), m->tree(row),
                                top ? FocusedPane::TopTree : FocusedPane::BottomTree);
    }
    // Rename with this text typed over what the box offered; the offer is
    // returned. Nothing typed: the dialog is cancelled.
    std::u16string Rename(std::optional<std::u16string> name) {
        auto offered = std::make_shared<std::u16string>();
        wxTheApp->CallAfter([name, offered] {
            CInputNameDlg* dialog = FindModalDialog<CInputNameDlg>();
            if (!dialog)
                return;
            *offered = FromWx(dialog->GetNameBox()->GetValue());
            if (name)
                dialog->GetNameBox()->ChangeValue(ToWx(*name));
            PostButton(*dialog, name ? wxID_OK : wxID_CANCEL);
        });
        RunCommand(*m->frame(), dz::ID_RENAME);
        return *offered;
    }
    std::u16string TakeOneMessage() {
        EXPECT_EQ(boxes.size(), 1u);
        std::u16string text = boxes.empty() ? u"" : boxes[0].text;
        boxes.clear();
        return text;
    }
};

TEST_F(CareCommands, F2RenamesARecordingWithAllItsFilesAndShowsARefusal) {
    MakeSoundRecording(a, news, "C:\\A\\");
    WriteFile(a / "a.mp3", "a");
    WriteFile(a / "b.mp3", "b");
    MakeFrame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {PartName(news, 1)}));
    ASSERT_TRUE(Focus(kTopRow, true));
    // The box offers the name the list shows.
    EXPECT_EQ(Rename(u"EVENING"), u"NEWS");

    EXPECT_TRUE(boxes.empty());
    const RecordingLayout evening{.name = "EVENING", .parts = news.parts};
    EXPECT_EQ(CountIn(a, RecordingFiles(news)), 0u);
    EXPECT_EQ(CountIn(a, RecordingFiles(evening)), 4u);
    const std::string location = "C:\\A\\" + CompanionName(evening);
    EXPECT_EQ(Location(a / CompanionName(evening), true), location);
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(Location(a / PartName(evening, p), false), location);
    // Both lists show the new name; the renamed row stays selected.
    const Names listed = {PartName(evening, 1), "a.mp3", "b.mp3"};
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), listed);
    EXPECT_EQ(ListedFiles(m->fileView(kBottomRow)), listed);
    ASSERT_EQ(m->fileView(kTopRow).SelectedRowTexts().size(), 1u);
    EXPECT_EQ(m->fileView(kTopRow).SelectedRowTexts()[0].column1, U16(PartName(evening, 1)));

    // A name already taken is refused with the engine's words, touching nothing.
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
    ASSERT_TRUE(Focus(kTopRow, true));
    EXPECT_EQ(Rename(u"b.mp3"), u"a.mp3");
    EXPECT_EQ(TakeOneMessage(), FillMessage(msg::kRenameTaken, u"b.mp3"));
    EXPECT_EQ(ReadFile(a / "a.mp3"), std::vector<uint8_t>{'a'});
    EXPECT_EQ(ReadFile(a / "b.mp3"), std::vector<uint8_t>{'b'});
    // Cancel and the same name change nothing, without a word.
    ASSERT_TRUE(Focus(kTopRow, true));
    Rename(std::nullopt);
    ASSERT_TRUE(Focus(kTopRow, true));
    Rename(u"a.mp3");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ListedFiles(m->fileView(kTopRow)), listed);
}

TEST_F(CareCommands, F2InATreeRenamesItsFolderAndBothTreesFollow) {
    fs::create_directories(a / "Inner");
    WriteFile(a / "Inner" / "song.mp3", "s");
    MakeFrame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(a / "Inner")));
    ASSERT_TRUE(Focus(kTopRow, false));
    EXPECT_EQ(Rename(u"Renamed"), u"A");

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fs::exists(disk / "Renamed" / "Inner" / "song.mp3"));
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(disk / "Renamed"));
    EXPECT_EQ(m->folderView(kBottomRow).m_strPath, U16(disk / "Renamed" / "Inner"));
    EXPECT_TRUE(
        PumpUntil([&] { return ListedFiles(m->fileView(kBottomRow)) == Names{"song.mp3"}; }));

    // A drive is no folder to rename.
    ASSERT_TRUE(m->Select(kTopRow, U16(disk.path())));
    ASSERT_TRUE(Focus(kTopRow, false));
    RunCommand(*m->frame(), dz::ID_RENAME);
    EXPECT_EQ(TakeOneMessage(), FillMessage(msg::kDriveNotRenamed, U16(disk.path())));
}

TEST_F(CareCommands, DeleteInATreeAsksWithWhatTheFolderHoldsThenDeletesIt) {
    const fs::path inner = a / "Inner";
    fs::create_directories(inner / "Deeper");
    MakeRecording(inner, news);
    WriteFile(inner / "Deeper" / "song.mp3", std::string(2048, 's'));
    MakeFrame();
    ASSERT_TRUE(m->Select(kTopRow, U16(inner)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(inner / "Deeper")));
    ASSERT_TRUE(Focus(kTopRow, false));

    // Declined: nothing goes.
    confirm = false;
    RunCommand(*m->frame(), dz::ID_DELETE_FILES);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].kind, PromptCall::Kind::Delete);
    EXPECT_NE(prompts[0].text.find(FillMessage(msg::kDeleteFolderQuestion, U16(inner))),
              std::u16string::npos)
        << ToUtf8(prompts[0].text);
    EXPECT_NE(prompts[0].text.find(FillCounts(msg::kFolderHolds, 1, 1)), std::u16string::npos)
        << ToUtf8(prompts[0].text);
    EXPECT_TRUE(fs::exists(inner / PartName(news, 1)));

    confirm = true;
    ASSERT_TRUE(Focus(kTopRow, false));
    RunCommand(*m->frame(), dz::ID_DELETE_FILES);
    EXPECT_EQ(prompts.size(), 2u);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(fs::exists(inner));
    EXPECT_TRUE(fs::exists(a));
    // Both trees go back to the nearest folder still there.
    EXPECT_EQ(m->folderView(kTopRow).m_strPath, U16(a));
    EXPECT_EQ(m->folderView(kBottomRow).m_strPath, U16(a));
    EXPECT_TRUE(PumpUntil([&] { return ListedFiles(m->fileView(kTopRow)).empty(); }));

    // The drive itself is refused before any question.
    ASSERT_TRUE(m->Select(kTopRow, U16(disk.path())));
    ASSERT_TRUE(Focus(kTopRow, false));
    RunCommand(*m->frame(), dz::ID_DELETE_FILES);
    EXPECT_EQ(TakeOneMessage(), FillMessage(msg::kDriveNotDeleted, U16(disk.path())));
    EXPECT_EQ(prompts.size(), 2u);
}

TEST_F(CareCommands, CheckFolderListsTheFindingsAndMendFixesWhatItCan) {
    MakeSoundRecording(a, news, "C:\\ELSEWHERE\\");
    const RecordingLayout cut{.name = "CUT", .parts = {300, 300}};
    MakeSoundRecording(a, cut, "C:\\A\\");
    fs::remove(a / PartName(cut, 2));
    MakeFrame();
    ASSERT_TRUE(m->Select(kBottomRow, U16(a)));
    ASSERT_TRUE(Focus(kBottomRow, true));

    struct Seen {
        std::vector<std::array<std::u16string, 3>> rows;
        std::u16string summary;
        bool mendEnabled = false;
    };
    auto seen = std::make_shared<std::vector<Seen>>();
    wxTheApp->CallAfter([seen] {
        CCheckFolderDlg* dialog = FindModalDialog<CCheckFolderDlg>();
        if (!dialog)
            return;
        auto look = [&] {
            Seen s;
            for (long i = 0; i < dialog->GetList()->GetItemCount(); ++i)
                s.rows.push_back({dialog->GetCell(i, CCheckFolderDlg::kEntry),
                                  dialog->GetCell(i, CCheckFolderDlg::kProblem),
                                  dialog->GetCell(i, CCheckFolderDlg::kMend)});
            s.summary = dialog->GetSummaryText();
            s.mendEnabled = dialog->GetMendButton()->IsEnabled();
            seen->push_back(s);
        };
        look();
        Press(*dialog, IDC_CHECK_MEND);
        look();
        PostButton(*dialog, wxID_CANCEL);
    });
    RunCommand(*m->frame(), dz::ID_CHECK_FOLDER);

    ASSERT_EQ(seen->size(), 2u);
    const std::u16string elsewhere =
        FillMessage(msg::kCheckLocationElsewhere, U16("C:\\ELSEWHERE\\" + CompanionName(news)));
    const std::u16string missing = FillCounts(msg::kCheckPartMissing, 2, 2);
    const std::array<std::u16string, 3> missingRow = {U16(CompanionName(cut)), missing,
                                                      msg::kFixNothing};
    const Seen& before = (*seen)[0];
    EXPECT_TRUE(before.mendEnabled);
    EXPECT_EQ(before.summary, CheckSummaryText(5, U16(a)));
    EXPECT_EQ(std::count(before.rows.begin(), before.rows.end(), missingRow), 1);
    const std::array<std::u16string, 3> companionRow = {U16(CompanionName(news)), elsewhere,
                                                        msg::kFixRewriteLocation};
    EXPECT_EQ(std::count(before.rows.begin(), before.rows.end(), companionRow), 1);
    // What is left after Mend: only what it cannot mend.
    const Seen& after = (*seen)[1];
    EXPECT_EQ(after.rows, std::vector{missingRow});
    EXPECT_FALSE(after.mendEnabled);
    EXPECT_TRUE(boxes.empty());
    const std::string location = "C:\\A\\" + CompanionName(news);
    EXPECT_EQ(Location(a / CompanionName(news), true), location);
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(Location(a / PartName(news, p), false), location);

    // Without a folder in the focused row there is nothing to check.
    ASSERT_TRUE(Focus(kTopRow, true));
    RunCommand(*m->frame(), dz::ID_CHECK_FOLDER);
    EXPECT_EQ(TakeOneMessage(), msg::kNoFolder);
}

TEST_F(CareCommands, ARecordingThatIsNotWholeIsMarkedAndItsTipNamesTheProblem) {
    MakeSoundRecording(a, news, "C:\\A\\");
    const RecordingLayout cut{.name = "CUT", .parts = {300, 300, 300}};
    MakeSoundRecording(a, cut, "C:\\A\\");
    fs::remove(a / PartName(cut, 3));
    MakeFrame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    CFileView& view = m->fileView(kTopRow);
    const long whole = view.FindRow(U16(PartName(news, 1)));
    const long marked = view.FindRow(U16(PartName(cut, 1)));
    ASSERT_GE(whole, 0);
    ASSERT_GE(marked, 0);
    EXPECT_EQ(view.RowProblem(whole), u"");
    EXPECT_EQ(view.RowProblem(marked), FillCounts(msg::kCheckPartMissing, 3, 3));
    EXPECT_EQ(view.m_wndList.GetItemTextColour(marked), CFileView::MarkColour());
    EXPECT_NE(view.m_wndList.GetItemTextColour(whole), CFileView::MarkColour());

    // The pointer over a row: the tip names its problem, and goes on a whole row.
    auto hover = [&](long item) {
        wxRect rect;
        EXPECT_TRUE(view.m_wndList.GetItemRect(item, rect));
        wxWindow* rows = view.RowsWindow();
        // The item's rectangle is in the list's coordinates; the rows'
        // window lies below the header.
        const wxPoint at = rows->ScreenToClient(view.m_wndList.ClientToScreen(rect.GetPosition())) +
                           wxPoint(4, rect.height / 2);
        wxMouseEvent motion(wxEVT_MOTION);
        motion.SetPosition(at);
        motion.SetEventObject(rows);
        rows->GetEventHandler()->ProcessEvent(motion);
        return rows->GetToolTipText();
    };
    EXPECT_EQ(hover(marked), ToWx(FillCounts(msg::kCheckPartMissing, 3, 3)));
    EXPECT_EQ(hover(whole), wxString());
}

TEST_F(CareCommands, VerifyAfterCopyIsRememberedAndReachesTheJob) {
    WriteFile(a / "a.mp3", "a");
    fs::create_directories(disk / "B");
    const fs::path settings = disk / "settings.ini";
    std::vector<bool> verified;
    TestStandIn().copy.threadProc = [&](TransferJob* job) {
        verified.push_back(job->verify);
        return CopyThreadProc(job);
    };
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        m = std::make_unique<MainFrameFixture>(std::vector{U16(disk.path())}, wxSize(900, 600),
                                               wxString(), ToWx(U16(settings)));
        EXPECT_FALSE(m->frame()->GetSettings().verifyAfterCopy) << "off until chosen";
        if (on) {
            RunCommand(*m->frame(), dz::ID_VERIFY_AFTER_COPY);
            EXPECT_TRUE(m->frame()->GetSettings().verifyAfterCopy);
        }
        ASSERT_TRUE(m->Select(kTopRow, U16(a)));
        ASSERT_TRUE(m->Select(kBottomRow, U16(disk / "B")));
        ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3"}));
        RunCommand(*m->frame(), dz::ID_COPY_TOP_TO_BOTTOM);
        EXPECT_TRUE(fs::exists(disk / "B" / "a.mp3"));
        fs::remove(disk / "B" / "a.mp3");
        if (on) {
            m.reset();
            // The next start remembers it; choosing it again turns it off.
            m = std::make_unique<MainFrameFixture>(std::vector{U16(disk.path())}, wxSize(900, 600),
                                                   wxString(), ToWx(U16(settings)));
            EXPECT_TRUE(m->frame()->GetSettings().verifyAfterCopy);
            RunCommand(*m->frame(), dz::ID_VERIFY_AFTER_COPY);
            EXPECT_FALSE(m->frame()->GetSettings().verifyAfterCopy);
        }
        m.reset();
    }
    EXPECT_EQ(verified, (std::vector<bool>{false, true}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CareCommands, TheStatusBarFollowsTheFocusedListsSelectionAndItsDrive) {
    WriteFile(a / "a.mp3", std::string(4096, 'a'));
    WriteFile(a / "b.mp3", std::string(2048, 'b'));
    WriteFile(disk / "c.mem", "c");
    MakeFrame();
    ASSERT_TRUE(m->Select(kTopRow, U16(a)));
    ASSERT_TRUE(m->Select(kBottomRow, U16(disk.path())));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"a.mp3", "b.mp3"}));
    ASSERT_TRUE(Focus(kTopRow, true));
    EXPECT_TRUE(PumpUntil([&] { return m->frame()->GetStatusText(0) == u"2 of 2 selected, 6 KB"; }))
        << ToUtf8(m->frame()->GetStatusText(0));
    const std::optional<uint64_t> free = platform::FreeSpace(U16(a));
    ASSERT_TRUE(free.has_value());
    EXPECT_EQ(m->frame()->GetStatusText(1), FreeStatusText(&*free));
    // The other row's list once it has the focus; a tree speaks for its row.
    ASSERT_TRUE(Focus(kBottomRow, false));
    EXPECT_TRUE(PumpUntil([&] { return m->frame()->GetStatusText(0) == u"0 of 1 selected, 0 KB"; }))
        << ToUtf8(m->frame()->GetStatusText(0));
    ASSERT_TRUE(SelectFiles(m->fileView(kTopRow), {"b.mp3"}));
    ASSERT_TRUE(Focus(kTopRow, true));
    EXPECT_TRUE(PumpUntil([&] { return m->frame()->GetStatusText(0) == u"1 of 2 selected, 2 KB"; }))
        << ToUtf8(m->frame()->GetStatusText(0));
}

} // namespace
} // namespace dz::test
