// The hand-off between the transfer worker and the window's thread: each
// report is served once, in order, while the worker waits; a cancel or a shut
// hand-off at any moment never leaves either side waiting for the other.
#include "transfer/progress_handoff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace dz;

namespace {

// A stand-in for the window's event queue: wake posts an event, the owner's
// loop runs them one at a time on its own thread.
class EventQueue {
public:
    void Post(std::function<void()> event) {
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back(std::move(event));
        }
        m_ready.notify_one();
    }
    // Runs the next event, waiting for one at most `wait`; false when none came.
    bool RunOne(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_mutex);
        if (!m_ready.wait_for(lock, wait, [&] { return !m_events.empty(); }))
            return false;
        auto event = std::move(m_events.front());
        m_events.pop_front();
        lock.unlock();
        event();
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_events;
};

ProgressReport Step(int32_t number) {
    ProgressReport r;
    r.total = 1000;
    r.number = number;
    r.code = ProgressCode::Step;
    return r;
}

TEST(ProgressHandoff, ShutReleasesAWaitingWorkerAndDropsLaterReports) {
    std::atomic<int> wakes{0};
    ProgressHandoff handoff([&] { ++wakes; });
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        handoff.OnProgress(Step(1)); // nobody serves it
        returned = true;
        handoff.OnProgress(Step(2)); // must not wait at all
        handoff.Finish();
    });
    // Woken from inside Hand: the worker is past setting its report and
    // can only leave once it is served or the hand-off is shut.
    while (wakes.load() == 0)
        std::this_thread::yield();
    EXPECT_FALSE(returned.load());
    handoff.Shut();
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_TRUE(handoff.Finished());
    EXPECT_FALSE(handoff.Serve([](const ProgressReport&) { FAIL(); }));
}

TEST(ProgressHandoff, AHandlerMayShutTheHandoffItServes) {
    EventQueue queue;
    ProgressHandoff* self = nullptr;
    int served = 0;
    ProgressHandoff handoff([&] {
        queue.Post([&] { self->Serve([&](const ProgressReport&) { ++served, self->Shut(); }); });
    });
    self = &handoff;
    std::thread worker([&] {
        for (int32_t n = 1; n <= 50; ++n)
            handoff.OnProgress(Step(n));
        handoff.Finish();
    });
    while (!handoff.Finished())
        queue.RunOne(std::chrono::milliseconds(50));
    worker.join();
    EXPECT_EQ(served, 1);
}

// The window's ending as the dialog does it: a cancel arrives as an event of
// its own at a random moment, usually while a report waits in the queue; the
// owner then keeps running events until the worker has ended. Repeated so
// that every ordering of cancel, pending report and worker end comes up.
// Every report is served once, in order, while the worker waits inside it.
TEST(ProgressHandoff, ServesInOrderAndACancelAtAnyMomentNeverDeadlocks) {
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        EventQueue queue;
        std::atomic<int> cancel{0};
        std::atomic<int32_t> sent{0};
        ProgressHandoff* self = nullptr;
        std::vector<int32_t> served;
        bool endRequested = false;
        bool ended = false;
        ProgressHandoff handoff([&] {
            queue.Post([&] {
                self->Serve([&](const ProgressReport& r) {
                    EXPECT_EQ(sent.load(), r.number) << "the worker went on";
                    served.push_back(r.number);
                });
                if (self->Finished() && endRequested)
                    ended = true;
            });
        });
        self = &handoff;
        // Every fourth round runs to the end with no cancel.
        const int cancelAfter = round % 4 == 0 ? 1000 : static_cast<int>(random() % 40);
        std::thread worker([&] {
            // A few reports still come after the cancel is seen, as the
            // worker's rollback and last block do.
            int afterCancel = 3;
            for (int32_t n = 1; n <= 60 && afterCancel > 0; ++n) {
                sent = n;
                handoff.OnProgress(Step(n));
                if (cancel.load() == 1)
                    --afterCancel;
            }
            handoff.Finish();
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int events = 0;
        bool cancelPosted = false;
        while (!ended && std::chrono::steady_clock::now() < deadline) {
            if (queue.RunOne(std::chrono::milliseconds(20)))
                ++events;
            if (cancelPosted || (events < cancelAfter && !handoff.Finished()))
                continue;
            cancelPosted = true;
            queue.Post([&] {
                cancel = 1;
                endRequested = true;
                if (self->Finished())
                    ended = true;
            });
        }
        ASSERT_TRUE(ended) << "round " << round << " hung";
        worker.join();
        ASSERT_FALSE(served.empty());
        for (size_t i = 0; i < served.size(); ++i)
            ASSERT_EQ(served[i], static_cast<int32_t>(i) + 1) << "round " << round;
        if (cancelAfter == 1000) {
            EXPECT_EQ(served.size(), 60u);
        }
        EXPECT_FALSE(handoff.Serve([](const ProgressReport&) { FAIL(); }));
    }
}

} // namespace
