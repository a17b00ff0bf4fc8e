// A stand-in for the MP3 program, for tests only: a window named "Vivozir"
// that notes in $VIVOZIR_LOG how it was started and what the window manager
// was asked to do with it (activate, iconify). It runs until it is killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Note(const std::string& line) {
    const char* path = std::getenv("VIVOZIR_LOG");
    if (!path)
        return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string start = "start";
    for (int i = 1; i < argc; ++i)
        start += std::string(" ") + argv[i];
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        Note("no display");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const Window window = XCreateSimpleWindow(display, root, 40, 40, 240, 120, 1, 0, 0xFFFFFF);
    XStoreName(display, window, "Vivozir");
    const char title[] = "Vivozir";
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title), std::strlen(title));
    // Requests to the window manager travel as messages to the root window.
    XSelectInput(display, root, SubstructureNotifyMask);
    XMapWindow(display, window);
    XSync(display, False);
    Note(start);

    const Atom changeState = XInternAtom(display, "WM_CHANGE_STATE", False);
    const Atom activate = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != ClientMessage || event.xclient.window != window)
            continue;
        if (event.xclient.message_type == changeState && event.xclient.data.l[0] == IconicState)
            Note("iconify");
        else if (event.xclient.message_type == activate)
            Note("activate");
    }
}
