// The recordings' running times in the lists and the details pane below
// them: lengths fill in after the rows, "?" for a stream that does not tell,
// the column sorts, and the pane shows a picture and the facts and is
// remembered across a restart.
#include "common/command_ids.h"
#include "common/list_text.h"
#include "common/text.h"
#include "convert/stream_facts.h"
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/app/MainFrame.h"
#include "ui/panes/DetailsPane.h"
#include "ui/panes/FileView.h"
#include "ui/wx_text.h"

#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::PumpUntil;
using dz::test::TempDir;
using dz::test::U;

namespace {

fs::path Fixture(const std::string& name) {
    return fs::path(DEZADIDE_FIXTURES) / name;
}

// Copies a fixture recording's files into folder.
void CopyRecording(const std::string& fixture, const fs::path& folder) {
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(Fixture("rec") / fixture))
        fs::copy_file(entry.path(), folder / entry.path().filename());
}

std::u16string LengthOf(const CFileView& view, long row) {
    return FromWx(view.m_wndList.GetItemText(row, CFileView::kLength));
}

// Waits until every row the list shows has been given its length.
bool LengthsShown(const CFileView& view) {
    return PumpUntil([&] { return !view.ReadingLengths(); }, std::chrono::seconds(30));
}

std::vector<std::u16string> ShownNames(const CFileView& view) {
    std::vector<std::u16string> names;
    for (long i = 0; i < view.m_wndList.GetItemCount(); ++i)
        names.push_back(FromWx(view.m_wndList.GetItemText(i, CFileView::kFileName)));
    return names;
}

long RowNamed(const CFileView& view, const std::u16string& name) {
    const std::vector<std::u16string> names = ShownNames(view);
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<long>(i);
    }
    return -1;
}

void ToggleDetailsPane(CMainFrame& frame) {
    wxCommandEvent toggle(wxEVT_MENU, dz::ID_VIEW_DETAILS_PANE);
    frame.GetEventHandler()->ProcessEvent(toggle);
}

void SelectRow(CFileView& view, const std::u16string& name) {
    for (long i = 0; i < view.m_wndList.GetItemCount(); ++i) {
        if (FromWx(view.m_wndList.GetItemText(i, CFileView::kFileName)) == name) {
            view.m_wndList.SetItemState(i, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                        wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
            return;
        }
    }
    ADD_FAILURE() << "no row " << std::string(name.begin(), name.end());
}

} // namespace

TEST(LengthColumn, EachRecordingShowsItsLengthAQuestionMarkWhenDamagedAndTheColumnSorts) {
    TempDir disk;
    const fs::path rec = disk / "REC";
    CopyRecording("news", rec);
    CopyRecording("radio", rec);
    CopyRecording("film", rec);
    // FILM's last part gone: its formats are known, its length is not.
    fs::remove(rec / "FILM_#003_200612241930.AVR");
    dz::test::WriteFile(rec / "song.mp3", std::string(2048, 's'));

    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U(rec)));
    CFileView& view = m.fileView(kTopRow);
    ASSERT_EQ(view.m_wndList.GetItemCount(), 4) << "the rows are there at once";
    ASSERT_TRUE(LengthsShown(view));

    const auto expected = [&](const char* part1) {
        const auto ticks = dz::convert::ReadRecordingFacts(U(rec / part1)).length;
        EXPECT_TRUE(ticks) << part1;
        return dz::LengthText(ticks);
    };
    const auto row = [&](const std::u16string& name) { return RowNamed(view, name); };
    EXPECT_EQ(LengthOf(view, row(u"NEWS")), expected("NEWS_#001_200612241930.AVR"));
    EXPECT_EQ(LengthOf(view, row(u"RADIO")), expected("RADIO_#001_200612241930.AVR"));
    EXPECT_EQ(LengthOf(view, row(u"FILM")), u"?");
    EXPECT_EQ(LengthOf(view, row(u"song.mp3")), u"") << "a plain file has no length";

    // Shortest first; the rows without a length before every known one.
    const auto ticks = [&](const char* part1) {
        return *dz::convert::ReadRecordingFacts(U(rec / part1)).length;
    };
    const bool newsShorter =
        ticks("NEWS_#001_200612241930.AVR") < ticks("RADIO_#001_200612241930.AVR");
    const std::vector<std::u16string> ascending =
        newsShorter ? std::vector<std::u16string>{u"FILM", u"song.mp3", u"NEWS", u"RADIO"}
                    : std::vector<std::u16string>{u"FILM", u"song.mp3", u"RADIO", u"NEWS"};
    view.SortByColumn(CFileView::kLength);
    EXPECT_EQ(ShownNames(view), ascending);
    view.SortByColumn(CFileView::kLength);
    EXPECT_EQ(ShownNames(view), std::vector<std::u16string>(ascending.rbegin(), ascending.rend()));
    EXPECT_EQ(LengthOf(view, RowNamed(view, u"FILM")), u"?") << "the lengths move with their rows";

    // The folder shown anew with the list in length order: its rows come
    // first, then take their places as their lengths are read.
    ASSERT_TRUE(m.Select(kTopRow, U(disk.path())));
    ASSERT_TRUE(m.Select(kTopRow, U(rec)));
    EXPECT_TRUE(dz::test::PumpUntil([&] {
        return ShownNames(view) ==
               std::vector<std::u16string>(ascending.rbegin(), ascending.rend());
    })) << "the rows stay out of length order";
}

