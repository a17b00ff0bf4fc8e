// Lengths read on a worker for a list: every recording asked for comes back
// once with the facts a direct read gives, what was read is kept in the
// cache file, and a run the list drops never holds it up.

#include "convert/facts_worker.h"

#include "convert/recording_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

using namespace dz;
using namespace dz::convert;
using namespace dz::test;
namespace fs = std::filesystem;

namespace {

// Serves the run's reports as a window would, until the run has ended.
std::map<size_t, RecordingFacts> ServeUntilDone(FactsRun& run, size_t& batches) {
    std::map<size_t, RecordingFacts> found;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto take = [&](const FoundFactsBatch& batch) {
        ++batches;
        for (const FoundFacts& f : batch)
            EXPECT_TRUE(found.emplace(f.index, f.facts).second) << "row " << f.index << " twice";
    };
    while (!run.Finished() && std::chrono::steady_clock::now() < deadline) {
        if (!run.Serve(take))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    while (run.Serve(take)) {
    }
    EXPECT_TRUE(run.Finished());
    return found;
}

} // namespace

TEST(FactsRun, EveryRecordingComesBackOnceAsADirectReadGivesItAndIsKept) {
    TempDir dir;
    std::vector<std::u16string> paths;
    for (const char* folder : {"news", "radio", "cut", "wrap"}) {
        fs::create_directories(dir / folder);
        for (const auto& entry : fs::directory_iterator(Fixture("rec") / folder))
            fs::copy_file(entry.path(), dir / folder / entry.path().filename());
    }
    paths.push_back(Text(dir / "news" / PartName("NEWS", 1)));
    paths.push_back(Text(dir / "radio" / PartName("RADIO", 1)));
    paths.push_back(Text(dir / "cut" / PartName("CUT", 1)));
    paths.push_back(Text(dir / "wrap" / PartName("WRAP", 1)));
    paths.push_back(Text(dir / "gone" / PartName("GONE", 1))); // pulled out since listed

    const std::u16string cacheFile = Text(dir / "cache" / "stream-facts");
    auto cache = std::make_shared<FactsCache>(cacheFile);
    std::atomic<int> wakes{0};
    size_t batches = 0;
    const auto run = StartFactsRun(paths, cache, [&] { ++wakes; });
    const std::map<size_t, RecordingFacts> found = ServeUntilDone(*run, batches);
    ASSERT_EQ(found.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(found.at(i), ReadRecordingFacts(paths[i])) << i;
    EXPECT_TRUE(found.at(0).length) << "the news clip has a length";
    EXPECT_FALSE(found.at(4).length) << "a gone recording has none, and ends nothing";
    EXPECT_LE(batches, paths.size());
    EXPECT_GE(wakes.load(), 1);

    // The run saved what it read: a fresh cache from the file has it.
    FactsCache again(cacheFile);
    ASSERT_TRUE(again.Load());
    EXPECT_GE(again.size(), 4u);
}

// A run whose owner stops serving (the list changed folder) and then drops
// it: the worker is waiting for its report to be served, and must be let go.
TEST(FactsRun, ADroppedRunEndsWhileItsReportWaitsAndServesNothingMore) {
    std::vector<std::u16string> paths(5000, Text(Fixture("rec") / "news" / PartName("NEWS", 1)));
    auto cache = std::make_shared<FactsCache>();
    std::atomic<int> wakes{0};
    auto run = StartFactsRun(paths, cache, [&] { ++wakes; });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (wakes == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(wakes.load(), 0) << "a report waits";
    run->Cancel();
    bool served = false;
    EXPECT_FALSE(run->Serve([&](const FoundFactsBatch&) { served = true; }));
    EXPECT_FALSE(served);
    run.reset(); // joins: returns only if the worker was released
}

TEST(FactsRun, TheFactsReadAsTheLinesTheInfoCommandPrints) {
    RecordingFacts facts;
    facts.length = (3600 + 2 * 60 + 3) * kPtsClock;
    facts.streams.push_back(
        {.kind = StreamKind::Audio, .codec = "ac3", .sampleRate = 48000, .channels = 6});
    const std::vector<std::string> lines = FactsLines(facts);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "length 1:02:03");
    EXPECT_EQ(lines[1], StreamText(facts.streams[0]));
}
