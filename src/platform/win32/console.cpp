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
#include <csignal>

namespace dz::platform {
namespace {

// The handler and its context are swapped as one, so a signal never pairs
// one hook's handler with another's context.
std::atomic<const InterruptHook::Binding*> g_binding{nullptr};
InterruptHook::Binding g_programBinding;
std::atomic<bool> g_once{false};
std::atomic<bool> g_fired{false};
std::atomic<bool> g_received{false};
std::atomic<int> g_depth{0};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_received.store(true);
    // FALSE hands the event on to the default handling, which ends the program.
    if (g_once.load() && g_fired.exchange(true))
        return FALSE;
    if (const InterruptHook::Binding* binding = g_binding.load(); binding && binding->handler)
        binding->handler(binding->context);
    return TRUE;
}

std::atomic<const InterruptHook::Binding*> g_endBinding{nullptr};
InterruptHook::Binding g_endRequestBinding;

extern "C" void OnEndRequest(int signal) {
    // The C runtime resets a signal to its default before calling its handler.
    std::signal(signal, OnEndRequest);
    if (const InterruptHook::Binding* binding = g_endBinding.load(); binding && binding->handler)
        binding->handler(binding->context);
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

InterruptHook::InterruptHook(Handler handler, void* context, bool once)
    : m_binding{handler, context}, m_previous(g_binding.load()), m_previousOnce(g_once.load()) {
    g_binding.store(&m_binding);
    g_once.store(once);
    g_fired.store(false);
    // What the outermost hook has seen is all the program has seen.
    if (g_depth.fetch_add(1) == 0)
        g_received.store(false);
    m_installed = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

InterruptHook::~InterruptHook() {
    // Each SetConsoleCtrlHandler(TRUE) is undone by one (FALSE); the one
    // handler stays for the hooks that remain.
    if (m_installed)
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_depth.fetch_sub(1);
    g_binding.store(m_previous);
    g_once.store(m_previousOnce);
    g_fired.store(false);
}

void InstallProgramInterruptHook(InterruptHook::Handler handler, void* context) {
    g_programBinding = {handler, context};
    g_binding.store(&g_programBinding);
    g_once.store(true);
    g_fired.store(false);
    g_received.store(false);
    if (SetConsoleCtrlHandler(OnConsoleControl, TRUE))
        g_depth.store(1); // the hooks made later nest inside this one
}

void InstallEndRequestHook(InterruptHook::Handler handler, void* context) {
    g_endRequestBinding = {handler, context};
    g_endBinding.store(&g_endRequestBinding);
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, OnEndRequest);
}

bool InterruptReceived() {
    return g_received.load();
}

bool SimulateInterrupt() {
    if (!g_binding.load() || (g_once.load() && g_fired.load()))
        return false;
    return OnConsoleControl(CTRL_C_EVENT) != FALSE;
}

} // namespace dz::platform
