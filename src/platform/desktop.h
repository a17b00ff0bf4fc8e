#pragma once
// Desktop services only the window needs: finding another program's window
// by its title, raising or minimising it, starting a program by name, and
// noticing that file systems were mounted or unmounted (on Windows: that a
// drive arrived or was removed). Kept apart from platform.h so that the core
// never links the window system.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dz::desktop {

// An X11 window id or a Windows HWND; 0 means none.
using WindowId = std::uintptr_t;

// A top-level window whose name is exactly title, or 0. Looks below window
// manager frames, so a managed and an unmanaged window are found alike.
WindowId FindTopLevelWindow(const std::u16string& title);
// Brings the window to the front and asks the window manager to activate it.
bool ActivateWindow(WindowId window);
// Asks the window manager to minimise the window; the program keeps running.
bool IconifyWindow(WindowId window);

// What a started program leaves behind; filled by StartProgram.
struct ProcessInfo {
    int64_t processId = 0;
};

// Starts program, found through PATH, with the given arguments behind its
// name, in the current environment and folder. The child is reaped when it
// ends so that it never lingers as a zombie.
bool StartProgram(const std::u16string& program, const std::vector<std::string>& arguments,
                  ProcessInfo& info);

// Watches the mount table on its own thread and calls onChange there
// whenever a file system is mounted or unmounted; on Windows a hidden window
// of that thread receives WM_DEVICECHANGE and reports a device's arrival and
// its removal. The callback must hand the news to the window's thread itself.
class MountWatcher {
public:
    MountWatcher() = default;
    ~MountWatcher();
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

    bool Start(std::function<void()> onChange);
    void Stop();
    // Behaves as if the mount table had changed (tests; a user's "refresh").
    void SimulateChange();

private:
    void Run();

    std::function<void()> m_onChange;
    std::thread m_thread;
#ifdef _WIN32
    std::atomic<void*> m_window{nullptr}; // the HWND, set once the thread runs
#else
    int m_mountsFd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
#endif
};

} // namespace dz::desktop
