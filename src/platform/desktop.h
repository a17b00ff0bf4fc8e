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

#ifdef _WIN32
// Follows the folders the window shows: onChange(folder) runs on the
// watcher's own thread when an entry of folder was added, removed, renamed
// or rewritten, by this program or another one. The system's change
// notification has no buffer of ours that it could fill after the watch is
// gone, so replacing or stopping a watch is immediate and safe. A folder the
// system refuses to watch is read every kPollMs instead and reported when
// its entries differ. The callback must hand the news to the window's
// thread itself.
class FolderWatcher {
public:
    static constexpr unsigned kPollMs = 1000;

    FolderWatcher() = default;
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Replaces whatever was watched with folders (each one once).
    void Watch(const std::vector<std::u16string>& folders,
               std::function<void(const std::u16string&)> onChange);
    void Stop();
    // How many folders are followed through the system's notification and
    // how many through polling.
    size_t NotifiedCount() const { return m_notified.size(); }
    size_t PolledCount() const { return m_polled.size(); }

private:
    struct Polled {
        std::u16string folder;
        std::vector<uint64_t> fingerprint;
    };
    void Run();

    std::function<void(const std::u16string&)> m_onChange;
    std::thread m_thread;
    void* m_stop = nullptr; // manual-reset event that ends the thread
    std::vector<std::u16string> m_notifiedFolders;
    std::vector<void*> m_notified; // change-notification handles, same order
    std::vector<Polled> m_polled;
};
#endif

} // namespace dz::desktop
