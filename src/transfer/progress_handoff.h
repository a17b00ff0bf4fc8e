#pragma once
// Carries the transfer worker's synchronous reports to the thread that owns
// the progress window. The worker waits in OnProgress until the owner has
// served its report; once the owner has shut the hand-off (its window is
// going away) a waiting worker is released and later reports are dropped, so
// a worker can never hang on a window that no longer listens.
#include "transfer/transfer_worker.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

class ProgressHandoff : public ProgressSink {
public:
    // wake runs on the worker's thread whenever a report waits and once when
    // the worker has ended; it must only ask the owner's thread to call Serve
    // soon, never wait for that.
    explicit ProgressHandoff(std::function<void()> wake) : m_wake(std::move(wake)) {}

    // Worker's thread: returns once the report was served or the hand-off shut.
    void OnProgress(const ProgressReport& report) override;
    // Worker's thread, after its thread procedure has returned.
    void Finish();

    // Owner's thread: hands the waiting report, if any, to handle, then lets
    // the worker go on. handle may call Shut. False when nothing waited.
    bool Serve(const std::function<void(const ProgressReport&)>& handle);
    // Owner's thread: no report is served from now on.
    void Shut();
    // True once the worker's thread procedure has returned.
    bool Finished() const;

private:
    std::function<void()> m_wake;
    mutable std::mutex m_mutex;
    std::condition_variable m_served;
    std::optional<ProgressReport> m_pending;
    uint64_t m_posted = 0; // reports placed so far
    uint64_t m_done = 0;   // reports served (or dropped) so far
    bool m_shut = false;
    bool m_finished = false;
};
