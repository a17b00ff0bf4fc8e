#pragma once
// The signal from whoever watches a conversion (the dialog's Stop and Close,
// the terminal's Ctrl+C) to the worker. It behaves like an auto-reset event:
// it starts clear, Set() raises it, and the worker's zero-time wait both
// reports and clears it. Lock-free, so a signal handler may call Set().

#include <atomic>

namespace dz::convert {

class StopEvent {
public:
    void Set() { m_set.store(true, std::memory_order_release); }
    void Reset() { m_set.store(false, std::memory_order_release); }
    // A zero-time wait: true when the event was set, which also clears it.
    bool TryWait() { return m_set.exchange(false, std::memory_order_acq_rel); }
    // Looks without clearing (for watchers and tests).
    bool IsSet() const { return m_set.load(std::memory_order_acquire); }

private:
    std::atomic<bool> m_set{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
};

} // namespace dz::convert
