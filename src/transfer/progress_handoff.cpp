#include "transfer/progress_handoff.h"

void ProgressHandoff::OnProgress(const ProgressReport& report) {
    std::unique_lock lock(m_mutex);
    if (m_shut)
        return;
    m_pending = report;
    const uint64_t ticket = ++m_posted;
    lock.unlock();
    m_wake();
    lock.lock();
    m_served.wait(lock, [&] { return m_shut || m_done >= ticket; });
}

void ProgressHandoff::Finish() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_wake();
}

bool ProgressHandoff::Serve(const std::function<void(const ProgressReport&)>& handle) {
    std::unique_lock lock(m_mutex);
    if (!m_pending)
        return false;
    const ProgressReport report = *m_pending;
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

void ProgressHandoff::Shut() {
    {
        std::lock_guard lock(m_mutex);
        m_shut = true;
        m_pending.reset();
        m_done = m_posted;
    }
    m_served.notify_all();
}

bool ProgressHandoff::Finished() const {
    std::lock_guard lock(m_mutex);
    return m_finished;
}
