// The toolkit's own checks never reach a user as its developer dialog: the
// program writes them to standard error and goes on. In the tests the same
// checks fail the test that ran into them.
#include "support/gui_test.h"
#include "ui/AssertLog.h"

#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/toplevel.h>

TEST(ToolkitAssertions, TheProgramWritesAFailedCheckToStandardErrorAndGoesOn) {
    const size_t windowsBefore = wxTopLevelWindows.size();
    LogToolkitAssertions();
    testing::internal::CaptureStderr();
    bool wentOn = false;
    wxFAIL_MSG("a check made to fail");
    wentOn = true;
    const std::string written = testing::internal::GetCapturedStderr();
    dz::test::FailTestsOnToolkitAssertions();
    dz::test::PumpEvents();

    EXPECT_TRUE(wentOn);
    EXPECT_NE(written.find("dezadide: toolkit check failed"), std::string::npos) << written;
    EXPECT_NE(written.find("a check made to fail"), std::string::npos) << written;
    EXPECT_EQ(wxTopLevelWindows.size(), windowsBefore) << "no dialog was opened";
}

TEST(ToolkitAssertions, TheLineSaysWhereWhatAndWhy) {
    EXPECT_EQ(ToolkitAssertionText("artprov.cpp", 583, "GetMessageBoxIconId", "\"Assert failure\"",
                                   "incorrect message box icon flags"),
              "dezadide: toolkit check failed: \"Assert failure\" (incorrect message box icon "
              "flags) in GetMessageBoxIconId at artprov.cpp:583");
}
