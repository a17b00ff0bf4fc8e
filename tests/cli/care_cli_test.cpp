#include "cli/commands.h"

#include "cli_call.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"
#include "support/run_program.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace dz;

namespace {

using namespace dz::cli;
using namespace dz::test;
namespace fs = std::filesystem;

std::map<std::string, std::vector<uint8_t>> Take(const fs::path& dir) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        files[fs::relative(e.path(), dir).string()] =
            e.is_regular_file() ? ReadFile(e.path()) : std::vector<uint8_t>{};
    return files;
}

// The committed news recording in DRIVE/REC, whose location texts name C:\REC.
struct FixtureDisk {
    TempDir root;
    ScopedEnv drives{"DEZADIDE_DRIVES", root.path().string()};
    fs::path rec = root / "REC";
    FixtureDisk() {
        fs::create_directory(rec);
        for (const auto& e : fs::directory_iterator(fs::path(DEZADIDE_FIXTURES) / "rec" / "news"))
            fs::copy_file(e.path(), rec / e.path().filename());
    }
    std::u16string folder() const { return platform::FromPath(rec).value(); }
};

TEST(CliRename, PrintsTheNewPathOrWhyNot) {
    FixtureDisk d;
    Outcome r = Call(RunRename, RenameOptions{d.folder(), u"NEWS_#001_200612241930.AVR", u"A_#B"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, ToUtf8(FillMessage(msg::kRenameRecordingScheme, u"A_#B")) + "\n");
    r = Call(RunRename, RenameOptions{d.folder(), u"NEWS_#001_200612241930.AVR", u"EVENING"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, (d.rec / "EVENING_#001_200612241930.AVR").string() + "\n");
    EXPECT_EQ(Call(RunCheck, CheckOptions{d.folder()}).status, kExitOk);
}

TEST(CliCheck, ReportsMendsAndSaysWhatIsLeft) {
    FixtureDisk d;
    const auto sound = Take(d.rec);
    Outcome r = Call(RunCheck, CheckOptions{d.folder(), true, true});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Take(d.rec), sound) << "mending a sound folder changed it";

    // Moved here by another program, and its part 3 lost on the way.
    fs::create_directory(d.rec / "moved");
    for (const char* name :
         {"NEWS_#001_200612241930.AVF", "NEWS_#001_200612241930.AVR", "NEWS_#002_200612241930.AVR"})
        fs::rename(d.rec / name, d.rec / "moved" / name);
    r = Call(RunCheck, CheckOptions{d.folder(), false, true});
    EXPECT_EQ(r.status, kExitFailure);
    const std::string elsewhere = "its location text names C:\\REC\\NEWS_#001_200612241930.AVF, "
                                  "not where it is\t";
    // The folder's own files first, then each folder inside.
    EXPECT_EQ(r.out, "NEWS_#003_200612241930.AVR\ta part file without a companion\tnothing: "
                     "reported only\n"
                     "moved/NEWS_#001_200612241930.AVF\tpart 3 of 3 is missing\tnothing: "
                     "reported only\n"
                     "moved/NEWS_#001_200612241930.AVF\t" +
                         elsewhere + "rewrite the location text\n" +
                         "moved/NEWS_#001_200612241930.AVR\t" + elsewhere +
                         "rewrite the location text\n" + "moved/NEWS_#002_200612241930.AVR\t" +
                         elsewhere + "rewrite the location text\n");
    r = Call(RunCheck, CheckOptions{d.folder(), true, true});
    EXPECT_EQ(r.status, kExitFailure) << "the missing part is still missing";
    EXPECT_NE(r.out.find("mended: rewrite the location text"), std::string::npos) << r.out;
    r = Call(RunCheck, CheckOptions{d.folder(), false, true});
    EXPECT_EQ(r.out.find("location"), std::string::npos) << r.out;
    EXPECT_EQ(Call(RunCheck, CheckOptions{d.folder() + u"/nosuch"}).status, kExitFailure);
}

TEST(CliRm, AFolderThatIsNotEmptyNeedsRecursive) {
    TempDir dir;
    fs::create_directories(dir / "Films" / "2006");
    fs::create_directory(dir / "Empty");
    MakeRecording(dir / "Films" / "2006", {});
    Outcome r = Call(RunRm, RmOptions{dir.text(), {u"Films", u"Empty"}});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, ToUtf8(FillMessage(msg::kFolderNotEmpty, u"Films")) + "\n");
    EXPECT_TRUE(fs::exists(dir / "Empty") && fs::exists(dir / "Films" / "2006"));
    r = Call(RunRm, RmOptions{dir.text(), {u"Empty"}});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_FALSE(fs::exists(dir / "Empty"));
    r = Call(RunRm, RmOptions{dir.text(), {u"Films"}, true});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_FALSE(fs::exists(dir / "Films"));
    EXPECT_NE(r.out.find("NEWS_#001_200612241930.AVF\n"), std::string::npos) << r.out;
}

TEST(CliProgram, ParsesRenameAndCheck) {
    if (std::string(DEZADIDE_CLI_PATH).empty())
        GTEST_SKIP() << "dezadide-cli not built";
    TempDir dir;
    std::string output;
    const struct {
        std::vector<std::string> arguments;
        int status;
    } runs[] = {
        {{"rename", dir.path().string(), "a.mp3"}, kExitUsage},
        {{"check"}, kExitUsage},
        {{"check", "--fix", "--recursive", dir.path().string()}, kExitOk},
        {{"rename", "--help"}, kExitOk},
        {{"check", "--help"}, kExitOk},
        {{"rm", "--recursive", dir.path().string(), "nosuch.mp3"}, kExitFailure},
    };
    for (const auto& run : runs)
        EXPECT_EQ(RunProgram(DEZADIDE_CLI_PATH, run.arguments, &output), run.status)
            << testing::PrintToString(run.arguments);
}

} // namespace
