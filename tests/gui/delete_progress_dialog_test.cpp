// The Delete command's window on its own: what it removes, in which order,
// with every path shown in its box while the file goes.
#include "dialog_test_support.h"
#include "ui/dialogs/DeleteProgressDlg.h"

#include <wx/textctrl.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

TEST(DeleteProgressDialog, RemovesPlainFilesAndEveryCountedPartThenTheCompanion) {
    TempDir tmp;
    std::u16string folder = tmp.text();
    std::vector<std::string> shown; // file names in the order they were shown
    CDeleteProgressDlg::Seams seams;
    seams.onShow = [&](CDeleteProgressDlg& d, const std::u16string& path) {
        // The box already holds the path when the file is removed.
        EXPECT_EQ(FromWx(d.m_wndFileName->GetValue()), path);
        shown.push_back(fs::path(path).filename().string());
    };
    WriteFile(tmp / "a.mp3", "a");
    MakeRecording(tmp.path(), {}); // three parts by its companion
    WriteFile(tmp / "NEWS_#004_200612241930.AVR", "not counted");
    WriteFile(tmp / "notes.txt", "stays");
    chmod((tmp / "NEWS_#002_200612241930.AVR").c_str(), 0444);
    CSortStringArray names;
    for (const char16_t* n : {u"NEWS_#001_200612241930.AVR", u"notes.txt", u"a.mp3"})
        names.Add(n);
    names.Sort();

    // Without its folder it deletes nothing and closes.
    CDeleteProgressDlg idle({u"", names}, seams);
    EXPECT_EQ(RunModal(idle), wxID_CANCEL);
    EXPECT_TRUE(shown.empty());

    // A close asked for before the run is refused; the dialog ends itself.
    CDeleteProgressDlg dialog({folder, names}, seams);
    dialog.CallAfter([&dialog] { dialog.Close(); });
    EXPECT_EQ(RunModal(dialog), wxID_CANCEL);

    // The parts from the last one, so that a run cut short can be finished.
    const std::vector<std::string> expected = {
        "a.mp3", "NEWS_#003_200612241930.AVR", "NEWS_#002_200612241930.AVR",
        "NEWS_#001_200612241930.AVR", "NEWS_#001_200612241930.AVF"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(CountIn(tmp.path(), expected), 0u);
    EXPECT_TRUE(fs::exists(tmp / "NEWS_#004_200612241930.AVR"));
    EXPECT_TRUE(fs::exists(tmp / "notes.txt"));
}

} // namespace

// The deletion starts once the window can be seen: about 100 ms after its
// first paint.
TEST(DeleteProgressDialog, StartsAboutATenthOfASecondAfterTheFirstPaint) {
    TempDir tmp;
    std::u16string folder = tmp.text();
    WriteFile(tmp / "a.mp3", "a");
    CSortStringArray names;
    names.Add(u"a.mp3");
    std::optional<std::chrono::steady_clock::time_point> shown;
    CDeleteProgressDlg::Seams seams;
    seams.onShow = [&](CDeleteProgressDlg&, const std::u16string&) {
        if (!shown)
            shown = std::chrono::steady_clock::now();
    };
    CDeleteProgressDlg dialog({folder, names}, seams);
    const FirstPaint painted(dialog);
    EXPECT_EQ(RunModal(dialog), wxID_CANCEL);
    ASSERT_TRUE(painted.at());
    ASSERT_TRUE(shown) << "the file was deleted";
    EXPECT_GE(*shown - *painted.at(), std::chrono::milliseconds(90));
    EXPECT_FALSE(fs::exists(tmp / "a.mp3"));
}

} // namespace dz::test
