// The conversion job end to end on the committed clips and recordings, with
// ffprobe as an independent reader of what it wrote.
#include "convert/conversion_job.h"

#include "recording_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <mutex>
#include <sys/resource.h>
#include <thread>

namespace dz::convert {
namespace {

using test::Fixture;
using test::PartName;
using test::ReadFile;
using test::TempDir;
using test::Text;

class Recorder final : public ConversionObserver {
public:
    void OnPartStarted(int index, int count, int totalPercent) override {
        std::lock_guard lock(m_mutex);
        events.push_back("part " + std::to_string(index) + "/" + std::to_string(count) + " " +
                         std::to_string(totalPercent) + "%");
        if (onPart)
            onPart(index);
    }
    void OnFinished(ConversionOutcome outcome, std::u16string_view text) override {
        std::lock_guard lock(m_mutex);
        events.push_back(std::string(text.begin(), text.end()));
        this->outcome = outcome;
    }
    std::vector<std::string> Events() {
        std::lock_guard lock(m_mutex);
        return events;
    }
    std::vector<std::string> events;
    ConversionOutcome outcome = ConversionOutcome::kCanceled;
    std::function<void(int)> onPart;

private:
    std::mutex m_mutex;
};

struct Result {
    ConversionOutcome outcome;
    std::vector<std::string> events;
    std::string log;
};

// Runs one conversion on the calling thread; `whole` stands in for the
// target volume's file system.
Result Convert(const std::filesystem::path& source, const std::filesystem::path& target,
               bool whole = true, std::function<void(int, StopEvent&)> onPart = {}) {
    Recorder recorder;
    StopEvent stop;
    if (onPart)
        recorder.onPart = [&](int index) { onPart(index, stop); };
    ConversionSettings settings;
    settings.targetTakesWholeRecording = [whole](const std::u16string&) { return whole; };
    settings.log = std::tmpfile();
    ConversionJob job(recorder, settings);
    Result r;
    r.outcome = job.Run(Text(source), Text(target), &stop);
    r.events = recorder.events;
    std::rewind(settings.log);
    for (int c; (c = std::fgetc(settings.log)) != EOF;)
        r.log += static_cast<char>(c);
    std::fclose(settings.log);
    EXPECT_EQ(recorder.outcome, r.outcome);
    return r;
}

const std::filesystem::path kNews = Fixture("rec/news") / PartName("NEWS", 1);

// End to end on the clips, with ffprobe reading what was written: the whole
// recording becomes one output; a FAT-like target or a later part gives one
// part's worth; a stream cut mid-packet is realigned.
TEST(ConversionJob, OutputsThatFfprobeReads) {
    TempDir dir;
    const std::vector<std::string> one = {"part 0/1 100%", "Convert finished"};
    struct Row {
        const char* what;
        std::filesystem::path source;
        bool whole;
        std::vector<std::string> events;
        const char* streams;
        const char* clip;
        double share; // of the clip's duration
    } rows[] = {
        {"whole",
         kNews,
         true,
         {"part 0/3 33%", "part 1/3 66%", "part 2/3 100%", "Convert finished"},
         "video:mpeg2video audio:mp2",
         "av_mp2.ts",
         1},
        {"fat", kNews, false, one, "video:mpeg2video audio:mp2", "av_mp2.ts", 1.0 / 3},
        {"part2", Fixture("rec/news") / PartName("NEWS", 2), true, one,
         "video:mpeg2video audio:mp2", "av_mp2.ts", 1.0 / 3},
        {"cut", Fixture("rec/cut") / PartName("CUT", 1), true, one, "video:mpeg2video audio:mp2",
         "av_mp2.ts", 1},
        {"radio", Fixture("rec/radio") / PartName("RADIO", 1), true, one, "audio:mp2",
         "audio_mp2.ts", 1},
    };
    for (const Row& row : rows) {
        const std::filesystem::path out = dir / (std::string(row.what) + ".mpg");
        EXPECT_EQ(Convert(row.source, out, row.whole).events, row.events) << row.what;
        EXPECT_EQ(test::Probe(out)["streams"], row.streams) << row.what;
        // Only what discovery consumes at the start of each part is missing.
        EXPECT_NEAR(test::Duration(out), test::Duration(Fixture(row.clip)) * row.share, 0.5)
            << row.what;
    }

    // A video output starts with the pack and system header, the mux rate
    // from the clip's 400 kbit/s video and 128 kbit/s audio, then video.
    const std::vector<uint8_t> av = ReadFile(dir / "whole.mpg");
    ASSERT_GT(av.size(), 36u);
    const auto at = [&av](size_t i) {
        return std::vector<uint8_t>(av.begin() + i, av.begin() + i + 4);
    };
    EXPECT_EQ(at(0), (std::vector<uint8_t>{0, 0, 1, 0xBA}));
    EXPECT_EQ(at(14), (std::vector<uint8_t>{0, 0, 1, 0xBB}));
    EXPECT_EQ(at(32), (std::vector<uint8_t>{0, 0, 1, 0xE0}));
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
    const Result r = Convert(kNews, dir / "stopped.mpg", true, [](int index, StopEvent& stop) {
        if (index == 1)
            stop.Set();
    });
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
    const std::vector<uint8_t> part2 = ReadFile(parts[1]);

    // The target is a part of the recording, or its companion: creating it
    // would destroy the recording.
    for (const std::filesystem::path& target :
         {parts[1], dir / PartName("NEWS", 1, ".AVF"), dir / "." / PartName("NEWS", 1)}) {
        const Result r = Convert(parts[0], target);
        EXPECT_EQ(r.events, std::vector<std::string>{"Can't open the target file"}) << target;
    }
    EXPECT_EQ(ReadFile(parts[1]), part2);
    EXPECT_EQ(ReadFile(parts[0]).size(), stream.size() + 134);

    EXPECT_EQ(Convert(parts[0], dir / "missing" / "x.mpg").events,
              std::vector<std::string>{"Can't open the target file"});
    EXPECT_EQ(Convert(parts[0], "").outcome, ConversionOutcome::kCantOpenTarget);

    // A part missing from the middle of the set: what came before stays.
    std::filesystem::remove(parts[1]);
    const Result missing = Convert(parts[0], dir / "partial.mpg");
    EXPECT_EQ(missing.events, (std::vector<std::string>{"part 0/2 50%", "part 1/2 100%",
                                                        "Can't open the source file"}));
    EXPECT_GT(ReadFile(dir / "partial.mpg").size(), 100000u);

    // Not a transport stream; a part shorter than its header.
    const auto junk = test::WriteRecording(dir.path(), "JUNK", {std::vector<uint8_t>(5000, 0x11)});
    const Result notTs = Convert(junk[0], dir / "junk.mpg");
    EXPECT_EQ(notTs.outcome, ConversionOutcome::kCanceled);
    EXPECT_EQ(notTs.log, "Not a TS\n");
    test::WriteFile(dir / "SHORT_#001_200612241930.AVR", std::vector<uint8_t>(5, 0x47));
    EXPECT_EQ(Convert(dir / "SHORT_#001_200612241930.AVR", dir / "short.mpg").outcome,
              ConversionOutcome::kCanceled);
}

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

TEST(ConversionJob, WorkerThreadReportsAndCanBePolled) {
    TempDir dir;
    Recorder recorder;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    recorder.onPart = [released](int) { released.wait(); }; // holds the worker in part 1
    ConversionSettings settings;
    settings.targetTakesWholeRecording = [](const std::u16string&) { return true; };
    settings.log = std::tmpfile();
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
    EXPECT_EQ(recorder.Events().back(), "Convert finished");
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
