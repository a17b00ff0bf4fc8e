// Terminal services for dezadide-cli on Windows: arguments from the wide
// command line, a UTF-8 console, Ctrl+C through a console control handler
// (which the system calls on a thread of its own).
#include "platform/console.h"

#include "common/text.h"
#include "platform/win32/win32_text.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include <atomic>

namespace dz::platform {
namespace {

std::atomic<InterruptHook::Handler> g_handler{nullptr};
std::atomic<bool> g_once{false};
std::atomic<bool> g_fired{false};
std::atomic<bool> g_noted{false};
std::atomic<bool> g_noting{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    InterruptHook::Handler handler = g_handler.load();
    if (!handler) {
        if (!g_noting.load())
            return FALSE;
        g_noted.store(true);
        return TRUE;
    }
    // FALSE hands the event on to the default handling, which ends the program.
    if (g_once.load() && g_fired.exchange(true))
        return FALSE;
    handler();
    return TRUE;
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.push_back(ToUtf8(win32::Text(wide[i])));
    LocalFree(wide);
    return arguments;
}

void UseStableOutput() {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

InterruptHook::InterruptHook(Handler handler, bool once) {
    g_handler.store(handler);
    g_once.store(once);
    g_fired.store(false);
    m_installed = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

InterruptHook::~InterruptHook() {
    if (m_installed)
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_handler.store(nullptr);
}

void NoteInterrupts() {
    if (!g_noting.exchange(true))
        SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool TakeNotedInterrupt() {
    return g_noted.exchange(false);
}

void EndNotingInterrupts() {
    if (g_noting.exchange(false))
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    if (g_noted.exchange(false))
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
}

bool SimulateInterrupt() {
    if (!g_handler.load() || (g_once.load() && g_fired.load()))
        return false;
    return OnConsoleControl(CTRL_C_EVENT) != FALSE;
}

} // namespace dz::platform
