// The Delete command's window on its own: what it removes, in which order,
// with every path shown in its box while the file goes.
#include "dialog_test_support.h"
#include "transfer/DeleteProgressDlg.h"

#include "app/wx_text.h"

#include <wx/textctrl.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

class DeleteProgressDialog : public ::testing::Test {
protected:
    TempDir tmp;
    std::u16string folder = tmp.text();
    CSortStringArray names;
    std::vector<std::string> shown; // file names in the order they were shown

    void SetUp() override {
        CDeleteProgressDlg::SetShowHook([this](CDeleteProgressDlg& d, const std::u16string& path) {
            // The box already holds the path when the file is removed.
            EXPECT_EQ(FromWx(d.m_wndFileName->GetValue()), path);
            shown.push_back(fs::path(ToWx(path).ToStdString()).filename().string());
        });
    }
    void TearDown() override { CDeleteProgressDlg::SetShowHook(nullptr); }

    void Run(const std::vector<std::string>& list) {
        for (const std::string& n : list)
            names.Add(U16(n));
        names.Sort();
        CDeleteProgressDlg dialog;
        dialog.m_pNames = &names;
        dialog.m_pFolder = &folder;
        RunModal(dialog);
    }
};

TEST_F(DeleteProgressDialog, RemovesPlainFilesAndEveryCountedPartThenTheCompanion) {
    WriteFile(tmp / "a.mp3", "a");
    TestRecording().Make(tmp.path()); // three parts by its companion
    WriteFile(tmp / "NEWS_#004_200612241930.AVR", "not counted");
    WriteFile(tmp / "notes.txt", "stays");
    chmod((tmp / "NEWS_#002_200612241930.AVR").c_str(), 0444);
    Run({"NEWS_#001_200612241930.AVR", "notes.txt", "a.mp3"});

    const std::vector<std::string> expected = {
        "a.mp3", "NEWS_#001_200612241930.AVR", "NEWS_#002_200612241930.AVR",
        "NEWS_#003_200612241930.AVR", "NEWS_#001_200612241930.AVF"};
    EXPECT_EQ(shown, expected);
    for (const std::string& f : expected)
        EXPECT_FALSE(fs::exists(tmp / f)) << f;
    EXPECT_TRUE(fs::exists(tmp / "NEWS_#004_200612241930.AVR"));
    EXPECT_TRUE(fs::exists(tmp / "notes.txt"));
}

TEST_F(DeleteProgressDialog, CannotBeClosedBeforeItsRunAndEndsItselfAfter) {
    WriteFile(tmp / "a.mp3", "a");
    names.Add(u"a.mp3");
    CDeleteProgressDlg dialog;
    dialog.m_pNames = &names;
    dialog.m_pFolder = &folder;
    dialog.CallAfter([&dialog] { dialog.Close(); });
    EXPECT_EQ(RunModal(dialog), wxID_CANCEL);
    EXPECT_FALSE(fs::exists(tmp / "a.mp3"));
}

TEST_F(DeleteProgressDialog, WithoutItsListItDeletesNothingAndCloses) {
    WriteFile(tmp / "a.mp3", "a");
    names.Add(u"a.mp3");
    CDeleteProgressDlg dialog;
    dialog.m_pNames = &names; // no folder
    EXPECT_EQ(RunModal(dialog), wxID_CANCEL);
    EXPECT_TRUE(fs::exists(tmp / "a.mp3"));
    EXPECT_TRUE(shown.empty());
}

} // namespace
} // namespace dz::test
