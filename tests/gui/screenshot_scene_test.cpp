// Not a test: the scene scripts/screenshot.sh photographs for the README.
// A recorder disk and a backup disk, a folder open in each row and a
// recording selected. Disabled, so that the suite never runs it.
#include "common/command_ids.h"
#include "recording/recording_files.h"
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "transfer/transfer_plan.h"
#include "ui/app/MainFrame.h"
#include "ui/dialogs/CheckFolderDlg.h"
#include "ui/dialogs/Prompts.h"
#include "ui/panes/DetailsPane.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A recording whose companion names its place, as the recorder wrote it
// there: folderText is the recorder's "C:\...\" of the folder.
void Recording(const fs::path& folder, const std::string& folderText, const std::string& name,
               const std::string& stamp, int parts, uint64_t totalSize) {
    const std::string companion = name + "_#001_" + stamp + ".AVF";
    const std::string location = folderText + companion;
    // Each part a header naming the companion, two transport packets, and
    // its share of the total as a hole.
    for (int p = 1; p <= parts; ++p) {
        char part[12];
        std::snprintf(part, sizeof part, "%03d", p);
        const fs::path file = folder / (name + "_#" + part + "_" + stamp + ".AVR");
        std::vector<uint8_t> bytes(dz::kPartHeaderSize + 2 * 188, 0);
        bytes[dz::kPartStreamOffsetOffset + 1] = static_cast<uint8_t>(dz::kPartHeaderSize);
        std::copy(location.begin(), location.end(), bytes.begin() + dz::kPartLocationOffset);
        bytes[dz::kPartHeaderSize] = bytes[dz::kPartHeaderSize + 188] = 0x47;
        dz::test::WriteFile(file, bytes);
        const uint64_t share = totalSize / static_cast<uint64_t>(parts);
        fs::resize_file(file, p < parts ? share : totalSize - share * (parts - 1));
    }
    std::vector<uint8_t> head = dz::test::CompanionBytes(static_cast<uint16_t>(parts), totalSize);
    std::fill_n(head.begin() + dz::kCompanionLocationOffset, dz::kLocationFieldSize, 0);
    std::copy(location.begin(), location.end(), head.begin() + dz::kCompanionLocationOffset);
    dz::test::WriteFile(folder / companion, head);
}

void Plain(const fs::path& path, uintmax_t size) {
    dz::test::WriteFile(path, "");
    fs::resize_file(path, size);
}

// Photographs a rectangle of the screen into out.
void Shoot(const wxRect& r, const std::string& out) {
    const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                                std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                                std::to_string(r.y) + " +repage '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

// The companion pictures of the README go beside the main one.
std::string Beside(const std::string& out, const std::string& name) {
    return (fs::path(out).parent_path() / name).string();
}

} // namespace

