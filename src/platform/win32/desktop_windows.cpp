// Other programs' windows, found by title, brought to the front or
// minimised, and starting another program by name as the shell would.
#include "platform/desktop.h"

#include "common/text.h"
#include "platform/win32/win32_text.h"

namespace dz::desktop {
namespace {

HWND AsWindow(WindowId window) {
    return reinterpret_cast<HWND>(window);
}

} // namespace

WindowId FindTopLevelWindow(const std::u16string& title) {
    return reinterpret_cast<WindowId>(
        FindWindowW(nullptr, dz::platform::win32::Wide(title).c_str()));
}

bool ActivateWindow(WindowId window) {
    return window != 0 && SetForegroundWindow(AsWindow(window)) != 0;
}

bool IconifyWindow(WindowId window) {
    // CloseWindow minimises; the program keeps running.
    return window != 0 && CloseWindow(AsWindow(window)) != 0;
}

bool StartProgram(const std::u16string& program, const std::vector<std::string>& arguments,
                  ProcessInfo& info) {
    info = ProcessInfo{};
    std::wstring line;
    dz::platform::win32::AppendQuotedArgument(line, dz::platform::win32::Wide(program));
    for (const std::string& argument : arguments) {
        const std::optional<std::u16string> text = FromUtf8(argument);
        if (!text)
            return false;
        dz::platform::win32::AppendQuotedArgument(line, dz::platform::win32::Wide(*text));
    }
    // No application name: the system looks for program.exe along its
    // standard search order, as a typed command would be found.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    info.processId = process.dwProcessId;
    // Nothing waits for the program; its handles are not kept.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace dz::desktop
