// Convert to MP3 hands over to the MP3 program: started once with this
// program's arguments, raised when it runs, minimised when the window
// closes, and a box when it cannot be started. A stand-in plays its part.
#include "dialog_test_support.h"
#include "platform/desktop.h"
#include "support/gui_test.h"
#include "support/main_frame_fixture.h"
#include "support/temp_dir.h"
#include "ui/MessageBox.h"
#include "ui/UserStandIn.h"
#include "ui/app/MainFrame.h"
#include "ui/app/resource.h"

#include <gtest/gtest.h>
#include <wx/app.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using dz::test::MainFrameFixture;
using dz::test::ScopedEnv;
using dz::test::TempDir;

namespace {

std::vector<std::string> LogLines(const fs::path& log) {
    std::vector<std::string> lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

size_t Count(const std::vector<std::string>& lines, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& line : lines)
        n += line.rfind(prefix, 0) == 0;
    return n;
}

void ConvertToMp3(CMainFrame& frame) {
    dz::test::RunCommand(frame, dz::ID_CONVERT_TO_MP3);
}

} // namespace

TEST(Vivozir, StartedOnceRaisedWhenRunningMinimisedWhenTheWindowCloses) {
    ASSERT_EQ(dz::desktop::FindTopLevelWindow(u"Vivozir"), 0ul) << "none left from before";
    TempDir disk, logDir;
    const fs::path log = logDir / "vivozir.log";
    ScopedEnv path("PATH", std::string(VIVOZIR_STANDIN_DIR) + ":" + std::getenv("PATH"));
    ScopedEnv logEnv("VIVOZIR_LOG", log.string());
    MainFrameFixture m({disk.path().u16string()});
    ASSERT_TRUE(m.frame());

    ConvertToMp3(*m.frame());
    const pid_t pid = m.frame()->GetVivozirProcess().processId;
    ASSERT_GT(pid, 0);
    // The stand-in runs until it is killed, whatever the test's outcome.
    const std::unique_ptr<const pid_t, void (*)(const pid_t*)> standIn(&pid, [](const pid_t* p) {
        kill(*p, SIGTERM);
        dz::test::PumpUntil([] { return dz::desktop::FindTopLevelWindow(u"Vivozir") == 0; });
    });
    ASSERT_TRUE(dz::test::PumpUntil([] { return dz::desktop::FindTopLevelWindow(u"Vivozir"); }));
    ASSERT_TRUE(dz::test::PumpUntil([&] { return Count(LogLines(log), "start") == 1; }));
    // This program's own command line follows the name.
    std::string expected = "start";
    for (int i = 0; i < wxTheApp->argc; ++i)
        expected += " " + std::string(wxTheApp->argv[i].utf8_str());
    EXPECT_EQ(LogLines(log)[0], expected);

    ConvertToMp3(*m.frame());
    EXPECT_TRUE(dz::test::PumpUntil([&] { return Count(LogLines(log), "activate") == 1; }));
    EXPECT_EQ(m.frame()->GetVivozirProcess().processId, pid) << "no second instance started";
    EXPECT_EQ(Count(LogLines(log), "start"), 1u) << "no second instance";

    m.Close();
    EXPECT_TRUE(dz::test::PumpUntil([&] { return Count(LogLines(log), "iconify") == 1; }));
    EXPECT_EQ(kill(pid, 0), 0) << "minimised, not ended";
}

TEST(Vivozir, AProgramThatCannotBeStartedGetsItsBoxAndNothingElse) {
    TempDir disk, empty;
    ScopedEnv path("PATH", empty.path().string());
    MainFrameFixture m({disk.path().u16string()});
    ASSERT_TRUE(m.frame());
    std::vector<MessageBoxCall> boxes;
    TestStandIn().messageBox = [&](const MessageBoxCall& call) { boxes.push_back(call); };
    ConvertToMp3(*m.frame());
    TestStandIn().messageBox = nullptr;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Can't execute tovar Vivozir.");
    EXPECT_EQ(boxes[0].caption, u"Error");
    EXPECT_EQ(boxes[0].style & wxICON_MASK, wxICON_NONE);
    EXPECT_EQ(m.frame()->GetVivozirProcess().processId, 0);
}

// The box itself, as a user sees it: the toolkit takes its flags without a
// failed check (which would fail this test), and it carries no icon.
TEST(Vivozir, TheRealErrorBoxOpensWithoutAFailedCheck) {
    const int before = dz::test::ToolkitAssertionCount();
    bool seen = false;
    wxTheApp->CallAfter([&] {
        dz::test::PumpUntil([] { return dz::test::FindModalDialog<wxDialog>() != nullptr; },
                            std::chrono::seconds(10));
        if (wxDialog* box = dz::test::FindModalDialog<wxDialog>()) {
            seen = box->GetTitle() == "Error";
            box->EndModal(wxID_OK);
        }
    });
    {
        dz::test::Watchdog watchdog(std::chrono::seconds(30), "error box");
        ShowVivozirError(nullptr);
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(dz::test::ToolkitAssertionCount(), before);
}
