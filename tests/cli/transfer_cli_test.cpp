// cp / mv from the terminal: the window's checks and messages, sorted
// entries, a reason for every failure, and Ctrl+C as the dialog's Cancel.
#include "cli/cmd_transfer.h"
#include "cli/commands.h"
#include "common/messages.h"
#include "common/text.h"
#include "transfer/worker_support.h"

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

using namespace dz::cli;

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Transfer(TransferOptions options) {
    if (!options.progress)
        options.progress = false;
    std::ostringstream out, err;
    const int status = RunTransfer(options, out, err);
    return {status, out.str(), err.str()};
}

std::string Line(std::u16string_view message) {
    return ToUtf8(message) + "\n";
}

class CliTransfer : public ::testing::Test {
protected:
    TempDir tmp;
    fs::path src = tmp / "src";
    fs::path dst = tmp / "dst";
    void SetUp() override {
        fs::create_directory(src);
        fs::create_directory(dst);
        WriteFile(src / "A.mem", PatternBytes(10));
        WriteFile(src / "b.MP3", PatternBytes(70000));
        RecordingSpec spec;
        spec.base = "a_#001_200501011200";
        MakeRecording(src, spec);
    }
    TransferOptions Options(TransferMode mode, std::vector<std::u16string> names) {
        TransferOptions o;
        o.mode = mode;
        o.source = U16(src);
        o.destination = U16(dst);
        o.names = std::move(names);
        return o;
    }
};

TEST_F(CliTransfer, ChecksSayWhatTheWindowSays) {
    const std::u16string s = U16(src), d = U16(dst);
    struct Row {
        const char* what;
        std::u16string source, destination;
        std::vector<std::u16string> names;
        std::u16string_view message;
    } rows[] = {
        {"no source folder", u"", d, {u"b.MP3"}, msg::kNoFolder},
        {"no source folder and no name", u"", d, {}, msg::kNoFolder},
        {"no name, no destination either", s, u"", {}, msg::kNoFile},
        {"no destination folder", s, u"", {u"b.MP3"}, msg::kNoDestination},
        {"same folder, A-Z case aside", s + u"/Rec", s + u"/REC", {u"b.MP3"}, msg::kSameFolder},
        {"same folder, typed with a separator", s, s + u"/", {u"b.MP3"}, msg::kSameFolder},
        {"same folder, typed with ..", s, d + u"/../src", {u"b.MP3"}, msg::kSameFolder},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TransferOptions o = Options(TRANSFER_MOVE, r.names);
        o.source = r.source;
        o.destination = r.destination;
        const Outcome result = Transfer(o);
        EXPECT_EQ(result.status, kExitFailure);
        EXPECT_EQ(result.err, Line(r.message));
    }
    EXPECT_TRUE(FolderIsEmpty(dst));
    EXPECT_TRUE(fs::exists(src / "b.MP3"));

    const Outcome elsewhere = Transfer(Options(TRANSFER_COPY, {u"../b.MP3"}));
    EXPECT_EQ(elsewhere.status, kExitUsage) << "an entry is a name in the source folder";
}

TEST_F(CliTransfer, RunsOneJobOverTheSortedNamesWithProgressLines) {
    TransferOptions o = Options(TRANSFER_COPY, {u"b.MP3", u"A.mem", u"a_#001_200501011200.AVR"});
    o.progress = true;
    const Outcome copy = Transfer(o);
    EXPECT_EQ(copy.status, kExitOk);
    EXPECT_EQ(copy.out, "");
    // "." sorts before "_": A.mem, the recording, b.MP3.
    const size_t first = copy.err.find("entry 1/3 A.mem");
    const size_t second = copy.err.find("entry 2/3 a_#001_200501011200.AVR");
    const size_t third = copy.err.find("entry 3/3 b.MP3  100%  job 100%");
    EXPECT_TRUE(first < second && second < third && third != std::string::npos) << copy.err;
    EXPECT_NE(copy.err.find("3 entries, "), std::string::npos);
    EXPECT_NE(copy.err.find(" MB/s\n"), std::string::npos);
    EXPECT_EQ(ReadFile(dst / "b.MP3"), PatternBytes(70000));
    EXPECT_TRUE(fs::exists(dst / "a_#003_200501011200.AVR"));

    fs::remove_all(dst);
    fs::create_directory(dst);
    const Outcome move =
        Transfer(Options(TRANSFER_MOVE, {u"b.MP3", u"A.mem", u"a_#001_200501011200.AVR"}));
    EXPECT_EQ(move.status, kExitOk);
    EXPECT_EQ(move.err, "") << "no progress lines unless asked or on a terminal";
    EXPECT_TRUE(FolderIsEmpty(src));
    EXPECT_EQ(ReadFile(dst / "A.mem"), PatternBytes(10));
}

