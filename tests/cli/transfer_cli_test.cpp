// cp / mv from the terminal: the window's checks and messages, sorted
// entries, a reason for every failure, and Ctrl+C as the dialog's Cancel.
#include "cli/cmd_transfer.h"
#include "cli/commands.h"
#include "common/messages.h"
#include "common/text.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "transfer/transfer_plan.h"
#include "transfer/worker_support.h"

#include <csignal>
#include <sstream>

namespace fs = std::filesystem;

namespace dz::test {
namespace {

using namespace dz::cli;

class CliTransfer : public ::testing::Test {
protected:
    TempDir tmp;
    fs::path src = tmp / "src", dst = tmp / "dst";
    RecordingLayout recording;
    std::string out, err;

    void SetUp() override {
        fs::create_directory(src);
        fs::create_directory(dst);
        WriteFile(src / "A.mem", PatternBytes(10));
        WriteFile(src / "b.MP3", PatternBytes(70000));
        recording.name = "a";
        MakeRecording(src, recording);
    }
    int Run(TransferOptions o) {
        std::ostringstream outText, errText;
        if (!o.progress)
            o.progress = false;
        const int status = RunTransfer(o, outText, errText);
        out = outText.str();
        err = errText.str();
        return status;
    }
    TransferOptions Options(TransferMode mode, std::vector<std::u16string> names) {
        return TransferOptions{mode, U16(src), U16(dst), std::move(names), std::nullopt, {}};
    }
};

TEST_F(CliTransfer, ChecksSayWhatTheWindowSays) {
    const std::u16string s = U16(src), d = U16(dst);
    const struct {
        std::u16string source, destination;
        std::vector<std::u16string> names;
        std::u16string_view message;
    } rows[] = {
        {s, u"", {u"b.MP3"}, msg::kNoDestination},
        {s, d + u"/../src/", {u"b.MP3"}, msg::kSameFolder}, // the same folder typed another way
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Run({TransferMode::Move, r.source, r.destination, r.names, std::nullopt, {}}),
                  kExitFailure);
        EXPECT_EQ(err, ToUtf8(r.message) + "\n");
    }
    EXPECT_EQ(Run(Options(TransferMode::Copy, {u"../b.MP3"})), kExitUsage);
    EXPECT_TRUE(fs::is_empty(dst));
}

TEST_F(CliTransfer, OneJobOverTheSortedNamesWithProgressLines) {
    TransferOptions o =
        Options(TransferMode::Move, {u"b.MP3", u"A.mem", u"a_#001_200612241930.AVR"});
    o.progress = true;
    EXPECT_EQ(Run(o), kExitOk);
    EXPECT_EQ(out, "");
    // "." sorts before "_": A.mem, the recording, b.MP3.
    const size_t first = err.find("entry 1/3 A.mem");
    const size_t second = err.find("entry 2/3 a_#001_200612241930.AVR");
    const size_t third = err.find("entry 3/3 b.MP3  100%  job 100%");
    EXPECT_TRUE(first < second && second < third && third != std::string::npos) << err;
    EXPECT_NE(err.find("3 entries, "), std::string::npos);
    EXPECT_TRUE(fs::is_empty(src));
    EXPECT_EQ(ReadFile(dst / "b.MP3"), PatternBytes(70000));
}

TEST_F(CliTransfer, AFailureSaysWhichEntryAndWhy) {
    EXPECT_EQ(Run(Options(TransferMode::Copy, {u"gone.mp3"})), kExitFailure);
    EXPECT_EQ(err, "Could not read the source of gone.mp3\n");
    // A recording that fails before its start report is named all the same.
    fs::resize_file(src / CompanionName(recording), 8007);
    EXPECT_EQ(Run(Options(TransferMode::Copy, {u"A.mem", u"a_#001_200612241930.AVR"})),
              kExitFailure);
    EXPECT_EQ(err, "The companion file of a_#001_200612241930.AVR is shorter than 8,008 bytes\n");
}

TEST_F(CliTransfer, ExistingEntriesAreRefusedReplacedOrSkipped) {
    const std::vector<uint8_t> old = PatternBytes(5, 99);
    const struct {
        OnExisting existing;
        int status;
        bool bReplaced, memCopied;
    } cases[] = {
        {OnExisting::Refuse, kExitFailure, false, false},
        {OnExisting::Skip, kExitOk, false, true},
        {OnExisting::Replace, kExitOk, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.existing));
        fs::remove_all(dst);
        fs::create_directory(dst);
        WriteFile(dst / "b.MP3", old);
        TransferOptions o = Options(TransferMode::Copy, {u"b.MP3", u"A.mem"});
        o.existing = c.existing;
        EXPECT_EQ(Run(o), c.status);
        EXPECT_EQ(ReadFile(dst / "b.MP3"), c.bReplaced ? PatternBytes(70000) : old);
        EXPECT_EQ(fs::exists(dst / "A.mem"), c.memCopied);
        if (c.existing == OnExisting::Refuse) {
            EXPECT_EQ(err, ToUtf8(ExistingEntriesText({u"b.MP3"})) + "\n");
        }
        if (c.existing == OnExisting::Skip) {
            EXPECT_EQ(err, "Skipped, already in the destination: b.MP3\n");
        }
    }
}