TEST(Screenshot, DISABLED_Scene) {
    const char* out = std::getenv("SCREENSHOT_OUT");
    ASSERT_NE(out, nullptr) << "SCREENSHOT_OUT names the picture";
    const fs::path media = "/tmp/media";
    fs::remove_all(media);
    const fs::path rec = media / "rec" / "REC";
    const fs::path backup = media / "backup" / "Videos";
    for (const fs::path& p : {rec, media / "rec" / "MUSIC", media / "rec" / "TIMESHIFT", backup,
                              media / "backup" / "Music", media / "backup" / "Videos" / "2006"})
        fs::create_directories(p);
    const std::string recText = "C:\\REC\\";
    Recording(rec, recText, "NEWS", "200612241930", 2, 1610612736ull);
    Recording(rec, recText, "MOVIE NIGHT", "200701052015", 3, 3435973836ull);
    Recording(rec, recText, "DOCUMENTARY", "200702101800", 1, 912680550ull);
    Recording(rec, recText, "CONCERT", "200703031945", 2, 2147483648ull);
    Plain(rec / "theme song.mp3", 4718592);
    Plain(rec / "reminder.mem", 2048);
    Recording(backup, "C:\\Videos\\", "SPORT", "200611181500", 2, 1879048192ull);
    Plain(backup / "soundtrack.mp3", 6291456);

    {
        dz::test::MainFrameFixture m(
            {u"/", (media / "rec").u16string(), (media / "backup").u16string()}, wxSize(1000, 600));
        ASSERT_TRUE(m.frame());
        m.frame()->Move(0, 0);
        ASSERT_TRUE(m.Select(kTopRow, rec.u16string()));
        ASSERT_TRUE(m.Select(kBottomRow, backup.u16string()));
        wxListCtrl& top = m.fileView(kTopRow).m_wndList;
        for (long i = 0; i < top.GetItemCount(); ++i) {
            if (top.GetItemText(i) == "MOVIE NIGHT")
                top.SetItemState(i, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        }
        top.SetFocus();
        m.frame()->Raise();
        dz::test::PumpFor(std::chrono::milliseconds(1500));
        const wxRect r = m.frame()->GetScreenRect();
        Shoot(r, out);

        // The top list sorted by size, largest first; the bottom by date.
        m.fileView(kTopRow).SetSort({dz::RowSortColumn::Size, true});
        m.fileView(kBottomRow).SetSort({dz::RowSortColumn::Date, false});
        dz::test::PumpFor(std::chrono::milliseconds(800));
        Shoot(r, Beside(out, "sorted-lists.png"));

        // The top list's context menu, photographed while it is open.
        wxTimer shot;
        shot.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            Shoot(r, Beside(out, "context-menu.png"));
            wxUIActionSimulator().Char(WXK_ESCAPE);
        });
        shot.StartOnce(800);
        const wxPoint at = m.frame()->ScreenToClient(top.GetScreenPosition() + wxPoint(120, 60));
        m.frame()->PopupPaneMenu(kTopRow, true, at);
        dz::test::PumpFor(std::chrono::milliseconds(300));

        // The question before a Delete.
        wxDialog* question = MakeDeleteConfirmation(
            m.frame(), dz::DeleteQuestionText({u"MOVIE NIGHT"}, 3435973836ull));
        question->Show();
        dz::test::PumpFor(std::chrono::milliseconds(800));
        Shoot(r, Beside(out, "delete-confirmation.png"));
        question->Destroy();

        // A recording cut short by another tool and one moved by another
        // program: their rows are marked, the pointer over one shows why.
        Recording(rec, recText, "HOLIDAY", "200708121400", 3, 2576980377ull);
        fs::remove(rec / "HOLIDAY_#003_200708121400.AVR");
        Recording(rec, "C:\\OLD\\", "WEATHER", "200709011855", 1, 104857600ull);
        m.fileView(kTopRow).SetSort({dz::RowSortColumn::Name, false});
        m.fileView(kTopRow).RefreshFolder();
        const long holiday = m.fileView(kTopRow).FindRow(u"HOLIDAY_#001_200708121400.AVR");
        ASSERT_GE(holiday, 0);
        wxRect row;
        top.GetItemRect(holiday, row);
        wxUIActionSimulator pointer;
        pointer.MouseMove(top.ClientToScreen(row.GetPosition()) + wxPoint(200, row.height / 2));
        dz::test::PumpFor(std::chrono::milliseconds(200));
        pointer.MouseMove(top.ClientToScreen(row.GetPosition()) + wxPoint(204, row.height / 2));
        dz::test::PumpFor(std::chrono::milliseconds(2000));
        Shoot(r, Beside(out, "marked-row.png"));

        // Check Folder on the same folder, shown beside the window.
        auto* check = new CCheckFolderDlg(m.frame(), rec.u16string());
        check->Show();
        dz::test::PumpFor(std::chrono::milliseconds(800));
        Shoot(check->GetScreenRect(), Beside(out, "check-folder.png"));
        check->Destroy();
    }
    fs::remove_all(media);
}

// Not a test either: the details pane below the lists, with the test clips'
// recordings (whose streams are real), a recording selected in each row.
TEST(Screenshot, DISABLED_DetailsPane) {
    const char* out = std::getenv("SCREENSHOT_OUT");
    ASSERT_NE(out, nullptr) << "SCREENSHOT_OUT names the picture";
    const fs::path media = "/tmp/media-details";
    fs::remove_all(media);
    const fs::path rec = media / "rec" / "REC";
    const fs::path backup = media / "backup" / "Videos";
    fs::create_directories(rec);
    fs::create_directories(backup);
    const auto copy = [](const std::string& fixture, const fs::path& to) {
        for (const auto& entry :
             fs::directory_iterator(fs::path(DEZADIDE_FIXTURES) / "rec" / fixture))
            fs::copy_file(entry.path(), to / entry.path().filename());
    };
    for (const char* fixture : {"news", "film", "radio"})
        copy(fixture, rec);
    for (const char* fixture : {"sport", "wrap"})
        copy(fixture, backup);
    {
        dz::test::MainFrameFixture m(
            {u"/", (media / "rec").u16string(), (media / "backup").u16string()}, wxSize(1000, 700));
        ASSERT_TRUE(m.frame());
        m.frame()->Move(0, 0);
        wxCommandEvent toggle(wxEVT_MENU, dz::ID_VIEW_DETAILS_PANE);
        m.frame()->GetEventHandler()->ProcessEvent(toggle);
        ASSERT_TRUE(m.Select(kTopRow, rec.u16string()));
        ASSERT_TRUE(m.Select(kBottomRow, backup.u16string()));
        for (int row : {kTopRow, kBottomRow}) {
            wxListCtrl& list = m.fileView(row).m_wndList;
            const wxString name = row == kTopRow ? "NEWS" : "WRAP";
            for (long i = 0; i < list.GetItemCount(); ++i) {
                if (list.GetItemText(i) == name)
                    list.SetItemState(i, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                      wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
            }
        }
        m.fileView(kTopRow).m_wndList.SetFocus();
        m.frame()->Raise();
        ASSERT_TRUE(dz::test::PumpUntil(
            [&] {
                return m.fileView(kTopRow).Details().PictureDone() &&
                       m.fileView(kBottomRow).Details().PictureDone() &&
                       !m.fileView(kTopRow).ReadingLengths() &&
                       !m.fileView(kBottomRow).ReadingLengths();
            },
            std::chrono::seconds(30)));
        dz::test::PumpFor(std::chrono::milliseconds(1000));
        Shoot(m.frame()->GetScreenRect(), out);
    }
    fs::remove_all(media);
}
