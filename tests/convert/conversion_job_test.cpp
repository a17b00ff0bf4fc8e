// The conversion job end to end on the committed clips and recordings, with
// ffprobe as an independent reader of what it wrote.
#include "convert/conversion_job.h"
#include "convert/conversion_prepare.h"

#include "common/messages.h"
#include "common/text.h"
#include "recording_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <csignal>
#include <future>
#include <optional>
#include <set>
#include <thread>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace dz::convert {
namespace {

using dz::ToUtf8;
using test::Fixture;
using test::PartName;
using test::ReadFile;
using test::TempDir;
using test::Text;

// Every call of the observer as a line: "part 1/3 66%", or the final text.
struct Recorder final : ConversionObserver {
    void OnPartStarted(int index, int count, int totalPercent) override {
        events.push_back("part " + std::to_string(index) + "/" + std::to_string(count) + " " +
                         std::to_string(totalPercent) + "%");
        if (onPart)
            onPart(index);
    }
    void OnWarning(std::u16string_view text) override { warnings.emplace_back(ToUtf8(text)); }
    void OnFinished(ConversionOutcome result, std::u16string_view text) override {
        outcome = result;
        events.emplace_back(ToUtf8(text));
    }
    std::vector<std::string> events; // read once the worker has ended
    std::vector<std::string> warnings;
    ConversionOutcome outcome = ConversionOutcome::kCanceled;
    std::function<void(int)> onPart;
};

// `whole` stands in for the target volume's file system (nothing: it
// cannot be told).
ConversionSettings Settings(std::optional<bool> whole = true, bool replace = false) {
    ConversionSettings settings;
    settings.targetTakesWholeRecording = [whole](const std::u16string&) { return whole; };
    settings.log = std::tmpfile();
    settings.replaceTarget = replace;
    return settings;
}

struct Result {
    ConversionOutcome outcome;
    std::vector<std::string> events;
    std::string log;
    std::vector<std::string> warnings;
};

struct Options {
    std::optional<bool> whole = true;
    int stopAt = -1; // stopped as this part starts
    bool replace = false;
};

// Runs one conversion on the calling thread.
Result Convert(const std::filesystem::path& source, const std::filesystem::path& target,
               Options options) {
    Recorder recorder;
    StopEvent stop;
    recorder.onPart = [&](int index) {
        if (index == options.stopAt)
            stop.Set();
    };
    const ConversionSettings settings = Settings(options.whole, options.replace);
    const ConversionOutcome outcome =
        ConversionJob(recorder, settings).Run(Text(source), Text(target), &stop);
    std::string log(static_cast<size_t>(std::ftell(settings.log)), '\0');
    std::rewind(settings.log);
    log.resize(std::fread(log.data(), 1, log.size(), settings.log));
    std::fclose(settings.log);
    EXPECT_EQ(recorder.outcome, outcome);
    return {outcome, recorder.events, log, recorder.warnings};
}

Result Convert(const std::filesystem::path& source, const std::filesystem::path& target,
               bool whole = true, int stopAt = -1) {
    return Convert(source, target, Options{whole, stopAt});
}

// The names in a folder: a failed or stopped conversion leaves nothing there,
// not even its temporary file.
std::set<std::string> Names(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

#ifndef _WIN32
// What ffmpeg says while it decodes every frame of a file: nothing when the
// file is sound.
std::string DecodeComplaints(const std::filesystem::path& file) {
    std::string output;
    const int status = test::RunProgram(
        "ffmpeg", {"-v", "error", "-i", file.string(), "-f", "null", "-"}, &output);
    return status == 0 ? output : "exit " + std::to_string(status) + ": " + output;
}
#endif

const std::filesystem::path kNews = Fixture("rec/news") / PartName("NEWS", 1);

// End to end on the clips, with ffprobe reading what was written: the whole
// recording becomes one output; a FAT-like target or a later part gives one
// part's worth; a stream cut mid-packet is realigned.
TEST(ConversionJob, OutputsThatFfprobeReads) {
    TempDir dir;
    struct Row {
        const char* what;
        std::filesystem::path source;
        bool whole;
        double share; // of the clip's duration
        std::vector<std::string> events = {"part 0/1 0%", "Convert finished"};
        std::string streams = "video:mpeg2video audio:mp2";
        const char* clip = "av_mp2.ts";
    } rows[] = {
        {"whole",
         kNews,
         true,
         1,
         // The total is the share of all parts' bytes read before each one.
         {"part 0/3 0%", "part 1/3 33%", "part 2/3 66%", "Convert finished"}},
        {"fat", kNews, false, 1.0 / 3},
        {"part2", Fixture("rec/news") / PartName("NEWS", 2), true, 1.0 / 3},
        {"cut", Fixture("rec/cut") / PartName("CUT", 1), true, 1},
        {"radio",
         Fixture("rec/radio") / PartName("RADIO", 1),
         true,
         1,
         {"part 0/1 0%", "Convert finished"},
         "audio:mp2",
         "audio_mp2.ts"},
        // Video with AC-3 audio, as broadcasts carry films, in two parts cut
        // inside an audio packet: the AC-3 goes into private stream 1 with its
        // sub-stream header, and no frame cut by the part's end reaches it.
        {"film",
         dir / PartName("FILM", 1),
         true,
         1,
         {"part 0/2 0%", "part 1/2 50%", "Convert finished"},
         "video:mpeg2video audio:ac3",
         "av_ac3.ts"},
    };
    const std::vector<uint8_t> film = ReadFile(Fixture("av_ac3.ts"));
    const auto half = static_cast<std::ptrdiff_t>(film.size() / 188 / 2 * 188);
    test::WriteRecording(dir.path(), "FILM",
                         {{film.begin(), film.begin() + half}, {film.begin() + half, film.end()}});
    for (const Row& row : rows) {
        const std::filesystem::path out = dir / (std::string(row.what) + ".mpg");
        EXPECT_EQ(Convert(row.source, out, row.whole).events, row.events) << row.what;
        auto probe = test::Probe(out);
        EXPECT_EQ(probe["format_name"] + " " + probe["streams"], "mpeg " + row.streams) << row.what;
        // Only what discovery consumes at the start of each part is missing.
        EXPECT_NEAR(test::Duration(out), test::Duration(Fixture(row.clip)) * row.share, 0.5)
            << row.what;
#ifndef _WIN32
        EXPECT_EQ(DecodeComplaints(out), "") << row.what;
#endif
    }

    // A video output starts with the pack and system header, the mux rate
    // from the clip's 400 kbit/s video and 128 kbit/s audio, then video.
    const std::vector<uint8_t> av = ReadFile(dir / "whole.mpg");
    ASSERT_GT(av.size(), 36u);
    const auto code = [&av](size_t i) {
        return uint32_t{av[i]} << 24 | uint32_t{av[i + 1]} << 16 | av[i + 2] << 8 | av[i + 3];
    };
    EXPECT_EQ((std::array{code(0), code(14), code(32)}), (std::array{0x1BAu, 0x1BBu, 0x1E0u}));
    EXPECT_EQ((uint32_t{av[10]} << 14) | (uint32_t{av[11]} << 6) | (av[12] >> 2),
              (400000u + 128000u) / 400);

    // Audio only: nothing but whole PES packets of stream 0xC0, back to back.
    const std::vector<uint8_t> audio = ReadFile(dir / "radio.mpg");
    size_t pos = 0, packets = 0;
    for (; pos + 6 <= audio.size() && audio[pos] == 0 && audio[pos + 1] == 0 &&
           audio[pos + 2] == 1 && audio[pos + 3] == 0xC0;
         ++packets)
        pos += 6 + ((size_t{audio[pos + 4]} << 8) | audio[pos + 5]);
    EXPECT_EQ(pos, audio.size());
    EXPECT_GT(packets, 100u);
}

TEST(ConversionJob, StopDuringPartTwoLeavesNoTargetAndNeverReadsPartThree) {
    TempDir dir;
    const Result r = Convert(kNews, dir / "stopped.mpg", true, 1);
    EXPECT_EQ(r.events,
              (std::vector<std::string>{"part 0/3 0%", "part 1/3 33%", "Convert Canceled"}));
    EXPECT_TRUE(Names(dir.path()).empty()) << "neither the target nor its temporary";
}

TEST(ConversionJob, FailuresAndTheirTexts) {
    TempDir dir;
    const std::vector<uint8_t> stream = ReadFile(Fixture("av_mp2.ts"));
    const auto parts = test::WriteRecording(dir.path(), "NEWS", {stream, stream});
    const auto gap = test::WriteRecording(dir.path(), "GAP", {stream, stream, stream});
    std::filesystem::remove(gap[1]);
    const auto junk = test::WriteRecording(dir.path(), "JUNK", {std::vector<uint8_t>(5000, 0x11)});
    const auto lateJunk =
        test::WriteRecording(dir.path(), "LATE", {stream, std::vector<uint8_t>(5000, 0x11)});
    const std::filesystem::path tiny = dir / "TINY_#001_200612241930.AVR";
    test::WriteFile(tiny, std::vector<uint8_t>(5, 0x47)); // shorter than its header
    const auto video = test::WriteRecording(dir.path(), "MUTE", {ReadFile(Fixture("av_ac3.ts"))});
    std::filesystem::create_directory(dir / "taken.mpg");

    const std::vector<std::string> noTarget = {"Can't open the target file"};
    const std::string nothing = "Nothing to convert: the source file holds no MPEG video with MPEG "
                                "or AC-3 audio, and no MPEG audio alone";
    struct Row {
        std::filesystem::path source, target;
        std::vector<std::string> events;
        const char* log = nullptr;
    };
    std::vector<Row> rows = {
        // Creating a part of the recording or its companion would destroy it.
        {parts[0], parts[1], noTarget},
        {parts[0], dir / PartName("NEWS", 1, ".AVF"), noTarget},
        {parts[0], dir / "." / PartName("NEWS", 1), noTarget},
        {parts[0], dir / "missing" / "x.mpg", noTarget},
        {parts[0], dir / "taken.mpg", noTarget},
        {parts[0], "", noTarget},
        // A part missing from the middle of the set: nothing is converted.
        {gap[0],
         dir / "gap.mpg",
         {"The companion file's part count (3) is more than the parts there (1); nothing was "
          "converted"}},
        // Not a transport stream is a failure in its own words, in any part.
        {junk[0],
         dir / "junk.mpg",
         {"part 0/1 0%", "JUNK_#001_200612241930.AVR is not an MPEG transport stream"},
         "Not a TS\n"},
        {lateJunk[0],
         dir / "late.mpg",
         {"part 0/2 0%", "part 1/2 98%",
          "LATE_#002_200612241930.AVR is not an MPEG transport "
          "stream"}},
        // Shorter than its part header: no part file, so no stream.
        {tiny,
         dir / "tiny.mpg",
         {"part 0/1 0%", "TINY_#001_200612241930.AVR is not an MPEG transport stream"}},
    };
    // A video stream whose audio is neither MPEG nor AC-3 finds nothing to write.
    auto mute = ReadFile(video[0]);
    for (size_t i = 134; i + 12 < mute.size(); i += 188)
        for (size_t k = i + 4; k + 4 < i + 188; ++k)
            if (mute[k] == 0 && mute[k + 1] == 0 && mute[k + 2] == 1 && mute[k + 3] == 0xBD)
                mute[k + 3] = 0xBF; // private stream 2: nothing the converter takes
    test::WriteFile(video[0], mute);
    rows.push_back({video[0], dir / "mute.mpg", {"part 0/1 0%", nothing}});
#ifndef _WIN32
    // A read that fails is no end of the part: the output is short.
    rows.push_back(
        {"/proc/self/mem", dir / "mem.mpg", {"part 0/1 0%", "Can't read the source file"}});
    // A companion that is there but cannot be read: the parts are unknown.
    const auto fifo = test::WriteRecording(dir.path(), "FIFO", {stream, stream});
    std::filesystem::remove(dir / PartName("FIFO", 1, ".AVF"));
    ASSERT_EQ(mkfifo((dir / PartName("FIFO", 1, ".AVF")).c_str(), 0600), 0);
    rows.push_back({fifo[0], dir / "fifo.mpg", {"Can't read the source file"}});
#endif
    const std::set<std::string> before = Names(dir.path());
    for (const Row& row : rows) {
        const Result r = Convert(row.source, row.target);
        EXPECT_EQ(r.events, row.events) << row.target;
        EXPECT_NE(r.outcome, ConversionOutcome::kFinished) << row.target;
        EXPECT_TRUE(!row.log || r.log == row.log) << r.log;
        // Whatever failed, the folder holds what it held.
        EXPECT_EQ(Names(dir.path()), before) << row.target;
    }
    EXPECT_EQ(ReadFile(parts[1]).size(), stream.size() + 134);
    EXPECT_EQ(ReadFile(parts[0]).size(), stream.size() + 134);

    // A first part that cannot be read: no target is made.
    const std::filesystem::path lost = dir / PartName("LOST", 1);
    EXPECT_EQ(Convert(lost, dir / "lost.mpg").events,
              (std::vector<std::string>{"part 0/1 0%", "Can't open the source file"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "lost.mpg"));
}

// The output is made under a temporary name beside the target and renamed
// into place only once whole: a target that was there stays unless replacing
// was asked for, and then until the new one is complete; a link under the
// target's name is never written through.
TEST(ConversionJob, TheTargetIsReplacedOnlyWhenAskedAndOnlyByAWholeOutput) {
    TempDir dir;
    const std::filesystem::path target = dir / "news.mpg";
    const std::filesystem::path elsewhere = dir / "elsewhere.mpg";
    test::WriteFile(elsewhere, "somebody's film");
    Convert(kNews, dir / "reference.mpg");
    const std::vector<uint8_t> reference = ReadFile(dir / "reference.mpg");
    ASSERT_GT(reference.size(), 100000u);

    // An existing file: refused without replacing, kept when a replacing run
    // is stopped, replaced by a finished one.
    test::WriteFile(target, "earlier output");
    Result r = Convert(kNews, target, Options{});
    EXPECT_EQ(r.outcome, ConversionOutcome::kTargetExists);
    EXPECT_EQ(r.events,
              std::vector<std::string>{ToUtf8(Text(target)) + " already exists; it was left "
                                                              "as it was"});
    EXPECT_EQ(ReadFile(target).size(), 14u);
    r = Convert(kNews, target, Options{.stopAt = 2, .replace = true});
    EXPECT_EQ(r.outcome, ConversionOutcome::kCanceled);
    EXPECT_EQ(ReadFile(target).size(), 14u);
    r = Convert(dir / PartName("LOST", 1), target, Options{.replace = true});
    EXPECT_EQ(r.outcome, ConversionOutcome::kCantOpenSource);
    EXPECT_EQ(ReadFile(target).size(), 14u);
    r = Convert(kNews, target, Options{.replace = true});
    EXPECT_EQ(r.outcome, ConversionOutcome::kFinished);
    EXPECT_EQ(ReadFile(target), reference);

#ifndef _WIN32
    // A link, whole or dangling: taken like a file; replacing it replaces the
    // link, and the file it pointed to keeps its bytes.
    for (const bool dangling : {false, true}) {
        SCOPED_TRACE(dangling ? "dangling link" : "link");
        const std::filesystem::path link = dir / "link.mpg";
        std::filesystem::create_symlink(dangling ? dir / "nowhere.mpg" : elsewhere, link);
        EXPECT_EQ(Convert(kNews, link, Options{}).outcome, ConversionOutcome::kTargetExists);
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(Convert(kNews, link, Options{.replace = true}).outcome,
                  ConversionOutcome::kFinished);
        EXPECT_FALSE(std::filesystem::is_symlink(link));
        EXPECT_EQ(ReadFile(link), reference);
        EXPECT_EQ(ReadFile(elsewhere).size(), 15u) << "written through the link";
        EXPECT_FALSE(std::filesystem::exists(dir / "nowhere.mpg"));
        std::filesystem::remove(link);
    }
#endif
    EXPECT_EQ(Names(dir.path()),
              (std::set<std::string>{"elsewhere.mpg", "news.mpg", "reference.mpg"}))
        << "no temporary is left";
}

// A companion that miscounts its parts (0, 65535, fewer than there are)
// gives way to the parts on disk, and says so; one that counts more than
// there are fails with both counts. Joining parts needs the target's file
// system known: where it cannot be told, nothing is guessed.
TEST(ConversionJob, MiscountingCompanionsAndTheTargetsFileSystem) {
    TempDir dir;
    const std::vector<uint8_t> stream = ReadFile(Fixture("av_mp2.ts"));
    const std::vector<uint8_t> audio = ReadFile(Fixture("audio_mp2.ts"));
    const std::vector<std::vector<uint8_t>> three = {stream, audio, stream};
    const auto right = test::WriteRecording(dir.path(), "RIGHT", three);
    ASSERT_EQ(Convert(right[0], dir / "right.mpg").warnings, std::vector<std::string>{});
    const std::vector<uint8_t> joined = ReadFile(dir / "right.mpg");

    const std::vector<std::string> threeParts = {"part 0/3 0%", "part 1/3 39%", "part 2/3 60%",
                                                 "Convert finished"};
    for (const int count : {0, 65535, 1000, 1, 2}) {
        SCOPED_TRACE(count);
        TempDir d;
        const auto parts = test::WriteRecording(d.path(), "RIGHT", three, count);
        const Result r = Convert(parts[0], d / "out.mpg");
        EXPECT_EQ(r.events, threeParts);
        EXPECT_EQ(r.warnings, std::vector<std::string>{
                                  "The companion file's part count (" + std::to_string(count) +
                                  ") does not match the parts there (3); every part there was "
                                  "converted"});
        EXPECT_EQ(ReadFile(d / "out.mpg"), joined);
    }
    {
        TempDir d;
        const auto parts = test::WriteRecording(d.path(), "RIGHT", three, 5);
        const Result r = Convert(parts[0], d / "out.mpg");
        EXPECT_EQ(r.outcome, ConversionOutcome::kPartsMissing);
        EXPECT_EQ(r.events, std::vector<std::string>{"The companion file's part count (5) is more "
                                                     "than the parts there (3); nothing was "
                                                     "converted"});
        EXPECT_FALSE(std::filesystem::exists(d / "out.mpg"));
    }

    // A FAT-like target takes part 1 alone, and says so.
    Result r = Convert(right[0], dir / "fat.mpg", false);
    EXPECT_EQ(r.outcome, ConversionOutcome::kFinished);
    EXPECT_EQ(r.warnings, std::vector<std::string>{"Only part 1 of 3 was converted: the target's "
                                                   "file system does not take files over 4 GiB"});
    // A file system that cannot be told: nothing of a recording of several
    // parts, while one part needs no answer.
    r = Convert(right[0], dir / "unknown.mpg", Options{.whole = std::nullopt});
    EXPECT_EQ(r.outcome, ConversionOutcome::kCantTellTargetFileSystem);
    EXPECT_FALSE(std::filesystem::exists(dir / "unknown.mpg"));
    const auto single = test::WriteRecording(dir.path(), "ONE", {stream});
    EXPECT_EQ(Convert(single[0], dir / "one.mpg", Options{.whole = std::nullopt}).outcome,
              ConversionOutcome::kFinished);
}

// A recording name longer than a copy's location text allows, or a folder
// deeper than its rule, still names every part: the output is the one of
// the same parts under a plain name, never part 1 joined to itself.
TEST(ConversionJob, EveryPartIsJoinedWhateverTheNameOrFolderLength) {
    TempDir dir;
    const std::vector<uint8_t> stream = ReadFile(Fixture("av_mp2.ts"));
    const std::vector<uint8_t> other = ReadFile(Fixture("audio_mp2.ts"));
    const auto plain = test::WriteRecording(dir.path(), "NEWS", {stream, other});
    const auto longName = test::WriteRecording(dir.path(), std::string(33, 'N'), {stream, other});
    const std::filesystem::path deep = dir / std::string(40, 'd') / std::string(40, 'e');
    std::filesystem::create_directories(deep);
    const auto deepParts = test::WriteRecording(deep, "NEWS", {stream, other});
    const std::vector<std::string> twoParts = {"part 0/2 0%", "part 1/2 64%", "Convert finished"};
    EXPECT_EQ(Convert(plain[0], dir / "plain.mpg").events, twoParts);
    EXPECT_EQ(Convert(longName[0], dir / "long.mpg").events, twoParts);
    EXPECT_EQ(Convert(deepParts[0], dir / "deep.mpg").events, twoParts);
    EXPECT_EQ(ReadFile(dir / "long.mpg"), ReadFile(dir / "plain.mpg"));
    EXPECT_EQ(ReadFile(dir / "deep.mpg"), ReadFile(dir / "plain.mpg"));
}

// Windows has no limit on the size of a process's files to stand in for a
// full disk; the file-system side of a failed write is covered by the
// platform layer's own tests.
#ifndef _WIN32
TEST(ConversionJob, FullDiskIsAFailureNotAFinishedConversion) {
    TempDir dir;
    // The process may write files of at most 64 KiB; a longer write fails
    // as on a full disk (the signal that would end the process is ignored).
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    const Result r = Convert(kNews, dir / "full.mpg");
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(r.outcome, ConversionOutcome::kWriteFailed);
    EXPECT_EQ(r.events.back(), "Can't write the target file");
    EXPECT_TRUE(Names(dir.path()).empty()) << "a short output is not left behind";
}
#endif

TEST(ConversionJob, WorkerThreadReportsAndCanBePolled) {
    TempDir dir;
    Recorder recorder;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    recorder.onPart = [released](int) { released.wait(); }; // holds the worker in part 1
    const ConversionSettings settings = Settings();
    ConversionJob job(recorder, settings);
    auto stop = std::make_shared<StopEvent>();
    ASSERT_TRUE(job.Start(Text(kNews), Text(dir / "a.mpg"), stop));
    EXPECT_FALSE(job.Start(Text(kNews), Text(dir / "b.mpg"), stop)) << "one worker at a time";
    EXPECT_TRUE(job.IsRunning());
    release.set_value();
    int lastTotal = 0;
    while (job.IsRunning()) {
        const SourceProgress progress = job.Progress();
        const int percent = CurrentPercent(progress);
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
        // The total over all parts' bytes never goes back.
        const int total = TotalPercent(progress);
        if (progress.totalSize > 0) {
            EXPECT_GE(total, lastTotal);
            lastTotal = total;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    job.Join();
    EXPECT_EQ(recorder.events.back(), "Convert finished");
    EXPECT_EQ(job.Progress().size, 0u) << "no part open after the end";
    EXPECT_FALSE(std::filesystem::exists(dir / "b.mpg"));
    EXPECT_EQ(job.Progress().totalSize, 0u);

    // A second conversion starts afresh: the same input gives the same bytes.
    ASSERT_TRUE(job.Start(Text(kNews), Text(dir / "b.mpg"), stop));
    job.Join();
    EXPECT_EQ(ReadFile(dir / "a.mpg"), ReadFile(dir / "b.mpg"));
    std::fclose(settings.log);
}

TEST(ConversionJob, CurrentPercentNeverDividesByZero) {
    struct Row {
        SourceProgress progress;
        int percent;
    } rows[] = {{{0, 0}, 0},       {{10, 0}, 0},      {{50, 200}, 25},
                {{200, 200}, 100}, {{300, 200}, 100}, {{uint64_t{1} << 50, uint64_t{1} << 51}, 50}};
    for (const Row& row : rows) {
        EXPECT_EQ(CurrentPercent(row.progress), row.percent) << row.progress.position;
        const SourceProgress asTotal{0, 0, row.progress.position, row.progress.size};
        EXPECT_EQ(TotalPercent(asTotal), row.percent) << row.progress.position;
    }
}

// One preparation for both front ends: only a target that is there is asked
// about, and the answer decides whether the job may replace it or starts at all.
TEST(PrepareConvert, OnlyAnExistingTargetIsAskedAbout) {
    class Answer final : public ConversionQuestions {
    public:
        explicit Answer(TargetAnswer answer) : m_answer(answer) {}
        TargetAnswer AskReplaceTarget(const std::u16string& question) override {
            asked.push_back(question);
            return m_answer;
        }
        std::vector<std::u16string> asked;

    private:
        TargetAnswer m_answer;
    };
    using A = ConversionQuestions::TargetAnswer;
    using Status = PreparedConversion::Status;
    TempDir dir;
    const std::u16string source = Text(dir / "NEWS_#001_200612241930.AVR");
    const std::u16string absent = Text(dir / "new.mpg"), present = Text(dir / "old.mpg");
    test::WriteFile(dir / "old.mpg", "x");

    Answer never(A::Cancel);
    const PreparedConversion fresh = PrepareConvert(source, absent, {}, never);
    EXPECT_TRUE(never.asked.empty());
    EXPECT_EQ(fresh.status, Status::kReady);
    EXPECT_EQ(fresh.target, absent);
    EXPECT_FALSE(fresh.settings.replaceTarget);

    const struct {
        A answer;
        Status status;
        bool replace;
    } rows[] = {
        {A::Replace, Status::kReady, true},
        {A::Keep, Status::kReady, false}, // the job then leaves it and says so
        {A::Cancel, Status::kCancelled, false},
    };
    for (const auto& r : rows) {
        Answer answer(r.answer);
        const PreparedConversion p = PrepareConvert(source, present, {}, answer);
        EXPECT_EQ(answer.asked,
                  std::vector<std::u16string>{FillMessage(msg::kReplaceTargetQuestion, present)});
        EXPECT_EQ(p.status, r.status);
        EXPECT_EQ(p.settings.replaceTarget, r.replace);
    }
}

} // namespace
} // namespace dz::convert
