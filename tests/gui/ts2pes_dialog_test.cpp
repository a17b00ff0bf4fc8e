// The "ts2pes" dialog converting real recordings: what its bars and texts
// show, how Stop, Close and Esc end a running conversion without waiting on
// a report the worker is blocked in, and that a failed start leaves it ready
// for the next try. ffprobe reads what it wrote.
#include "common/text.h"
#include "convert/recording_files.h"
#include "dialog_test_support.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/dialogs/Ts2PesDlg.h"
#include "ui/wx_text.h"

#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

const fs::path kNewsFolder = Fixture("rec/news");
const std::string kNewsPart1 = "NEWS_#001_200612241930.AVR";

std::u16string Field(wxWindow& dialog, int id) {
    return FromWx(static_cast<wxTextCtrl*>(dialog.FindWindow(id))->GetValue());
}
void SetField(wxWindow& dialog, int id, const std::u16string& text) {
    static_cast<wxTextCtrl*>(dialog.FindWindow(id))->ChangeValue(ToWx(text));
}
std::u16string Label(wxWindow& dialog, int id) {
    return FromWx(dialog.FindWindow(id)->GetLabel());
}
int Bar(wxWindow& dialog, int id) {
    return static_cast<wxGauge*>(dialog.FindWindow(id))->GetValue();
}

void PressEscape(wxWindow& dialog) {
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = WXK_ESCAPE;
    key.SetEventObject(&dialog);
    dialog.GetEventHandler()->ProcessEvent(key);
}

// What the dialog showed when a part began.
struct PartSeen {
    int index;
    int totalBar;
    std::u16string totalText;
    bool busy;
};

class Ts2PesDialog : public ::testing::Test {
protected:
    TempDir tmp;
    std::vector<std::u16string> boxes;
    std::vector<long> boxStyles;
    std::vector<PartSeen> parts;
    // Runs on the window's thread while the worker waits for its report.
    std::function<void(CTs2PesDlg&, int)> onPart;
    // Runs after a message box was "shown".
    std::function<void()> onBox;
    // Answers the Open buttons in place of the user.
    std::function<int(const CTs2PesDlg::Seams::FileBox&, wxString& path)> chooseFile;
    // What every dialog of a test is made with.
    CTs2PesDlg::Seams seams;

    void SetUp() override {
        TestStandIn().messageBox = [this](const MessageBoxCall& call) {
            EXPECT_EQ(call.caption, u"Dezadide");
            boxes.push_back(call.text);
            boxStyles.push_back(call.style);
            if (onBox)
                onBox();
        };
        seams.onPartShown = [this](CTs2PesDlg& d, int index) {
            parts.push_back(
                {index, Bar(d, IDC_TOTAL_PROGRESS), Label(d, IDC_TOTAL_PERCENT), d.m_bBusy});
            if (onPart)
                onPart(d, index);
        };
        // No real file dialog ever opens in a test: unanswered, it is cancelled.
        seams.chooseFile = [this](const CTs2PesDlg::Seams::FileBox& d, wxString& path) {
            return chooseFile ? chooseFile(d, path) : wxID_CANCEL;
        };
    }
    void TearDown() override { TestStandIn().messageBox = nullptr; }
    std::vector<int> Indexes() const {
        std::vector<int> indexes;
        for (const PartSeen& p : parts)
            indexes.push_back(p.index);
        return indexes;
    }
    // A modal run as the command makes it, ended by the first message box.
    void RunUntilFirstBox(CTs2PesDlg& dialog, const std::function<void()>& script) {
        onBox = [&dialog] { dialog.CallAfter([&dialog] { dialog.Close(); }); };
        dialog.CallAfter(script);
        EXPECT_EQ(RunModal(dialog), wxID_CANCEL);
        EXPECT_FALSE(dialog.IsWorkerRunning());
    }
    fs::path CopyNews() {
        for (const auto& entry : fs::directory_iterator(kNewsFolder))
            fs::copy_file(entry.path(), tmp / entry.path().filename().string());
        return tmp / kNewsPart1;
    }
};

