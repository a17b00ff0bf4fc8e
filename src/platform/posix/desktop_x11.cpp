// Other programs' windows on an X11 desktop: found by name, raised,
// minimised. Uses a connection of its own, so it works beside any toolkit.
#include "platform/desktop.h"

#include "common/text.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <string>

namespace dz::desktop {
namespace {

// A window can vanish between listing and reading it; such errors are
// expected here and must not end the program (Xlib's default does).
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

class Connection {
public:
    Connection() : m_display(XOpenDisplay(nullptr)) {
        if (m_display)
            m_oldHandler = XSetErrorHandler(IgnoreXError);
    }
    ~Connection() {
        if (!m_display)
            return;
        XSync(m_display, False);
        XSetErrorHandler(m_oldHandler);
        XCloseDisplay(m_display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return m_display; }

private:
    Display* m_display;
    XErrorHandler m_oldHandler = nullptr;
};

std::string WindowName(Display* display, Window window) {
    // _NET_WM_NAME carries UTF-8; WM_NAME is the old Latin-1 name.
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        std::string name(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (type == utf8)
            return name;
    }
    char* plain = nullptr;
    if (XFetchName(display, window, &plain) && plain) {
        std::string name(plain);
        XFree(plain);
        return name;
    }
    return {};
}

// Top-level windows are children of the root, or, under a window manager,
// children of the frames it wraps around them: two levels cover both, the
// third covers managers that nest a frame in a decoration window.
Window FindByName(Display* display, Window parent, const std::string& name, int depth) {
    Window root = None, parentOut = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count))
        return None;
    std::unique_ptr<Window, int (*)(void*)> hold(children, XFree);
    for (unsigned int i = 0; i < count; ++i) {
        if (WindowName(display, children[i]) == name)
            return children[i];
    }
    if (depth <= 1)
        return None;
    for (unsigned int i = 0; i < count; ++i) {
        if (Window found = FindByName(display, children[i], name, depth - 1))
            return found;
    }
    return None;
}

void SendToRoot(Display* display, Window window, const char* message, long l0, long l1) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, message, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace

WindowId FindTopLevelWindow(const std::u16string& title) {
    Connection connection;
    if (!connection.get())
        return 0;
    return FindByName(connection.get(), DefaultRootWindow(connection.get()), ToUtf8(title), 3);
}

bool ActivateWindow(WindowId window) {
    Connection connection;
    if (!connection.get() || window == 0)
        return false;
    Display* display = connection.get();
    XRaiseWindow(display, window);
    // 1: the request comes from an application, at no particular time.
    SendToRoot(display, window, "_NET_ACTIVE_WINDOW", 1, CurrentTime);
    return true;
}

bool IconifyWindow(WindowId window) {
    Connection connection;
    if (!connection.get() || window == 0)
        return false;
    return XIconifyWindow(connection.get(), window, DefaultScreen(connection.get())) != 0;
}

} // namespace dz::desktop
