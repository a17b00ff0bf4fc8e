// dezadide-cli thumbnail: exit status, texts, and the command line's checks.

#include "cli/commands.h"
#include "cli_call.h"

#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using dz::test::Outcome;

namespace {

using namespace dz::cli;
using dz::test::TempDir;

const std::string kRec = std::string(DEZADIDE_FIXTURES) + "/rec/";

std::u16string Text(const std::filesystem::path& p) {
    const std::string s = p.string();
    return std::u16string(s.begin(), s.end());
}

Outcome Thumbnail(const std::string& recording, const std::filesystem::path& target,
                  std::optional<double> at = std::nullopt, int width = 320) {
    ThumbnailOptions o;
    o.recording = Text(recording);
    o.target = Text(target);
    o.atSeconds = at;
    o.width = width;
    std::ostringstream out, err;
    const int status = RunThumbnail(o, out, err);
    return {status, out.str(), err.str()};
}

TEST(CliThumbnail, OutcomesAndTheirTexts) {
    TempDir dir;
    const Outcome ok = Thumbnail(kRec + "news/NEWS_#001_200612241930.AVR", dir / "n.png");
    EXPECT_EQ(ok.status, kExitOk);
    EXPECT_EQ(ok.out, (dir / "n.png").string() + "\n");
    EXPECT_EQ(ok.err, "");
    EXPECT_TRUE(std::filesystem::exists(dir / "n.png"));

    const Outcome radio = Thumbnail(kRec + "radio/RADIO_#001_200612241930.AVR", dir / "r.png");
    EXPECT_EQ(radio.status, kExitFailure);
    EXPECT_EQ(radio.out, "");
    EXPECT_EQ(radio.err, "The recording holds no video to take a picture from\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "r.png"));

    const Outcome late = Thumbnail(kRec + "news/NEWS_#001_200612241930.AVR", dir / "l.png", 60.0);
    EXPECT_EQ(late.status, kExitFailure);
    EXPECT_EQ(late.err, "The time asked for is past the end of the recording\n");

    const Outcome none = Thumbnail((dir / "X_#001_200612241930.AVR").string(), dir / "x.png");
    EXPECT_EQ(none.status, kExitFailure);
    EXPECT_EQ(none.err, "Can't open the source file\n");

    const Outcome unwritable =
        Thumbnail(kRec + "news/NEWS_#001_200612241930.AVR", dir / "no" / "n.png");
    EXPECT_EQ(unwritable.status, kExitFailure);
    EXPECT_EQ(unwritable.err, "Can't write the picture file\n");

    EXPECT_EQ(Thumbnail(kRec + "news/NEWS_#001_200612241930.AVR", dir / "w.png", {}, 0).status,
              kExitUsage);
}

TEST(CliThumbnail, CommandLineChecksAreUsageErrors) {
    TempDir dir;
    const std::string news = kRec + "news/NEWS_#001_200612241930.AVR";
    const std::string out = (dir / "t.png").string();
    std::string output;
    EXPECT_EQ(
        dz::test::RunProgram(DEZADIDE_CLI_PATH, {"thumbnail", news, out, "--width", "0"}, &output),
        kExitUsage);
    EXPECT_EQ(
        dz::test::RunProgram(DEZADIDE_CLI_PATH, {"thumbnail", news, out, "--at", "-1"}, &output),
        kExitUsage);
    EXPECT_EQ(dz::test::RunProgram(DEZADIDE_CLI_PATH, {"thumbnail", news}, &output), kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(dir / "t.png"));
    EXPECT_EQ(dz::test::RunProgram(DEZADIDE_CLI_PATH,
                                   {"thumbnail", news, out, "--at", "1.5", "--width", "100"},
                                   &output),
              kExitOk)
        << output;
    EXPECT_TRUE(std::filesystem::exists(dir / "t.png"));
}

} // namespace
