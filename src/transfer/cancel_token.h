#pragma once
// A job's stop request. Whoever starts a job owns its token and hands the job
// a pointer to it; the worker looks at it after every block and entry. Each
// job has its own, so stopping one job never stops another running beside it.

#include <atomic>

namespace dz {

class CancelToken {
public:
    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // Safe from any thread and from a signal handler.
    void Cancel() noexcept { m_cancelled.store(true, std::memory_order_relaxed); }
    bool Cancelled() const noexcept { return m_cancelled.load(std::memory_order_relaxed); }

private:
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets it");
    std::atomic<bool> m_cancelled{false};
};

} // namespace dz