TEST_F(CliTransfer, ANoFitIsRefusedBeforeAnythingIsWritten) {
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime makes no sparse file larger than the free space";
#endif
    // Sparse: larger than the destination's free space, taking no room itself.
    fs::resize_file(src / "b.MP3", *platform::FreeSpace(U16(dst)) + 1024 * 1024);
    EXPECT_EQ(Run(Options(TransferMode::Copy, {u"A.mem", u"b.MP3"})), kExitFailure);
    EXPECT_EQ(err.rfind("Not enough space in " + dst.string() + ": the entries need ", 0), 0u)
        << err;
    EXPECT_TRUE(fs::is_empty(dst));
}

TEST_F(CliTransfer, CtrlCCancelsWithTheRollbackRules) {
#ifndef _WIN32
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
#endif
    TransferOptions o =
        Options(TransferMode::Copy, {u"A.mem", u"a_#001_200612241930.AVR", u"b.MP3"});
    bool raised = false;
    o.onReport = [&raised](const ProgressReport& r) { // Ctrl+C during the recording's first block
        if (r.number == 2 && r.code == ProgressCode::Step && !raised) {
            raised = true;
            dz::platform::SimulateInterrupt();
        }
    };
    EXPECT_EQ(Run(o), kExitCancelled);
    EXPECT_EQ(err, "Cancelled: 0 of 3 copied\n");
    EXPECT_TRUE(fs::is_empty(dst)) << "a copy takes back every entry it began";
    EXPECT_FALSE(dz::platform::SimulateInterrupt()) << "no hook is left behind";
#ifndef _WIN32
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler) << "the handler is put back";
#endif
}

// Ctrl+C that came before the command set up its own handling (the
// program's first hook took it) cancels before anything is done, and says so.
TEST_F(CliTransfer, CtrlCBeforeTheJobCancelsIt) {
    const dz::platform::InterruptHook program([](void*) {}, nullptr, true);
    ASSERT_TRUE(dz::platform::SimulateInterrupt());
    EXPECT_TRUE(dz::platform::InterruptReceived());
    EXPECT_EQ(Run(Options(TransferMode::Move, {u"A.mem", u"b.MP3"})), kExitCancelled);
    EXPECT_EQ(err, "Cancelled: 0 of 2 moved\n");
    EXPECT_TRUE(fs::is_empty(dst));
    EXPECT_TRUE(fs::exists(src / "A.mem"));
}

// An entry named twice is one entry; a move retried after it had removed
// its whole source says that it is finished.
TEST_F(CliTransfer, AnEntryNamedTwiceAndAFinishedMove) {
    const std::u16string news = u"a_#001_200612241930.AVR";
    EXPECT_EQ(Run(Options(TransferMode::Copy, {news, u"b.MP3", news})), kExitOk) << err;
    EXPECT_EQ(err, "");
    fs::remove_all(dst);
    fs::create_directory(dst);
    EXPECT_EQ(Run(Options(TransferMode::Move, {news})), kExitOk) << err;
    EXPECT_EQ(Run(Options(TransferMode::Move, {news})), kExitOk) << err;
    EXPECT_EQ(err, "a is no longer in the source folder and is whole in the destination: its move "
                   "is finished\n");
    // Nothing at either end is still a failure.
    fs::remove_all(dst);
    fs::create_directory(dst);
    EXPECT_EQ(Run(Options(TransferMode::Move, {news})), kExitFailure);
}

} // namespace
} // namespace dz::test
