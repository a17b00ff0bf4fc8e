// What the real file lists show for a folder of recordings and plain files.
#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/FileView.h"
#include "ui/panes/FolderView.h"
#include "ui/wx_text.h"

#include <gtest/gtest.h>

#include <array>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::TempDir;
using dz::test::U;

namespace {

using RowTexts = std::array<std::u16string, 4>;

// The texts of each row by column; the hidden column 1 is the row's real
// file name, which the list keeps but does not draw.
std::map<std::u16string, RowTexts> Rows(const CFileView& view) {
    std::map<std::u16string, RowTexts> rows;
    const wxListCtrl& list = view.m_wndList;
    for (long i = 0; i < list.GetItemCount(); ++i) {
        RowTexts texts;
        for (int c = 0; c < 4; ++c)
            texts[c] = FromWx(list.GetItemText(i, c));
        EXPECT_EQ(texts[CFileView::kRealFileName], u"") << "nothing to draw in the hidden column";
        texts[CFileView::kRealFileName] = view.RealFileName(i);
        rows[texts[0]] = texts;
    }
    EXPECT_EQ(list.GetColumnWidth(CFileView::kRealFileName), 0);
    return rows;
}

} // namespace

TEST(FileList, OneRowPerRecordingAndPerPlainFileNothingElse) {
    TempDir disk;
    const fs::path rec = disk / "REC";
    fs::create_directories(rec / "SUB");
    dz::test::WriteFile(rec / "NEWS_#001_200612241930.AVR", "part one");
    dz::test::WriteFile(rec / "NEWS_#002_200612241930.AVR", "part two");
    dz::test::WriteFile(rec / "NEWS_#001_200612241930.AVF",
                        dz::test::CompanionBytes(2, 5000000000ull));
    dz::test::WriteFile(rec / "SPORT_#002_200701011200.AVR", "part 2 without part 1");
    dz::test::WriteFile(rec / "SPORT_#001_200701011200.AVF", dz::test::CompanionBytes(2, 4096));
    dz::test::WriteFile(rec / "MOVIE.AVR", "outside the scheme");
    dz::test::WriteFile(rec / "LOST_#001_200801010000.AVR", "no companion");
    dz::test::WriteFile(rec / "song.MP3", std::string(1023, 's'));
    dz::test::WriteFile(rec / "memo.mem", std::string(1024, 'm'));
    dz::test::WriteFile(rec / "notes.txt", "skipped");

    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U(rec)));
    const auto rows = Rows(m.fileView(kTopRow));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.at(u"NEWS"), (RowTexts{u"NEWS", u"NEWS_#001_200612241930.AVR", u"4,882,812",
                                          u"2006-12-24 PM  7:30:00"}));
    EXPECT_EQ(rows.at(u"LOST")[2], u"0") << "a missing companion lists with size 0";
    EXPECT_EQ(rows.at(u"song.MP3")[1], u"song.MP3");
    EXPECT_EQ(rows.at(u"song.MP3")[2], u"0");
    EXPECT_EQ(rows.at(u"memo.mem")[2], u"1");

    // An empty folder text empties the list.
    m.fileView(kTopRow).ShowFolder(u"");
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 0);
    // So does a folder that is gone.
    m.fileView(kTopRow).ShowFolder(U(rec));
    fs::remove_all(rec);
    m.fileView(kTopRow).ShowFolder(U(rec));
    EXPECT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 0);
}

TEST(FileList, PlainFileTimesUseTheTwelveHourRuleOfTheList) {
    TempDir disk;
    dz::test::WriteFile(disk / "a.mp3", "a");
    const auto info = dz::platform::GetFileInfo(U(disk / "a.mp3"));
    ASSERT_TRUE(info);
    std::tm utc{};
    gmtime_r(&info->creationTime, &utc);
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());

    // A zone is picked that puts the file's creation at the hour wanted.
    // POSIX zones count hours west of Greenwich.
    struct Case {
        int hour;
        const char* shown;
    } cases[] = {{12, "AM 12:"}, {0, "AM  0:"}, {13, "PM  1:"}};
    for (const Case& c : cases) {
        int west = (utc.tm_hour - c.hour + 48) % 24;
        if (west > 12)
            west -= 24;
        dz::test::ScopedEnv tz("TZ", "XXX" + std::to_string(west));
        m.fileView(kTopRow).ShowFolder(U(disk.path()));
        ASSERT_EQ(m.fileView(kTopRow).m_wndList.GetItemCount(), 1);
        const std::u16string date = FromWx(m.fileView(kTopRow).m_wndList.GetItemText(0, 3));
        EXPECT_NE(date.find(dz::Ascii(c.shown)), std::u16string::npos)
            << c.hour << ": " << ToWx(date);
    }
}