TEST_F(CliTransfer, AFailureSaysWhichEntryAndWhy) {
    const Outcome missing = Transfer(Options(TRANSFER_COPY, {u"gone.mp3"}));
    EXPECT_EQ(missing.status, kExitFailure);
    EXPECT_EQ(missing.err, "Could not read the source of gone.mp3\n");

    // A recording that fails before its start report is named all the same.
    RecordingSpec shortHead;
    shortHead.base = "c_#001_200501011200";
    shortHead.companionSize = 8007;
    MakeRecording(src, shortHead);
    const Outcome companion =
        Transfer(Options(TRANSFER_MOVE, {u"A.mem", u"notes.txt", u"c_#001_200501011200.AVR"}));
    EXPECT_EQ(companion.status, kExitFailure);
    EXPECT_EQ(companion.err,
              "The companion file of c_#001_200501011200.AVR is shorter than 8,008 bytes\n");
    EXPECT_TRUE(fs::exists(src / "c_#001_200501011200.AVR"));
}

TEST_F(CliTransfer, CtrlCCancelsWithTheRollbackRules) {
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    for (TransferMode mode : {TRANSFER_COPY, TRANSFER_MOVE}) {
        SCOPED_TRACE(mode == TRANSFER_COPY ? "copy" : "move");
        TransferOptions o = Options(mode, {u"A.mem", u"a_#001_200501011200.AVR", u"b.MP3"});
        // Ctrl+C while the recording's first block is being reported.
        o.onReport = [](const ProgressReport& r) {
            if (r.number == 2 && r.code == PROGRESS_STEP && g_cancelTransfer == 0)
                std::raise(SIGINT);
        };
        const Outcome result = Transfer(o);
        EXPECT_EQ(result.status, kExitCancelled);
        EXPECT_EQ(result.err, "Cancelled\n");
        EXPECT_FALSE(fs::exists(dst / "a_#001_200501011200.AVF"));
        EXPECT_FALSE(fs::exists(dst / "b.MP3"));
        // A copy takes back entry 1 too; a move has already moved it.
        EXPECT_EQ(fs::exists(dst / "A.mem"), mode == TRANSFER_MOVE);
        EXPECT_EQ(fs::exists(src / "A.mem"), mode == TRANSFER_COPY);
        EXPECT_TRUE(fs::exists(src / "a_#001_200501011200.AVF"));
        struct sigaction after {};
        sigaction(SIGINT, nullptr, &after);
        EXPECT_EQ(after.sa_handler, before.sa_handler) << "the handler is put back";
    }
}

// The built program: the subcommands are registered and exit as promised.
TEST_F(CliTransfer, TheProgramTakesCpAndMv) {
    const std::string cli = DEZADIDE_CLI_PATH;
    if (cli.empty())
        GTEST_SKIP() << "dezadide-cli is not built";
    auto run = [&](const std::string& arguments) {
        const int status = std::system((cli + " " + arguments + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::string s = src.string(), d = dst.string();
    EXPECT_EQ(run("cp --help"), 0);
    EXPECT_EQ(run("mv --help"), 0);
    EXPECT_EQ(run("cp"), 2);
    EXPECT_EQ(run("cp '" + s + "' '" + d + "' b.MP3 A.mem"), 0);
    EXPECT_EQ(ReadFile(dst / "b.MP3"), PatternBytes(70000));
    EXPECT_EQ(run("mv '" + s + "' '" + d + "' gone.mp3"), 1);
    EXPECT_EQ(run("mv '" + s + "' '" + d + "' a_#001_200501011200.AVR"), 0);
    EXPECT_FALSE(fs::exists(src / "a_#001_200501011200.AVF"));
}

} // namespace
} // namespace dz::test