TEST_F(Ts2PesDialog, OpenButtonsUseTheirFiltersAndKeepWhatWasTypedInTheOtherField) {
    struct Asked {
        long style;
        wxString wildcard;
        wxString folder, name;
    };
    std::vector<Asked> asked;
    wxString answer;
    int result = wxID_OK;
    chooseFile = [&](const CTs2PesDlg::Seams::FileBox& d, wxString& path) {
        asked.push_back({d.style, d.wildcard, d.folder, d.name});
        path = answer;
        return result;
    };
    CTs2PesDlg dialog(nullptr, u"", u"", seams);
    dialog.InitDialog();
    EXPECT_EQ(Label(dialog, IDC_STATUS), u"Version : 2.0.1");
    EXPECT_EQ(Label(dialog, IDC_TOTAL_PERCENT), u"0 %");
    EXPECT_EQ(Label(dialog, IDC_CURRENT_PERCENT), u"0 %");

    SetField(dialog, IDC_TARGET_EDIT, u"/typed/out.mpg");
    answer = "/rec/NEWS_#001_200612241930.AVR";
    Press(dialog, IDC_SOURCE_OPEN);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].style & wxFD_OPEN);
    EXPECT_EQ(asked[0].wildcard, "AVR Files (*.avr)|*.[aA][vV][rR]|All Files (*.*)|*.*");
    EXPECT_EQ(Field(dialog, IDC_SOURCE_EDIT), u"/rec/NEWS_#001_200612241930.AVR");
    EXPECT_EQ(Field(dialog, IDC_TARGET_EDIT), u"/typed/out.mpg");

    SetField(dialog, IDC_SOURCE_EDIT, u"/typed/in.AVR");
    answer = "/movies/news"; // typed without an extension
    Press(dialog, IDC_TARGET_OPEN);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[1].style & wxFD_SAVE);
    EXPECT_TRUE(asked[1].style & wxFD_OVERWRITE_PROMPT);
    // The target box starts where the target points already.
    EXPECT_EQ(asked[1].name, "out.mpg");
    EXPECT_EQ(asked[1].wildcard, "MPG Files (*.mpg)|*.mpg|All Files (*.*)|*.*");
    EXPECT_EQ(Field(dialog, IDC_TARGET_EDIT), u"/movies/news.mpg");
    EXPECT_EQ(Field(dialog, IDC_SOURCE_EDIT), u"/typed/in.AVR");

    result = wxID_CANCEL;
    Press(dialog, IDC_SOURCE_OPEN);
    EXPECT_EQ(Field(dialog, IDC_SOURCE_EDIT), u"/typed/in.AVR") << "a cancelled choice";
    // Without a target, the box proposes one beside the source.
    SetField(dialog, IDC_TARGET_EDIT, u"");
    Press(dialog, IDC_TARGET_OPEN);
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[3].name, "in.mpg");
}

TEST_F(Ts2PesDialog, ConvertsAWholeRecordingIntoOneProgramStream) {
    const fs::path target = tmp / "news.mpg";
    CTs2PesDlg dialog(nullptr, U16(kNewsFolder / kNewsPart1), U16(target), seams);
    int fileDialogs = 0;
    chooseFile = [&](const CTs2PesDlg::Seams::FileBox&, wxString&) {
        return ++fileDialogs, wxID_CANCEL;
    };
    onPart = [&](CTs2PesDlg& d, int) {
        // Busy: neither Open nor a second Start does anything.
        Press(d, IDC_SOURCE_OPEN);
        Press(d, IDC_TARGET_OPEN);
        Press(d, IDC_START);
    };
    // Two quick presses: the second finds the dialog busy.
    RunUntilFirstBox(dialog, [&] {
        PostButton(dialog, IDC_START);
        PostButton(dialog, IDC_START);
    });

    EXPECT_EQ(boxes, std::vector<std::u16string>{u"Convert finished"});
    // News, not a warning.
    ASSERT_EQ(boxStyles.size(), 1u);
    EXPECT_TRUE(boxStyles[0] & wxICON_INFORMATION);
    EXPECT_FALSE(boxStyles[0] & wxICON_EXCLAMATION);
    ASSERT_EQ(Indexes(), (std::vector<int>{0, 1, 2})) << "one conversion of three parts";
    // As each part begins, the share of all parts' bytes read before it.
    const int totals[] = {0, 33, 66};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(parts[i].totalBar, totals[i]);
        EXPECT_EQ(parts[i].totalText, Ascii(std::to_string(totals[i]) + " %"));
        EXPECT_TRUE(parts[i].busy);
    }
    EXPECT_EQ(fileDialogs, 0);
    // Back to idle, both displays at zero.
    EXPECT_FALSE(dialog.m_bBusy);
    EXPECT_EQ(Bar(dialog, IDC_TOTAL_PROGRESS), 0);
    EXPECT_EQ(Bar(dialog, IDC_CURRENT_PROGRESS), 0);
    EXPECT_EQ(Label(dialog, IDC_TOTAL_PERCENT), u"0 %");
    EXPECT_EQ(Label(dialog, IDC_CURRENT_PERCENT), u"0 %");

    const auto probe = Probe(target);
    EXPECT_EQ(probe.at("format_name"), "mpeg");
    EXPECT_EQ(probe.at("streams"), "video:mpeg2video audio:mp2");
    EXPECT_NEAR(Duration(target), Duration(Fixture("av_mp2.ts")), 0.5) << "all three parts";
}

