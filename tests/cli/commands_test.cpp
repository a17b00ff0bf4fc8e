#include "cli/commands.h"

#include "cli_call.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "recording/recording_files.h"
#include "support/run_program.h"

#include "dezadide_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace dz;

namespace {

using namespace dz::cli;
using namespace dz::test;
namespace fs = std::filesystem;

std::string Line(const char16_t* message) {
    return dz::ToUtf8(message) + "\n";
}

TEST(CliLs, PrintsTheRowsTabSeparatedInListOrder) {
    TempDir dir;
    MakeRecording(dir.path(), {.parts = {300, 300}, .total = 5'000'000'000});
    WriteFile(dir / "notes.txt", "x");
    const Outcome r = Call(RunLs, LsOptions{dir.text()});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "NEWS\tNEWS_#001_200612241930.AVR\t4,882,812\t2006-12-24 PM  7:30:00\n");
    EXPECT_EQ(r.err, "");

#ifndef _WIN32                             // Windows names cannot hold control characters
    WriteFile(dir / "tab\there.mp3", "x"); // a name must not break its line
    const Outcome tabs = Call(RunLs, LsOptions{dir.text()});
    EXPECT_NE(tabs.out.find("tab\\x09here.mp3\ttab\\x09here.mp3\t0\t"), std::string::npos);
#endif

    const Outcome missing = Call(RunLs, LsOptions{dz::platform::JoinPath(dir.text(), u"missing")});
    EXPECT_EQ(missing.status, kExitFailure);
    EXPECT_NE(missing.err.find("Cannot read the folder"), std::string::npos);
    EXPECT_EQ(Call(RunLs, LsOptions{u""}).err, Line(dz::msg::kNoFolder));
}

TEST(CliRm, DeletesLikeTheDeleteCommandAndPrintsWhatWasRemoved) {
    TempDir dir;
    MakeRecording(dir.path(), {.parts = {1, 1, 1, 1}, .count = 3});
    WriteFile(dir / "song.MP3", "x");
    WriteFile(dir / "notes.txt", "x");
    const std::string d = (dir.path() / "").string(); // the folder and its separator
    const Outcome r =
        Call(RunRm, RmOptions{dir.text(), {u"song.MP3", u"NEWS_#001_200612241930.AVR"}});
    EXPECT_EQ(r.status, kExitOk);
    // Sorted: the recording ("N") before "n" and "s"; parts from the last,
    // then the companion.
    EXPECT_EQ(r.out, d + "NEWS_#003_200612241930.AVR\n" + d + "NEWS_#002_200612241930.AVR\n" + d +
                         "NEWS_#001_200612241930.AVR\n" + d + "NEWS_#001_200612241930.AVF\n" + d +
                         "song.MP3\n");
    EXPECT_TRUE(fs::exists(dir / "NEWS_#004_200612241930.AVR"));
    EXPECT_TRUE(fs::exists(dir / "notes.txt"));

    EXPECT_EQ(Call(RunRm, RmOptions{dir.text(), {}}).err, Line(dz::msg::kNoFile));
    EXPECT_EQ(Call(RunRm, RmOptions{u"", {u"notes.txt"}}).err, Line(dz::msg::kNoFile));
    const Outcome outside = Call(RunRm, RmOptions{dir.text(), {u"../notes.txt"}});
    EXPECT_EQ(outside.status, kExitUsage);
    // A later part's name is no entry: nothing at all is deleted.
    MakeRecording(dir.path(), {.parts = {1, 1}});
    const Outcome later =
        Call(RunRm, RmOptions{dir.text(), {u"song.mp3", u"NEWS_#002_200612241930.AVR"}});
    EXPECT_EQ(later.status, kExitUsage);
    EXPECT_EQ(
        later.err,
        "Not an entry of the list (a later part of a recording): NEWS_#002_200612241930.AVR\n");
    EXPECT_TRUE(fs::exists(dir / "NEWS_#001_200612241930.AVR"));
    // A command that did nothing says so: no such entry, or a name that is
    // no entry of the list at all (a companion, another kind of file).
    const Outcome gone = Call(RunRm, RmOptions{dir.text(), {u"gone.mp3"}});
    EXPECT_EQ(gone.status, kExitFailure);
    EXPECT_EQ(gone.err, "No such entry in the folder: gone.mp3\n");
    for (const char16_t* name : {u"notes.txt", u"NEWS_#001_200612241930.AVF"}) {
        const Outcome other = Call(RunRm, RmOptions{dir.text(), {name}});
        EXPECT_EQ(other.status, kExitUsage);
        EXPECT_NE(other.err.find("Not an entry of the list"), std::string::npos);
    }
    EXPECT_TRUE(fs::exists(dir / "notes.txt"));
    EXPECT_TRUE(fs::exists(dir / "NEWS_#001_200612241930.AVF"));
}

TEST(CliRm, AnEntryThatStaysIsReported) {
    TempDir dir;
    // A folder under a plain file's name cannot be unlinked, not even by root.
    fs::create_directory(dir / "a.mp3");
    WriteFile(dir / "b.mp3", "x");
    const Outcome r = Call(RunRm, RmOptions{dir.text(), {u"a.mp3", u"b.mp3"}});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "Could not delete " + (dir / "a.mp3").string() + "\n");
    EXPECT_EQ(r.out, (dir / "b.mp3").string() + "\n"); // the run went on
}

TEST(CliMkdir, MakesTheFolderAsTypedOrSaysWhyNot) {
    TempDir dir;
    const Outcome made = Call(RunMkdir, MkdirOptions{dir.text(), u" New"});
    EXPECT_EQ(made.status, kExitOk);
    EXPECT_TRUE(fs::is_directory(dir / " New"));
    EXPECT_EQ(made.out, (dir / " New").string() + "\n");

    const Outcome again = Call(RunMkdir, MkdirOptions{dir.text(), u" New"});
    EXPECT_EQ(again.status, kExitFailure);
    EXPECT_EQ(again.err, "Could not make a folder, " + (dir / " New").string() + "\n");
    EXPECT_EQ(Call(RunMkdir, MkdirOptions{u"", u"x"}).err, Line(dz::msg::kNoParentFolder));
    // One name inside PARENT, never a path that leads elsewhere.
    fs::create_directory(dir / "inner");
    for (const char16_t* name : {u"inner/b", u"../../escaped", u"..", u"."}) {
        const Outcome refused = Call(RunMkdir, MkdirOptions{(dir / "inner").u16string(), name});
        EXPECT_EQ(refused.status, kExitUsage);
        EXPECT_FALSE(refused.err.empty());
    }
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escaped"));
    EXPECT_TRUE(fs::is_empty(dir / "inner"));

    const Outcome empty = Call(RunMkdir, MkdirOptions{dir.text(), u""});
    EXPECT_EQ(empty.status, kExitUsage);
    EXPECT_EQ(empty.err, "A folder name cannot be empty\n");
    EXPECT_EQ(Call(RunMkdir, MkdirOptions{dir.text(), std::u16string(128, u'n')}).status, kExitOk);
    const Outcome tooLong = Call(RunMkdir, MkdirOptions{dir.text(), std::u16string(129, u'n')});
    EXPECT_EQ(tooLong.status, kExitUsage);
    EXPECT_EQ(tooLong.err, "Please enter no more than 128 characters.\n");
}

TEST(CliInfo, ShowsPiecesCompanionAndParts) {
    TempDir dir;
    MakeRecording(dir.path(), {.parts = {300, 300}, .count = 3, .total = 1234});
    std::vector<uint8_t> part = ReadFile(dir / "NEWS_#001_200612241930.AVR");
    part[8] = 0, part[9] = 134;
    std::fill(part.begin() + 10, part.begin() + 133, 0);
    CRecordingName::CopyLowBytes(part.data() + 10, u"C:\\REC\\NEWS_#001_200612241930.AVF");
    WriteFile(dir / "NEWS_#001_200612241930.AVR", part);
    WriteFile(dir / "NEWS_#002_200612241930.AVR", "short");

    const Outcome r = Call(RunInfo, InfoOptions{dir.text() + u"/NEWS_#002_200612241930.AVR"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    const std::string expectedStart = "recording\tNEWS\nfolder\t" + dir.path().string() +
                                      "/\npart number\t2\ndate stamp\t200612241930\n"
                                      "suffix number\t0\ncompanion\tNEWS_#001_200612241930.AVF\n"
                                      "part count\t3\ntotal size\t1234\nlocation\t";
    EXPECT_EQ(r.out.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(r.out.find("\npart 1\tpresent\tNEWS_#001_200612241930.AVR\t134\t"
                         "C:\\REC\\NEWS_#001_200612241930.AVF\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("\npart 2\tshort\tNEWS_#002_200612241930.AVR\n"), std::string::npos);
    EXPECT_NE(r.out.find("\npart 3\tmissing\tNEWS_#003_200612241930.AVR\n"), std::string::npos);

    EXPECT_EQ(Call(RunInfo, InfoOptions{dir.text() + u"/song.mp3"}).status, kExitFailure);
    EXPECT_EQ(Call(RunInfo, InfoOptions{dir.text() + u"/MOVIE.AVR"}).status, kExitFailure);
    fs::remove(dir / "NEWS_#001_200612241930.AVF");
    const Outcome noCompanion =
        Call(RunInfo, InfoOptions{dir.text() + u"/NEWS_#001_200612241930.AVR"});
    EXPECT_EQ(noCompanion.status, kExitFailure);
    EXPECT_NE(noCompanion.err.find("Cannot read the companion file"), std::string::npos);
}

TEST(CliInfo, EndsWithTheLengthAndOneLinePerStream) {
    const fs::path news =
        fs::path(DEZADIDE_FIXTURES) / "rec" / "news" / "NEWS_#002_200612241930.AVR";
    const Outcome r = Call(RunInfo, InfoOptions{news.u16string()});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    const std::string facts = "\nlength\t0:00:04\n"
                              "stream\tvideo mpeg2video 352x288 11:9 25 fps\n"
                              "stream\taudio mp2 48000 Hz 1 ch 128 kb/s\n";
    ASSERT_GE(r.out.size(), facts.size());
    EXPECT_EQ(r.out.substr(r.out.size() - facts.size()), facts) << r.out;

    // A recording whose parts hold no stream: its length is not known.
    TempDir dir;
    MakeRecording(dir.path(), {.parts = {3000, 3000}});
    const Outcome none = Call(RunInfo, InfoOptions{dir.text() + u"/NEWS_#001_200612241930.AVR"});
    EXPECT_EQ(none.status, kExitOk);
    EXPECT_NE(none.out.find("\nlength\t?\n"), std::string::npos) << none.out;
    EXPECT_EQ(none.out.find("stream\t"), std::string::npos);
}

TEST(CliLs, LongAddsLengthVideoAndAudioColumns) {
    TempDir dir;
    for (const auto& entry : fs::directory_iterator(fs::path(DEZADIDE_FIXTURES) / "rec" / "radio"))
        fs::copy_file(entry.path(), dir.path() / entry.path().filename());
    WriteFile(dir / "song.mp3", "x");
    const fs::path cacheFile = dir / "cache" / "stream-facts";
    LsOptions options{dir.text(), true, cacheFile.u16string()};
    const Outcome r = Call(RunLs, options);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    // The four columns as they were, then the three new ones; a file that is
    // no recording has them empty.
    EXPECT_NE(r.out.find("RADIO\tRADIO_#001_200612241930.AVR\t167\t2006-12-24 PM  7:30:00"
                         "\t0:00:06\t\tmp2 48000 Hz 1 ch 192 kb/s\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("song.mp3\tsong.mp3\t0\t"), std::string::npos);
    EXPECT_NE(r.out.find("\t\t\t\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(cacheFile));
    // Without --long nothing is read beyond the list and nothing changes.
    options.longListing = false;
    EXPECT_EQ(Call(RunLs, options).out.find("0:00:06"), std::string::npos);
}

// The built program: parsing, usage errors, help, and which stream gets what.
// Standard error goes to `errFile`, or joins the output when none is given.
int RunCli(const std::vector<std::string>& arguments, std::string* output = nullptr,
           const fs::path& errFile = {}) {
    return RunProgram(DEZADIDE_CLI_PATH, arguments, output, errFile);
}

TEST(CliProgram, ParsesEveryCommand) {
    if (std::string(DEZADIDE_CLI_PATH).empty())
        GTEST_SKIP() << "dezadide-cli not built";
    std::string output;
    const struct {
        std::vector<std::string> arguments;
        int status;
    } usage[] = {
        {{}, kExitUsage},
        {{"nosuch"}, kExitUsage},
        {{"ls"}, kExitUsage},
        {{"mkdir", "only-parent"}, kExitUsage},
        {{"cp"}, kExitUsage},
#ifndef _WIN32                        // Windows hands over UTF-16 arguments, which are text
        {{"ls", "\377"}, kExitUsage}, // not UTF-8
#endif
        {{"ls", "--help"}, kExitOk},
        {{"ls", "--long", "--help"}, kExitOk},
        {{"rm", "--help"}, kExitOk},
        {{"mkdir", "--help"}, kExitOk},
        {{"info", "--help"}, kExitOk},
        {{"cp", "--help"}, kExitOk},
        {{"mv", "--help"}, kExitOk},
        {{"convert", "--help"}, kExitOk},
        // "/x" is a path on every system, never an option.
        {{"ls", "/nonexistent-dezadide"}, kExitFailure},
    };
    for (const auto& u : usage) {
        const std::string shown = testing::PrintToString(u.arguments);
        EXPECT_EQ(RunCli(u.arguments, &output), u.status) << shown;
        if (u.status == kExitOk) {
            EXPECT_NE(output.find("Usage:"), std::string::npos) << shown;
        }
    }

    TempDir dir;
    const fs::path src = dir / "src", dst = dir / "dst";
    fs::create_directory(src);
    fs::create_directory(dst);
    EXPECT_EQ(RunCli({"ls", src.string()}, &output), kExitOk);
    EXPECT_EQ(output, "");
    EXPECT_EQ(RunCli({"rm", src.string()}, &output), kExitFailure);
    EXPECT_EQ(output, Line(dz::msg::kNoFile));

    WriteFile(src / "A.mem", "x");
    WriteFile(src / "b.MP3", "x");
    MakeRecording(src, {.parts = {300, 300}});
    EXPECT_EQ(RunCli({"cp", src.string(), dst.string(), "b.MP3", "NEWS_#001_200612241930.AVR"}),
              kExitOk);
    EXPECT_EQ(RunCli({"mv", src.string(), dst.string(), "gone.mp3"}), kExitFailure);
    EXPECT_EQ(RunCli({"mv", src.string(), dst.string(), "A.mem"}), kExitOk);
    EXPECT_TRUE(fs::exists(dst / "A.mem") && fs::exists(dst / "NEWS_#002_200612241930.AVR"));
    EXPECT_FALSE(fs::exists(src / "A.mem"));
    // b.MP3 is in the destination now: refused unless --replace or --skip.
    EXPECT_EQ(RunCli({"cp", src.string(), dst.string(), "b.MP3"}, &output), kExitFailure);
    EXPECT_NE(output.find("Already in the destination: b.MP3"), std::string::npos) << output;
    EXPECT_EQ(RunCli({"cp", "--replace", src.string(), dst.string(), "b.MP3"}), kExitOk);
    EXPECT_EQ(RunCli({"cp", "--skip", src.string(), dst.string(), "b.MP3"}), kExitOk);
    EXPECT_EQ(RunCli({"cp", "--skip", "--replace", src.string(), dst.string(), "b.MP3"}),
              kExitUsage);

    // convert: the outcome on standard output, the stream diagnostics on
    // standard error, and no progress line when that is a file.
    const fs::path news =
        fs::path(DEZADIDE_FIXTURES) / "rec" / "news" / "NEWS_#001_200612241930.AVR";
    const fs::path target = dir / "news.mpg", err = dir / "err.txt";
    EXPECT_EQ(RunCli({"convert", news.string(), target.string()}, &output, err), kExitOk);
    EXPECT_EQ(output, "Convert finished\n");
    const std::vector<uint8_t> errBytes = ReadFile(err);
    const std::string errText(errBytes.begin(), errBytes.end());
    EXPECT_NE(errText.find("Videostream"), std::string::npos) << errText;
    EXPECT_EQ(errText.find('\r'), std::string::npos);
    EXPECT_GT(fs::file_size(target), 100000u);
}

#ifndef _WIN32 // Windows keeps its cache under %LOCALAPPDATA%
TEST(CliProgram, KeepsStreamFactsInTheUsersCacheFolder) {
    if (std::string(DEZADIDE_CLI_PATH).empty())
        GTEST_SKIP() << "dezadide-cli not built";
    TempDir dir;
    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_CACHE_HOME", dir.path().string().c_str(), 1);
    std::string output;
    const fs::path news = fs::path(DEZADIDE_FIXTURES) / "rec" / "news";
    const int status = RunCli({"ls", "--long", news.string()}, &output);
    if (before)
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(status, kExitOk);
    EXPECT_NE(output.find("\t0:00:04\tmpeg2video "), std::string::npos) << output;
    EXPECT_TRUE(fs::exists(dir / "dezadide" / "stream-facts"));
}
#endif

TEST(CliProgram, PrintsTheProjectVersion) {
    if (std::string(DEZADIDE_CLI_PATH).empty())
        GTEST_SKIP() << "dezadide-cli not built";
    std::string output;
    EXPECT_EQ(RunCli({"--version"}, &output), kExitOk);
    EXPECT_EQ(output, std::string("dezadide-cli ") + kDezadideVersion + "\n");
    EXPECT_EQ(RunCli({"--help"}, &output), kExitOk);
    EXPECT_NE(output.find("--version"), std::string::npos) << output;
}

} // namespace
