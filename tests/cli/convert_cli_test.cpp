// dezadide-cli convert: outcome texts, exit status, Ctrl+C as Stop.

#include "cli/cmd_convert.h"
#include "cli/commands.h"
#include "cli_call.h"
#include "platform/console.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <sstream>

using dz::test::Outcome;

namespace {

using namespace dz::cli;
using dz::test::TempDir;

const std::string kNews = std::string(DEZADIDE_FIXTURES) + "/rec/news/NEWS_#001_200612241930.AVR";

std::u16string Text(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

ConvertOptions Options(std::u16string source, std::u16string target, bool progress = false) {
    ConvertOptions o;
    o.source = std::move(source);
    o.target = std::move(target);
    o.progress = progress;
    return o;
}

Outcome Convert(ConvertOptions options) {
    std::ostringstream out, err;
    std::FILE* log = std::tmpfile();
    options.log = log;
    if (!options.targetTakesWholeRecording)
        options.targetTakesWholeRecording = [](const std::u16string&) { return true; };
    const int status = RunConvert(options, out, err);
    std::fclose(log);
    return {status, out.str(), err.str()};
}

TEST(CliConvert, OutcomeTextAndExitStatus) {
    TempDir dir;
    for (bool progress : {false, true}) {
        const Outcome ok = Convert(Options(
            Text(kNews),
            dz::platform::JoinPath(dir.text(), progress ? u"news-progress.mpg" : u"news.mpg"),
            progress));
        EXPECT_EQ(ok.status, kExitOk);
        EXPECT_EQ(ok.out, "Convert finished\n");
        if (progress) // a line redrawn in place, wiped at the end
            EXPECT_TRUE(ok.err.empty() || ok.err.ends_with("\r\033[K")) << ok.err;
        else
            EXPECT_EQ(ok.err, "");
    }
    const Outcome noSource =
        Convert(Options(dz::platform::JoinPath(dir.text(), u"NONE_#001_200612241930.AVR"),
                        dz::platform::JoinPath(dir.text(), u"none.mpg")));
    EXPECT_EQ(noSource.status, kExitFailure);
    EXPECT_EQ(noSource.out, "");
    EXPECT_EQ(noSource.err, "Can't open the source file\n");
    const Outcome noTarget =
        Convert(Options(Text(kNews), dz::platform::JoinPath(dir.text(), u"missing/x.mpg")));
    EXPECT_EQ(noTarget.status, kExitFailure);
    EXPECT_EQ(noTarget.err, "Can't open the target file\n");
}

TEST(CliConvert, InterruptStopsLikeTheStopButton) {
    TempDir dir;
#ifndef _WIN32
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
#endif
    for (bool progress : {false, true}) {
        ConvertOptions options =
            Options(Text(kNews), dz::platform::JoinPath(dir.text(), u"news.mpg"), progress);
        std::vector<int> parts;
#ifndef _WIN32
        struct sigaction whileStopping {};
#endif
        options.onPartStarted = [&](int index, int) {
            parts.push_back(index);
            if (index == 1) {
                dz::platform::SimulateInterrupt();
#ifndef _WIN32
                sigaction(SIGINT, nullptr, &whileStopping);
#endif
            }
        };
        const Outcome r = Convert(options);
        EXPECT_EQ(r.status, kExitCancelled);
        EXPECT_NE(
            r.err.find("Convert Canceled; " + (dir / "news.mpg").string() + " was not made\n"),
            std::string::npos)
            << r.err;
        EXPECT_EQ(parts, (std::vector<int>{0, 1})) << "part 3 is never started";
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no target, no temporary";
#ifndef _WIN32
        // Once the first Ctrl+C was taken, a second one ends the program.
        EXPECT_EQ(whileStopping.sa_handler, SIG_DFL);
#endif
    }
    EXPECT_FALSE(dz::platform::SimulateInterrupt()) << "no hook is left behind";
#ifndef _WIN32
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler) << "the previous handler is back";
#endif

    // A source that is no transport stream is a failure, not a cancel.
    dz::test::WriteFile(dir / "JUNK_#001_200612241930.AVR", std::vector<uint8_t>(4000, 0x11));
    const Outcome junk =
        Convert(Options(dz::platform::JoinPath(dir.text(), u"JUNK_#001_200612241930.AVR"),
                        dz::platform::JoinPath(dir.text(), u"j.mpg")));
    EXPECT_EQ(junk.status, kExitFailure);
    EXPECT_EQ(junk.err, "JUNK_#001_200612241930.AVR is not an MPEG transport stream\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "j.mpg"));
}

// Ctrl+C before the conversion's own hook was there (start-up: the
// program's own hook took it) is reported as a cancel with nothing made; one
// after the output was in place changes nothing.
TEST(CliConvert, InterruptAtStartUpOrAfterTheEndIsReported) {
    TempDir dir;
    {
        const dz::platform::InterruptHook program([](void*) {}, nullptr, true);
        ASSERT_TRUE(dz::platform::SimulateInterrupt());
        const Outcome early =
            Convert(Options(Text(kNews), dz::platform::JoinPath(dir.text(), u"news.mpg")));
        EXPECT_EQ(early.status, kExitCancelled);
        EXPECT_EQ(early.err,
                  "Convert Canceled; " + (dir / "news.mpg").string() + " was not made\n");
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }

    ConvertOptions options = Options(Text(kNews), dz::platform::JoinPath(dir.text(), u"news.mpg"));
    options.onPartStarted = [](int index, int) {
        if (index == 0)
            dz::platform::SimulateInterrupt();
    };
    dz::test::WriteFile(dir / "news.mpg", "kept");
    options.replace = true;
    const Outcome kept = Convert(options);
    EXPECT_EQ(kept.status, kExitCancelled);
    EXPECT_EQ(kept.err,
              "Convert Canceled; " + (dir / "news.mpg").string() + " was left as it was\n");
    EXPECT_EQ(dz::test::ReadFile(dir / "news.mpg").size(), 4u);

    const dz::platform::InterruptHook program([](void*) {}, nullptr, true);
    const Outcome finished =
        Convert(Options(Text(kNews), dz::platform::JoinPath(dir.text(), u"late.mpg")));
    ASSERT_TRUE(dz::platform::SimulateInterrupt()); // after the end: noted, nothing else
    EXPECT_EQ(finished.status, kExitOk);
    EXPECT_TRUE(dz::platform::InterruptReceived()) << "the late one was noted";
}

// An existing TARGET is refused, as cp refuses, unless --replace is given;
// a link there is never written through. A companion that miscounts its
// parts is said on stderr, and every part there is converted.
TEST(CliConvert, ExistingTargetsAndWarnings) {
    TempDir dir;
    const std::u16string target = dz::platform::JoinPath(dir.text(), u"news.mpg");
    dz::test::WriteFile(dir / "news.mpg", "earlier");
    const Outcome refused = Convert(Options(Text(kNews), target));
    EXPECT_EQ(refused.status, kExitFailure);
    EXPECT_EQ(refused.err,
              (dir / "news.mpg").string() + " already exists; it was left as it was\n");
    EXPECT_EQ(dz::test::ReadFile(dir / "news.mpg").size(), 7u);
    ConvertOptions replacing = Options(Text(kNews), target);
    replacing.replace = true;
    const Outcome replaced = Convert(replacing);
    EXPECT_EQ(replaced.status, kExitOk);
    EXPECT_GT(dz::test::ReadFile(dir / "news.mpg").size(), 100000u);
#ifndef _WIN32
    dz::test::WriteFile(dir / "other", "other");
    std::filesystem::create_symlink(dir / "other", dir / "link.mpg");
    const Outcome link =
        Convert(Options(Text(kNews), dz::platform::JoinPath(dir.text(), u"link.mpg")));
    EXPECT_EQ(link.status, kExitFailure);
    EXPECT_EQ(dz::test::ReadFile(dir / "other").size(), 5u);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.mpg"));
#endif

    // The news recording with a companion that counts no parts.
    const std::filesystem::path news = std::filesystem::path(kNews).parent_path();
    for (const auto& e : std::filesystem::directory_iterator(news))
        std::filesystem::copy_file(e.path(), dir.path() / e.path().filename());
    std::vector<uint8_t> companion = dz::test::ReadFile(dir / "NEWS_#001_200612241930.AVF");
    companion[1740] = companion[1741] = 0;
    dz::test::WriteFile(dir / "NEWS_#001_200612241930.AVF", companion);
    const Outcome miscounted =
        Convert(Options(dz::platform::JoinPath(dir.text(), u"NEWS_#001_200612241930.AVR"),
                        dz::platform::JoinPath(dir.text(), u"all.mpg")));
    EXPECT_EQ(miscounted.status, kExitOk);
    EXPECT_EQ(miscounted.out, "Convert finished\n");
    EXPECT_EQ(miscounted.err, "The companion file's part count (0) does not match the parts there "
                              "(3); every part there was converted\n");
    EXPECT_EQ(dz::test::ReadFile(dir / "all.mpg"), dz::test::ReadFile(dir / "news.mpg"));

    // A file system that cannot be told is no reason to convert part 1 alone.
    ConvertOptions unknown =
        Options(dz::platform::JoinPath(dir.text(), u"NEWS_#001_200612241930.AVR"),
                dz::platform::JoinPath(dir.text(), u"unknown.mpg"));
    unknown.targetTakesWholeRecording = [](const std::u16string&) { return std::nullopt; };
    const Outcome untold = Convert(unknown);
    EXPECT_EQ(untold.status, kExitFailure);
    EXPECT_NE(untold.err.find("Can't tell the file system"), std::string::npos) << untold.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "unknown.mpg"));
}

} // namespace