// A list that moves on to another folder before its lengths are read drops
// that work: the new folder's rows get their own lengths, nothing of the
// first folder's lands on them.
TEST(LengthColumn, AnotherFolderDropsThePendingLengths) {
    TempDir disk;
    const fs::path many = disk / "MANY";
    for (int i = 0; i < 60; ++i) {
        const fs::path folder = disk / "tmp";
        CopyRecording("news", folder);
        fs::create_directories(many);
        for (int part = 1; part <= 3; ++part) {
            char from[64], to[64];
            std::snprintf(from, sizeof from, "NEWS_#%03d_200612241930.AVR", part);
            std::snprintf(to, sizeof to, "N%02d_#%03d_200612241930.AVR", i, part);
            fs::rename(folder / from, many / to);
        }
        char companion[64];
        std::snprintf(companion, sizeof companion, "N%02d_#001_200612241930.AVF", i);
        fs::rename(folder / "NEWS_#001_200612241930.AVF", many / companion);
        fs::remove_all(folder);
    }
    const fs::path one = disk / "ONE";
    CopyRecording("radio", one);

    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U(many)));
    ASSERT_TRUE(m.Select(kTopRow, U(one)));
    CFileView& view = m.fileView(kTopRow);
    ASSERT_TRUE(LengthsShown(view));
    ASSERT_EQ(view.m_wndList.GetItemCount(), 1);
    EXPECT_EQ(LengthOf(view, 0),
              dz::LengthText(
                  dz::convert::ReadRecordingFacts(U(one / "RADIO_#001_200612241930.AVR")).length));
    // Back to the first folder: every row gets a length again.
    ASSERT_TRUE(m.Select(kTopRow, U(many)));
    ASSERT_TRUE(LengthsShown(view));
    ASSERT_EQ(view.m_wndList.GetItemCount(), 60);
    for (long i = 0; i < 60; ++i)
        EXPECT_EQ(LengthOf(view, i), LengthOf(view, 0)) << i;
    EXPECT_NE(LengthOf(view, 0), u"");
}

