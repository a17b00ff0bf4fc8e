#pragma once
// A piece of work on a thread of its own that reports to the thread owning a
// window through a ReportHandoff. Cancelling it (or destroying it) shuts the
// hand-off at once, so the owner hears nothing more of it, and asks the work
// to stop at its next check; the destructor then waits for the thread, which
// has at most the step it is in to finish.
#include "common/report_handoff.h"

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

namespace dz {

template <class Report> class BackgroundRun {
public:
    // What the work is given: hand(report) blocks until the owner has
    // served the report (or cancelled); cancelled() says to stop.
    using Hand = std::function<void(Report)>;
    using Cancelled = std::function<bool()>;
    using Work = std::function<void(const Hand& hand, const Cancelled& cancelled)>;

    BackgroundRun(Work work, std::function<void()> wake)
        : m_handoff(std::move(wake)), m_thread([this, work = std::move(work)] {
              work([this](Report report) { m_handoff.Hand(std::move(report)); },
                   [this] { return m_cancelled.load(); });
              m_handoff.Finish();
          }) {}
    ~BackgroundRun() {
        Cancel();
        m_thread.join();
    }
    BackgroundRun(const BackgroundRun&) = delete;
    BackgroundRun& operator=(const BackgroundRun&) = delete;

    // Owner's thread: the report waiting, if any, to handle. False when none.
    bool Serve(const std::function<void(const Report&)>& handle) {
        return m_handoff.Serve([&](const Report& report) {
            if (!m_cancelled)
                handle(report);
        });
    }
    // Owner's thread: no report is served from now on.
    void Cancel() {
        m_cancelled = true;
        m_handoff.Shut();
    }
    // True once the work has returned.
    bool Finished() const { return m_handoff.Finished(); }

private:
    std::atomic<bool> m_cancelled{false};
    ReportHandoff<Report> m_handoff;
    std::thread m_thread; // last: starts once everything above is made
};

} // namespace dz