TEST_F(Ts2PesDialog, AFailedStartLeavesTheDialogReadyForTheNextTry) {
    const fs::path news = CopyNews();
    WriteFile(tmp / "NOISE_#001_200612241930.AVR", PatternBytes(134 + 40000, 9));
    struct Case {
        const char* what;
        fs::path source, target;
        const char16_t* outcome;
    };
    const Case cases[] = {
        {"a source that is no transport stream", tmp / "NOISE_#001_200612241930.AVR",
         tmp / "noise.mpg", u"NOISE_#001_200612241930.AVR is not an MPEG transport stream"},
        {"a target in a folder that does not exist", news, tmp / "none" / "out.mpg",
         u"Can't open the target file"},
        {"a source that does not exist", tmp / "GONE_#001_200612241930.AVR", tmp / "gone.mpg",
         u"Can't open the source file"},
    };
    // The progress display's ticks, counted.
    int ticks = 0;
    seams.progress = [&ticks] {
        ++ticks;
        return convert::SourceProgress{};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        parts.clear();
        CTs2PesDlg dialog(nullptr, U16(c.source), U16(c.target), seams);
        dialog.Show();
        Press(dialog, IDC_START);
        ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }));
        EXPECT_EQ(boxes.back(), c.outcome);
        EXPECT_TRUE(boxStyles.back() & wxICON_EXCLAMATION);
        EXPECT_FALSE(fs::exists(c.target)) << "a failure leaves no target";
        ASSERT_TRUE(PumpUntil([&] { return !dialog.m_bBusy; }));

        // The fields are typed afresh; the running progress display leaves
        // them alone, and Start converts with what they say.
        SetField(dialog, IDC_SOURCE_EDIT, U16(news));
        SetField(dialog, IDC_TARGET_EDIT, U16(tmp / "retry.mpg"));
        if (dialog.IsShowingProgress()) {
            const int seen = ticks;
            ASSERT_TRUE(PumpUntil([&] { return ticks >= seen + 2; }));
        }
        EXPECT_EQ(Field(dialog, IDC_SOURCE_EDIT), U16(news));
        EXPECT_EQ(Field(dialog, IDC_TARGET_EDIT), U16(tmp / "retry.mpg"));
        Press(dialog, IDC_START);
        ASSERT_TRUE(PumpUntil([&] { return boxes.size() == 2; }));
        EXPECT_EQ(boxes.back(), u"Convert finished");
        EXPECT_EQ(Probe(tmp / "retry.mpg").at("streams"), "video:mpeg2video audio:mp2");
        dialog.Close();
        EXPECT_FALSE(dialog.IsWorkerRunning());
        fs::remove(tmp / "retry.mpg");
    }
}

// Stop, the close box and Esc all end a running conversion at the report
// the worker waits for; the dialog keeps serving that report, then ends.
// Nothing is left under the target's name.
TEST_F(Ts2PesDialog, StopOrClosingWhileConvertingCancelsAtThePartItCameIn) {
    const fs::path source = CopyNews();
    const struct {
        const char* what;
        int atPart;
        std::function<void(CTs2PesDlg&)> end;
    } ways[] = {
        {"Stop during part 2", 1, [](CTs2PesDlg& d) { Press(d, IDC_STOP); }},
        {"the close box", 0, [](CTs2PesDlg& d) { d.Close(); }},
        {"Esc", 0, [](CTs2PesDlg& d) { PressEscape(d); }},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.what);
        boxes.clear();
        parts.clear();
        const fs::path target = tmp / "stopped.mpg";
        CTs2PesDlg dialog(nullptr, U16(source), U16(target), seams);
        onPart = [&](CTs2PesDlg& d, int index) {
            if (index == w.atPart)
                w.end(d);
        };
        if (w.atPart == 1) { // Stop leaves the dialog open
            dialog.Show();
            Press(dialog, IDC_START);
            ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }));
            // The stop poll forgets the event once the worker has gone.
            EXPECT_TRUE(PumpUntil([&] { return !dialog.HasStopEvent(); }));
        } else {
            dialog.CallAfter([&] { Press(dialog, IDC_START); });
            EXPECT_EQ(RunModal(dialog), wxID_CANCEL);
        }
        EXPECT_FALSE(dialog.IsWorkerRunning());
        EXPECT_FALSE(dialog.m_bBusy);
        EXPECT_EQ(boxes, std::vector<std::u16string>{u"Convert Canceled"});
        std::vector<int> seen;
        for (int i = 0; i <= w.atPart; ++i)
            seen.push_back(i);
        EXPECT_EQ(Indexes(), seen) << "part 3 is never started";
        EXPECT_FALSE(fs::exists(target));
        EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 4)
            << "the recording's four files and no temporary";
    }
}

