#pragma once
// Carries a worker's synchronous reports to the thread that owns a window.
// The worker waits in Hand until the owner has served its report; once the
// owner has shut the hand-off (its window is going away) a waiting worker is
// released and later reports are dropped, so a worker can never hang on a
// window that no longer listens. The transfer and the conversion dialogs
// both use it, each with its own report type.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace dz {

template <class Report> class ReportHandoff {
public:
    // wake runs on the worker's thread whenever a report waits and once when
    // the worker has ended; it must only ask the owner's thread to call Serve
    // soon, never wait for that.
    explicit ReportHandoff(std::function<void()> wake) : m_wake(std::move(wake)) {}
    ReportHandoff(const ReportHandoff&) = delete;
    ReportHandoff& operator=(const ReportHandoff&) = delete;

    // Worker's thread: returns once the report was served or the hand-off shut.
    void Hand(Report report) {
        std::unique_lock lock(m_mutex);
        if (m_shut)
            return;
        m_pending = std::move(report);
        const uint64_t ticket = ++m_posted;
        lock.unlock();
        m_wake();
        lock.lock();
        m_served.wait(lock, [&] { return m_shut || m_done >= ticket; });
    }

    // Worker's thread, after its thread procedure has returned.
    void Finish() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_wake();
    }

    // Owner's thread: hands the waiting report, if any, to handle, then lets
    // the worker go on. handle may call Shut. False when nothing waited.
    bool Serve(const std::function<void(const Report&)>& handle) {
        std::unique_lock lock(m_mutex);
        if (!m_pending)
            return false;
        const Report report = std::move(*m_pending);
        m_pending.reset();
        // The handler updates the window and may end it: never under the lock.
        lock.unlock();
        handle(report);
        lock.lock();
        ++m_done;
        lock.unlock();
        m_served.notify_all();
        return true;
    }

    // Owner's thread: no report is served from now on.
    void Shut() {
        {
            std::lock_guard lock(m_mutex);
            m_shut = true;
            m_pending.reset();
            m_done = m_posted;
        }
        m_served.notify_all();
    }

    // True once the worker's thread procedure has returned.
    bool Finished() const {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }

private:
    std::function<void()> m_wake;
    mutable std::mutex m_mutex;
    std::condition_variable m_served;
    std::optional<Report> m_pending;
    uint64_t m_posted = 0; // reports placed so far
    uint64_t m_done = 0;   // reports served (or dropped) so far
    bool m_shut = false;
    bool m_finished = false;
};

} // namespace dz
