#pragma once
// Shared by the dialog and command tests: a modal run that cannot hang the
// test program, and helpers to press a dialog's buttons from inside its run.
#include <wx/dialog.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace dz::test {

// Aborts the program when a modal run outlives its time: a hung window test
// must fail loudly, not stall the whole suite.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit, const char* what = "modal run")
        : m_thread([this, limit, what] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "watchdog: %s did not end within %llds\n", what,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

inline int RunModal(wxDialog& dialog, std::chrono::seconds limit = std::chrono::seconds(30)) {
    Watchdog watchdog(limit);
    return dialog.ShowModal();
}

// Presses a button of the dialog as a click would, from its event queue.
inline void PostButton(wxWindow& dialog, int id) {
    dialog.GetEventHandler()->CallAfter([&dialog, id] {
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(&dialog);
        dialog.GetEventHandler()->ProcessEvent(click);
    });
}

} // namespace dz::test
