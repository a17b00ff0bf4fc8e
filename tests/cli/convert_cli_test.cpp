// dezadide-cli convert: outcome texts, exit status, Ctrl+C as Stop.
#include "cli/cmd_convert.h"
#include "cli/commands.h"
#include "platform/console.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

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

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Convert(ConvertOptions options) {
    std::ostringstream out, err;
    std::FILE* log = std::tmpfile();
    options.log = log;
    options.targetTakesWholeRecording = [](const std::u16string&) { return true; };
    const int status = RunConvert(options, out, err);
    std::fclose(log);
    return {status, out.str(), err.str()};
}

TEST(CliConvert, OutcomeTextAndExitStatus) {
    TempDir dir;
    for (bool progress : {false, true}) {
        const Outcome ok = Convert(Options(Text(kNews), dir.text() + u"/news.mpg", progress));
        EXPECT_EQ(ok.status, kExitOk);
        EXPECT_EQ(ok.out, "Convert finished\n");
        if (progress) // a line redrawn in place, wiped at the end
            EXPECT_TRUE(ok.err.empty() || ok.err.ends_with("\r\033[K")) << ok.err;
        else
            EXPECT_EQ(ok.err, "");
    }
    const Outcome noSource =
        Convert(Options(dir.text() + u"/NONE_#001_200612241930.AVR", dir.text() + u"/none.mpg"));
    EXPECT_EQ(noSource.status, kExitFailure);
    EXPECT_EQ(noSource.out, "");
    EXPECT_EQ(noSource.err, "Can't open the source file\n");
    const Outcome noTarget = Convert(Options(Text(kNews), dir.text() + u"/missing/x.mpg"));
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
        ConvertOptions options = Options(Text(kNews), dir.text() + u"/news.mpg", progress);
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
        EXPECT_NE(r.err.find("Convert Canceled\n"), std::string::npos);
        EXPECT_EQ(parts, (std::vector<int>{0, 1})) << "part 3 is never started";
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
        Convert(Options(dir.text() + u"/JUNK_#001_200612241930.AVR", dir.text() + u"/j.mpg"));
    EXPECT_EQ(junk.status, kExitFailure);
}

} // namespace