TEST(DetailsPane, ShowsThePictureAndTheFactsOfTheSelectedRecording) {
    TempDir disk;
    const fs::path rec = disk / "REC";
    CopyRecording("news", rec);
    CopyRecording("radio", rec);
    MainFrameFixture m({U(disk.path())});
    ASSERT_TRUE(m.frame());
    ASSERT_TRUE(m.Select(kTopRow, U(rec)));
    CFileView& view = m.fileView(kTopRow);
    EXPECT_FALSE(view.DetailsShown()) << "hidden until asked for";

    ToggleDetailsPane(*m.frame());
    ASSERT_TRUE(view.DetailsShown());
    EXPECT_TRUE(m.fileView(kBottomRow).DetailsShown()) << "both rows have it";
    EXPECT_TRUE(view.Details().IsShown());
    EXPECT_LT(view.m_wndList.GetSize().y + view.Details().GetSize().y, view.GetSize().y + 1);
    EXPECT_GT(view.Details().GetSize().y, 0);

    SelectRow(view, u"NEWS");
    ASSERT_TRUE(PumpUntil(
        [&] { return view.Details().PictureDone() && view.Details().GetRecording().size() > 0; },
        std::chrono::seconds(30)));
    ASSERT_TRUE(view.Details().HasPicture());
    const wxBitmap picture = view.Details().Picture();
    // Fitted into its box, the aspect kept: the 11:9 clip is as high as the box.
    EXPECT_LE(picture.GetWidth(), CDetailsPane::kPictureWidth);
    EXPECT_EQ(picture.GetHeight(), CDetailsPane::kPictureHeight);
    EXPECT_NEAR(static_cast<double>(picture.GetWidth()) / picture.GetHeight(), 11.0 / 9.0, 0.05);
    // The facts beside the picture, not over it, and whole inside the pane.
    dz::test::PumpEvents();
    const wxWindow* bitmap = nullptr;
    const wxWindow* factsText = nullptr;
    for (const wxWindow* child : view.Details().GetChildren()) {
        if (wxDynamicCast(child, wxStaticBitmap))
            bitmap = child;
        else if (wxDynamicCast(child, wxStaticText))
            factsText = child;
    }
    ASSERT_TRUE(bitmap && factsText);
    EXPECT_GE(factsText->GetRect().GetLeft(), bitmap->GetRect().GetRight());
    EXPECT_LE(factsText->GetRect().GetTop() + factsText->GetBestSize().y,
              view.Details().GetClientSize().y);
    // A picture of something, not one flat colour.
    const wxImage image = picture.ConvertToImage();
    std::set<unsigned> colours;
    for (int y = 0; y < image.GetHeight(); y += 4)
        for (int x = 0; x < image.GetWidth(); x += 4)
            colours.insert(unsigned{image.GetRed(x, y)} << 16 |
                           unsigned{image.GetGreen(x, y)} << 8 | image.GetBlue(x, y));
    EXPECT_GT(colours.size(), 8u);

    const auto facts = dz::convert::ReadRecordingFacts(U(rec / "NEWS_#001_200612241930.AVR"));
    const wxString text = view.Details().FactsText();
    EXPECT_TRUE(text.Contains("length " + dz::ToUtf8(dz::LengthText(facts.length)))) << text;
    for (const auto& stream : facts.streams)
        EXPECT_TRUE(text.Contains(dz::convert::StreamText(stream))) << text;
    EXPECT_TRUE(text.StartsWith("length ")) << text;

    // A recording without video: its facts, and no picture said so.
    SelectRow(view, u"RADIO");
    ASSERT_TRUE(PumpUntil(
        [&] {
            return view.Details().GetRecording().find(u"RADIO") != std::u16string::npos &&
                   view.Details().PictureDone();
        },
        std::chrono::seconds(30)));
    EXPECT_FALSE(view.Details().HasPicture());
    EXPECT_TRUE(view.Details().FactsText().Contains("audio")) << view.Details().FactsText();
    EXPECT_TRUE(view.Details().FactsText().Contains("No picture in this recording"));

    ToggleDetailsPane(*m.frame());
    EXPECT_FALSE(view.DetailsShown());
    EXPECT_FALSE(view.Details().IsShown());
}

TEST(DetailsPane, ItsSwitchIsRememberedAcrossARestart) {
    TempDir disk;
    TempDir config;
    const wxString file = wxString::FromUTF8((config / "settings.ini").string());
    {
        MainFrameFixture m({U(disk.path())}, wxSize(900, 600), wxString(), file);
        ASSERT_TRUE(m.frame());
        EXPECT_FALSE(m.frame()->GetSettings().detailsPane);
        ToggleDetailsPane(*m.frame());
        EXPECT_TRUE(m.frame()->GetSettings().detailsPane);
        m.Close();
    }
    {
        MainFrameFixture m({U(disk.path())}, wxSize(900, 600), wxString(), file);
        ASSERT_TRUE(m.frame());
        EXPECT_TRUE(m.fileView(kTopRow).DetailsShown());
        EXPECT_TRUE(m.fileView(kBottomRow).DetailsShown());
        wxUpdateUIEvent update(dz::ID_VIEW_DETAILS_PANE);
        update.SetEventObject(m.frame());
        m.frame()->GetEventHandler()->ProcessEvent(update);
        EXPECT_TRUE(update.GetChecked());
        ToggleDetailsPane(*m.frame()); // off again, remembered too
        m.Close();
    }
    MainFrameFixture m({U(disk.path())}, wxSize(900, 600), wxString(), file);
    ASSERT_TRUE(m.frame());
    EXPECT_FALSE(m.fileView(kTopRow).DetailsShown());
}
