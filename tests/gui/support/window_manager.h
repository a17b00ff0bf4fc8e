#pragma once
// A window manager for a while, where one is installed: it places, frames
// and maximises windows as users see them, which no bare X server does.
#include <chrono>
#include <cstdint>
#include <sys/types.h>

class wxFrame;
class wxRect;

namespace dz::test {

class WindowManager {
public:
    // Starts openbox and waits until it manages the screen (it says so on
    // the root window); Runs() is false where it is not installed.
    WindowManager();
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    bool Runs() const { return m_pid > 0; }

private:
    pid_t m_pid = 0;
};

// Waits for a top-level window of the given process, named as given, to
// appear on the screen (mapped, and its parents too); 0 when none did.
std::uintptr_t WaitForViewableWindow(pid_t process, const char* title,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The frame is on the screen, laid out at the size the X server gives it
// now, with its toolbar in that layout (it joins it only then).
bool FrameLaidOut(const wxFrame& frame);
// Where the frame stands on the screen with the window manager's border, as
// the X server has it (the toolkit's own idea runs ahead of the manager).
wxRect FrameOnScreen(const wxFrame& frame);

} // namespace dz::test
