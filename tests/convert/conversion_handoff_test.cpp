// The conversion worker's calls reach the watching thread through the
// hand-off in order, each while the worker waits; a watcher that goes away
// mid-run lets the worker finish without it.
#include "convert/conversion_handoff.h"

#include "recording_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace dz::convert {
namespace {

using test::Fixture;
using test::PartName;
using test::TempDir;
using test::Text;

// The watcher's event loop: wake queues a turn, the loop serves one at a time.
class Loop {
public:
    void Post() {
        {
            std::lock_guard lock(m_mutex);
            ++m_turns;
        }
        m_ready.notify_one();
    }
    bool WaitTurn(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_mutex);
        if (!m_ready.wait_for(lock, wait, [&] { return m_turns > 0; }))
            return false;
        --m_turns;
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    int m_turns = 0;
};

ConversionSettings QuietSettings() {
    return {[](const std::u16string&) { return true; }, std::tmpfile()};
}

const std::filesystem::path kNews = Fixture("rec/news") / PartName("NEWS", 1);

TEST(ConversionHandoff, ReportsArriveInOrderWhileTheWorkerWaits) {
    TempDir dir;
    Loop loop;
    ConversionHandoff handoff([&] { loop.Post(); });
    const ConversionSettings settings = QuietSettings();
    ConversionJob job(handoff, settings);
    ASSERT_TRUE(job.Start(Text(kNews), Text(dir / "out.mpg"), std::make_shared<StopEvent>()));

    std::vector<std::string> seen;
    bool finished = false;
    while (!finished && loop.WaitTurn(std::chrono::seconds(20))) {
        handoff.Serve([&](const ConversionReport& r) {
            // The worker is held inside its call while the report is served.
            EXPECT_TRUE(job.IsRunning());
            if (r.kind == ConversionReport::Kind::kFinished) {
                finished = true;
                seen.emplace_back(r.text.begin(), r.text.end());
                return;
            }
            seen.push_back(std::to_string(r.index) + "/" + std::to_string(r.count) + " " +
                           std::to_string(r.totalPercent));
        });
    }
    job.Join();
    std::fclose(settings.log);
    EXPECT_EQ(seen, (std::vector<std::string>{"0/3 0", "1/3 33", "2/3 66", "Convert finished"}));
}

TEST(ConversionHandoff, AShutHandoffLetsTheWorkerRunToItsEnd) {
    TempDir dir;
    std::atomic<int> wakes{0};
    ConversionHandoff handoff([&] { ++wakes; });
    const ConversionSettings settings = QuietSettings();
    ConversionJob job(handoff, settings);
    ASSERT_TRUE(job.Start(Text(kNews), Text(dir / "out.mpg"), std::make_shared<StopEvent>()));
    // Nobody serves the first report: the worker waits in it.
    while (wakes.load() == 0)
        std::this_thread::yield();
    EXPECT_TRUE(job.IsRunning());
    handoff.Shut();
    job.Join();
    EXPECT_FALSE(job.IsRunning());
    EXPECT_FALSE(handoff.Serve([](const ConversionReport&) { FAIL(); }));
    std::fclose(settings.log);
}

} // namespace
} // namespace dz::convert
