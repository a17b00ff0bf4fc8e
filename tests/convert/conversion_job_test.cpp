// The conversion job end to end on the committed clips and recordings, with
// ffprobe as an independent reader of what it wrote.
#include "convert/conversion_job.h"

#include "recording_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <csignal>
#include <future>
#include <thread>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace dz::convert {
namespace {

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
    void OnFinished(ConversionOutcome result, std::u16string_view text) override {
        outcome = result;
        events.emplace_back(text.begin(), text.end());
    }
    std::vector<std::string> events; // read once the worker has ended
    ConversionOutcome outcome = ConversionOutcome::kCanceled;
    std::function<void(int)> onPart;
};

// `whole` stands in for the target volume's file system.
ConversionSettings Settings(bool whole = true) {
    return {[whole](const std::u16string&) { return whole; }, std::tmpfile()};
}

struct Result {
    ConversionOutcome outcome;
    std::vector<std::string> events;
    std::string log;
};

// Runs one conversion on the calling thread, stopped as part `stopAt` starts.
Result Convert(const std::filesystem::path& source, const std::filesystem::path& target,
               bool whole = true, int stopAt = -1) {
    Recorder recorder;
    StopEvent stop;
    recorder.onPart = [&](int index) {
        if (index == stopAt)
            stop.Set();
    };
    const ConversionSettings settings = Settings(whole);
    const ConversionOutcome outcome =
        ConversionJob(recorder, settings).Run(Text(source), Text(target), &stop);
    std::string log(static_cast<size_t>(std::ftell(settings.log)), '\0');
    std::rewind(settings.log);
    log.resize(std::fread(log.data(), 1, log.size(), settings.log));
    std::fclose(settings.log);
    EXPECT_EQ(recorder.outcome, outcome);
    return {outcome, recorder.events, log};
}

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
        std::vector<std::string> events = {"part 0/1 100%", "Convert finished"};
        std::string streams = "video:mpeg2video audio:mp2";
        const char* clip = "av_mp2.ts";
    } rows[] = {
        {"whole",
         kNews,
         true,
         1,
         {"part 0/3 33%", "part 1/3 66%", "part 2/3 100%", "Convert finished"}},
        {"fat", kNews, false, 1.0 / 3},
        {"part2", Fixture("rec/news") / PartName("NEWS", 2), true, 1.0 / 3},
        {"cut", Fixture("rec/cut") / PartName("CUT", 1), true, 1},
        {"radio",
         Fixture("rec/radio") / PartName("RADIO", 1),
         true,
         1,
         {"part 0/1 100%", "Convert finished"},
         "audio:mp2",
         "audio_mp2.ts"},
    };
    for (const Row& row : rows) {
        const std::filesystem::path out = dir / (std::string(row.what) + ".mpg");
        EXPECT_EQ(Convert(row.source, out, row.whole).events, row.events) << row.what;
        auto probe = test::Probe(out);
        EXPECT_EQ(probe["format_name"] + " " + probe["streams"], "mpeg " + row.streams) << row.what;
        // Only what discovery consumes at the start of each part is missing.
        EXPECT_NEAR(test::Duration(out), test::Duration(Fixture(row.clip)) * row.share, 0.5)
            << row.what;
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

TEST(ConversionJob, StopDuringPartTwoKeepsPartOneAndNeverReadsPartThree) {
    TempDir dir;
    const Result r = Convert(kNews, dir / "stopped.mpg", true, 1);
    EXPECT_EQ(r.events,
              (std::vector<std::string>{"part 0/3 33%", "part 1/3 66%", "Convert Canceled"}));
    // Part 2 was stopped at its first block, so the output is part 1's alone.
    Convert(kNews, dir / "part1.mpg", false);
    EXPECT_EQ(ReadFile(dir / "stopped.mpg"), ReadFile(dir / "part1.mpg"));
}

TEST(ConversionJob, VideoWithAc3AudioFinishesWithAnEmptyOutput) {
    TempDir dir;
    const auto parts = test::WriteRecording(dir.path(), "MOVIE", {ReadFile(Fixture("av_ac3.ts"))});
    const Result r = Convert(parts[0], dir / "movie.mpg");
    EXPECT_EQ(r.outcome, ConversionOutcome::kFinished);
    EXPECT_TRUE(ReadFile(dir / "movie.mpg").empty());
}

TEST(ConversionJob, FailuresAndTheirTexts) {
    TempDir dir;
    const std::vector<uint8_t> stream = ReadFile(Fixture("av_mp2.ts"));
    const auto parts = test::WriteRecording(dir.path(), "NEWS", {stream, stream});
    const auto gap = test::WriteRecording(dir.path(), "GAP", {stream, stream});
    std::filesystem::remove(gap[1]);
    const auto junk = test::WriteRecording(dir.path(), "JUNK", {std::vector<uint8_t>(5000, 0x11)});
    const std::filesystem::path tiny = dir / "TINY_#001_200612241930.AVR";
    test::WriteFile(tiny, std::vector<uint8_t>(5, 0x47)); // shorter than its header

    const std::vector<std::string> noTarget = {"Can't open the target file"};
    const std::vector<std::string> canceled = {"part 0/1 100%", "Convert Canceled"};
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
        {parts[0], "", noTarget},
        // A part missing from the middle of the set: what came before stays.
        {gap[0], dir / "gap.mpg", {"part 0/2 50%", "part 1/2 100%", "Can't open the source file"}},
        {junk[0], dir / "junk.mpg", canceled, "Not a TS\n"},
        {tiny, dir / "tiny.mpg", canceled},
    };
#ifndef _WIN32
    // A read that fails is no end of the part: the output is short.
    rows.push_back(
        {"/proc/self/mem", dir / "mem.mpg", {"part 0/1 100%", "Can't read the source file"}});
    // A companion that is there but cannot be read: the parts are unknown.
    const auto fifo = test::WriteRecording(dir.path(), "FIFO", {stream, stream});
    std::filesystem::remove(dir / PartName("FIFO", 1, ".AVF"));
    ASSERT_EQ(mkfifo((dir / PartName("FIFO", 1, ".AVF")).c_str(), 0600), 0);
    rows.push_back({fifo[0], dir / "fifo.mpg", {"Can't read the source file"}});
#endif
    for (const Row& row : rows) {
        const Result r = Convert(row.source, row.target);
        EXPECT_EQ(r.events, row.events) << row.target;
        EXPECT_TRUE(!row.log || r.log == row.log) << r.log;
    }
    EXPECT_EQ(ReadFile(parts[1]).size(), stream.size() + 134);
    EXPECT_EQ(ReadFile(parts[0]).size(), stream.size() + 134);
    EXPECT_GT(ReadFile(dir / "gap.mpg").size(), 100000u);

    // A first part that cannot be read: no target is made, and a file of
    // that name keeps what it held.
    const std::filesystem::path lost = dir / PartName("LOST", 1);
    EXPECT_EQ(Convert(lost, dir / "lost.mpg").events,
              (std::vector<std::string>{"part 0/1 100%", "Can't open the source file"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "lost.mpg"));
    test::WriteFile(dir / "kept.mpg", "earlier output");
    EXPECT_EQ(Convert(lost, dir / "kept.mpg").events.back(), "Can't open the source file");
    EXPECT_EQ(ReadFile(dir / "kept.mpg").size(), 14u);
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
    const std::vector<std::string> twoParts = {"part 0/2 50%", "part 1/2 100%", "Convert finished"};
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
    while (job.IsRunning()) {
        const int percent = CurrentPercent(job.Progress());
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    job.Join();
    EXPECT_EQ(recorder.events.back(), "Convert finished");
    EXPECT_EQ(job.Progress().size, 0u) << "no part open after the end";
    EXPECT_FALSE(std::filesystem::exists(dir / "b.mpg"));

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
    for (const Row& row : rows)
        EXPECT_EQ(CurrentPercent(row.progress), row.percent) << row.progress.position;
}

} // namespace
} // namespace dz::convert
