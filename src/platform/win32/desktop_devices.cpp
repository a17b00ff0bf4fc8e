// Drives that arrive or are removed: Windows broadcasts WM_DEVICECHANGE to
// every top-level window, so the watcher keeps a hidden one on its own
// thread (a message-only window would not receive the broadcast).
#include "platform/desktop.h"

#include "platform/win32/win32_text.h"

#include <dbt.h>

#include <future>

namespace dz::desktop {
namespace {

constexpr UINT kSimulatedChange = WM_APP + 1;
constexpr wchar_t kClassName[] = L"DezadideDeviceWatch";

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* onChange =
        reinterpret_cast<std::function<void()>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_DEVICECHANGE:
        // Only a device that arrived or is gone changes the drives.
        if (onChange && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE))
            (*onChange)();
        return TRUE;
    case kSimulatedChange:
        if (onChange)
            (*onChange)();
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterWatchClass() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WatchProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

MountWatcher::~MountWatcher() {
    Stop();
}

bool MountWatcher::Start(std::function<void()> onChange) {
    if (m_thread.joinable() || !RegisterWatchClass())
        return false;
    m_onChange = std::move(onChange);
    std::promise<bool> created;
    std::future<bool> ready = created.get_future();
    m_thread = std::thread([this, &created] {
        // A top-level window that is never shown and has no title, so a
        // search by title never finds it.
        HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window)
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_onChange));
        m_window.store(window);
        created.set_value(window != nullptr);
        if (!window)
            return;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    });
    if (ready.get())
        return true;
    m_thread.join();
    return false;
}

void MountWatcher::Stop() {
    if (!m_thread.joinable())
        return;
    if (HWND window = static_cast<HWND>(m_window.load()))
        PostMessageW(window, WM_CLOSE, 0, 0);
    m_thread.join();
    m_window.store(nullptr);
}

void MountWatcher::SimulateChange() {
    if (HWND window = static_cast<HWND>(m_window.load()))
        PostMessageW(window, kSimulatedChange, 0, 0);
}

} // namespace dz::desktop
