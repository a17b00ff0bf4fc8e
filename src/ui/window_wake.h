#pragma once
// The wake of a worker's report hand-off for a window: it queues a call of
// the window's serve function on the window's thread. The queued call reads
// the window through a weak reference, so one that arrives after the window
// has gone touches nothing freed.
#include <wx/app.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>

template <class Window> class CWindowWake {
public:
    explicit CWindowWake(void (Window::*serve)())
        : m_pWindow(std::make_shared<wxWeakRef<Window>>()), m_serve(serve) {}

    // Window's thread, once the window exists.
    void Attach(Window* window) { *m_pWindow = window; }

    // What the hand-off calls on the worker's thread.
    std::function<void()> Wake() const {
        return [window = m_pWindow, serve = m_serve] {
            wxTheApp->CallAfter([window, serve] {
                if (Window* w = window->get())
                    (w->*serve)();
            });
        };
    }

private:
    std::shared_ptr<wxWeakRef<Window>> m_pWindow;
    void (Window::*m_serve)();
};