// An existing target: the dialog asks first. No keeps it and converts
// nothing; Yes converts, and the old file stays until the new one is whole,
// so a Stop leaves it as it was.
TEST_F(Ts2PesDialog, AsksBeforeReplacingAndReplacesOnlyWithAWholeOutput) {
    const fs::path target = tmp / "news.mpg";
    WriteFile(target, "earlier output");
    std::vector<std::u16string> questions;
    bool answer = false;
    seams.askReplace = [&](const std::u16string& question) {
        questions.push_back(question);
        return answer;
    };
    std::vector<size_t> sizesWhileConverting;
    onPart = [&](CTs2PesDlg&, int) { sizesWhileConverting.push_back(fs::file_size(target)); };
    CTs2PesDlg dialog(nullptr, U16(kNewsFolder / kNewsPart1), U16(target), seams);
    dialog.Show();

    Press(dialog, IDC_START);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], U16(target) + u" already exists.\nReplace it once the conversion is "
                                          u"complete?");
    // No starts no worker: once the loop is idle, nothing is left to come.
    EXPECT_FALSE(dialog.IsWorkerRunning());
    PumpUntilIdle();
    EXPECT_FALSE(dialog.m_bBusy);
    EXPECT_TRUE(boxes.empty()) << "No converts nothing";
    EXPECT_TRUE(parts.empty());
    EXPECT_EQ(fs::file_size(target), 14u);

    // Yes, then Stop during part 2: the old file is still there.
    answer = true;
    onPart = [&](CTs2PesDlg& d, int index) {
        sizesWhileConverting.push_back(fs::file_size(target));
        if (index == 1)
            Press(d, IDC_STOP);
    };
    Press(dialog, IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.empty() && !dialog.m_bBusy; }));
    EXPECT_EQ(boxes.back(), u"Convert Canceled");
    EXPECT_EQ(fs::file_size(target), 14u);

    // Yes, to the end: replaced once complete.
    onPart = [&](CTs2PesDlg&, int) { sizesWhileConverting.push_back(fs::file_size(target)); };
    Press(dialog, IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return boxes.size() == 2 && !dialog.m_bBusy; }));
    EXPECT_EQ(boxes.back(), u"Convert finished");
    EXPECT_EQ(questions.size(), 3u);
    EXPECT_EQ(sizesWhileConverting, std::vector<size_t>(5, 14u)) << "never written in place";
    EXPECT_EQ(Probe(target).at("streams"), "video:mpeg2video audio:mp2");
    dialog.Close();
}

// Total is over all parts' bytes: while the last of three parts is at 44 %,
// it does not show 100 %.
TEST_F(Ts2PesDialog, TotalIsTheShareOfAllPartsBytes) {
    // Parts of 100 bytes each; the last one at 44.
    seams.progress = [] { return convert::SourceProgress{44, 100, 244, 300}; };
    std::optional<int> totalInLastPart;
    onPart = [&](CTs2PesDlg& d, int index) {
        if (index != 2)
            return;
        // The progress timer runs while the worker waits for this report.
        PumpUntil([&] { return Bar(d, IDC_TOTAL_PROGRESS) != 66; }, std::chrono::seconds(3));
        totalInLastPart = Bar(d, IDC_TOTAL_PROGRESS);
        EXPECT_EQ(Label(d, IDC_TOTAL_PERCENT), u"81 %");
        EXPECT_EQ(Label(d, IDC_CURRENT_PERCENT), u"44 %");
    };
    CTs2PesDlg dialog(nullptr, U16(kNewsFolder / kNewsPart1), U16(tmp / "news.mpg"), seams);
    RunUntilFirstBox(dialog, [&] { PostButton(dialog, IDC_START); });
    ASSERT_TRUE(totalInLastPart.has_value());
    EXPECT_EQ(*totalInLastPart, 81);
}

