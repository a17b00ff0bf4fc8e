#include "support/window_manager.h"

#include <wx/frame.h>
#include <wx/toolbar.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace dz::test {
namespace {

using DisplayHandle = std::unique_ptr<Display, int (*)(Display*)>;

DisplayHandle OpenDisplay() {
    return DisplayHandle(XOpenDisplay(nullptr), XCloseDisplay);
}

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A window manager that follows the desktop's conventions names its check
// window on the root once it has taken the screen over.
bool ManagerHasTakenTheScreen(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        count == 1;
    if (data)
        XFree(data);
    return found;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

bool BelongsTo(Display* display, Window window, pid_t process, const char* title) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool owned = XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type,
                                    &format, &count, &after, &data) == Success &&
                 count == 1 && format == 32 &&
                 static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == process;
    if (data)
        XFree(data);
    char* name = nullptr;
    if (owned && XFetchName(display, window, &name) && name) {
        owned = std::string(name) == title;
        XFree(name);
    } else {
        owned = false;
    }
    return owned;
}

// Top-level windows are children of the root or of the frames a window
// manager puts around them.
Window FindOwned(Display* display, Window parent, pid_t process, const char* title, int depth) {
    Window root = None, parentOut = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count))
        return None;
    Window found = None;
    for (unsigned int i = 0; i < count && !found; ++i) {
        if (BelongsTo(display, children[i], process, title))
            found = children[i];
        else if (depth > 1)
            found = FindOwned(display, children[i], process, title, depth - 1);
    }
    if (children)
        XFree(children);
    return found;
}

} // namespace

WindowManager::WindowManager() {
    if (std::system("command -v openbox >/dev/null 2>&1") != 0)
        return;
    const DisplayHandle display = OpenDisplay();
    if (!display)
        return;
    char program[] = "openbox";
    char* argv[] = {program, nullptr};
    if (posix_spawnp(&m_pid, program, nullptr, nullptr, argv, environ) != 0) {
        m_pid = 0;
        return;
    }
    PollUntil([&] { return ManagerHasTakenTheScreen(display.get()); }, std::chrono::seconds(10));
}

WindowManager::~WindowManager() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

std::uintptr_t WaitForViewableWindow(pid_t process, const char* title,
                                     std::chrono::milliseconds timeout) {
    const DisplayHandle display = OpenDisplay();
    if (!display)
        return 0;
    Window window = None;
    PollUntil(
        [&] {
            if (!window)
                window =
                    FindOwned(display.get(), DefaultRootWindow(display.get()), process, title, 3);
            return window && Viewable(display.get(), window);
        },
        timeout);
    return window && Viewable(display.get(), window) ? window : 0;
}

bool FrameLaidOut(const wxFrame& frame) {
    GtkWidget* top = frame.GetHandle();
    GtkWidget* bar = frame.GetToolBar() ? frame.GetToolBar()->GetHandle() : nullptr;
    GdkWindow* window = gtk_widget_get_window(top);
    if (!gtk_widget_get_mapped(top) || !window || !bar || !gtk_widget_get_mapped(bar) ||
        gtk_widget_get_allocated_width(bar) <= 16)
        return false;
    Window root = None;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &root, &x, &y, &width,
                 &height, &border, &depth);
    return static_cast<int>(width) == gtk_widget_get_allocated_width(top) &&
           static_cast<int>(height) == gtk_widget_get_allocated_height(top);
}

wxRect FrameOnScreen(const wxFrame& frame) {
    GdkWindow* window = gtk_widget_get_window(frame.GetHandle());
    if (!window)
        return {};
    GdkRectangle r{};
    gdk_window_get_frame_extents(window, &r);
    return {r.x, r.y, r.width, r.height};
}

} // namespace dz::test