// The file-name fields are wide enough for the paths they are given, and the
// controls right of them move along; nothing overlaps.
TEST_F(Ts2PesDialog, FileNameFieldsShowTheirPaths) {
    const std::u16string source =
        u"/media/user/RECORDER/REC/2006/FILMS/A_LONG_RECORDING_NAME_#001_200612241930.AVR";
    const std::u16string target = u"/home/user/Videos/converted/A_LONG_RECORDING_NAME.mpg";
    CTs2PesDlg dialog(nullptr, source, target, seams);
    dialog.Show();
    auto* field = static_cast<wxTextCtrl*>(dialog.FindWindow(IDC_SOURCE_EDIT));
    const int text = field->GetTextExtent(ToWx(source)).x;
    EXPECT_GE(field->GetSize().x, text) << "the source path is cut off";
    const wxRect edit = field->GetRect();
    const wxRect open = dialog.FindWindow(IDC_SOURCE_OPEN)->GetRect();
    EXPECT_GE(open.x, edit.GetRight()) << "Open overlaps the field";
    EXPECT_LE(dialog.FindWindow(IDC_STOP)->GetRect().GetRight(), dialog.GetClientSize().x);
    EXPECT_GE(dialog.FindWindow(IDC_TOTAL_PERCENT)->GetRect().x,
              dialog.FindWindow(IDC_TOTAL_PROGRESS)->GetRect().GetRight());
    dialog.Close();
}

} // namespace

// The progress timer shows where the worker is in the part it reads: each
// tick puts the percentage on the current bar and beside it. The position is
// given here, so the ticks can be looked at after the conversion as well.
TEST_F(Ts2PesDialog, TheProgressTimerShowsThePartReadSoFar) {
    seams.progress = [] { return convert::SourceProgress{150, 200}; };
    CTs2PesDlg dialog(nullptr, U16(kNewsFolder / kNewsPart1), U16(tmp / "news.mpg"), seams);
    std::vector<std::pair<int, std::u16string>> ticks; // bar and text after each tick
    dialog.Bind(
        wxEVT_TIMER,
        [&](wxTimerEvent& e) {
            // Only ticks after the outcome count: the outcome itself puts the
            // bar back to 0, and nothing else moves it afterwards.
            const bool afterOutcome = !boxes.empty();
            e.Skip();
            // Looked at once the dialog has handled the tick.
            dialog.CallAfter([&, afterOutcome] {
                if (!afterOutcome)
                    return;
                ticks.emplace_back(Bar(dialog, IDC_CURRENT_PROGRESS),
                                   Label(dialog, IDC_CURRENT_PERCENT));
                dialog.Close();
            });
        },
        TIMER_PROGRESS);
    dialog.CallAfter([&] { PostButton(dialog, IDC_START); });
    EXPECT_EQ(RunModal(dialog), wxID_CANCEL);

    EXPECT_EQ(boxes, std::vector<std::u16string>{u"Convert finished"});
    ASSERT_FALSE(ticks.empty()) << "the timer ran";
    for (const auto& [bar, text] : ticks) {
        EXPECT_EQ(bar, 75);
        EXPECT_EQ(text, u"75 %");
    }
}

} // namespace dz::test

namespace dz::test {

// Not a test: the conversion dialog as a user first sees it, photographed
// into $SCREENSHOT_OUT (the README's picture of it).
TEST_F(Ts2PesDialog, DISABLED_Screenshot) {
    const char* out = std::getenv("SCREENSHOT_OUT");
    ASSERT_TRUE(out && *out);
    CTs2PesDlg dialog(nullptr, u"/media/user/RECORDER/REC/FILM_#001_200612241930.AVR",
                      u"/home/user/Videos/FILM_#001_200612241930.mpg", seams);
    dialog.Show();
    PumpFor(std::chrono::milliseconds(500));
    const wxRect r = dialog.GetScreenRect();
    const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                                std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                                std::to_string(r.y) + " +repage '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    dialog.Close();
}

} // namespace dz::test
