// Terminal services for dezadide-cli on Windows: arguments from the wide
// command line, a UTF-8 console, Ctrl+C through a console control handler
// (which the system calls on a thread of its own).
#include "platform/console.h"
#include "platform/interrupt_binding.h"

#include "common/text.h"
#include "platform/win32/win32_text.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include <csignal>

namespace dz::platform {
namespace {

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // FALSE hands the event on to the default handling, which ends the program.
    return interrupt_binding::DeliverInterrupt() ? TRUE : FALSE;
}

extern "C" void OnEndRequest(int signal) {
    // The C runtime resets a signal to its default before calling its handler.
    std::signal(signal, OnEndRequest);
    interrupt_binding::DeliverEndRequest();
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

namespace interrupt_binding {

// One handler serves every hook: the bookkeeping says which hook it reaches,
// and a once hook's second Ctrl+C is handed on by DeliverInterrupt.
bool AttachInterruptHandler(bool, int) {
    return SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

void DetachInterruptHandler(int) {
    // Each SetConsoleCtrlHandler(TRUE) is undone by one (FALSE); the one
    // handler stays for the hooks that remain.
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

void AttachEndRequestHandler() {
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, OnEndRequest);
}

bool RaiseInterrupt() {
    return OnConsoleControl(CTRL_C_EVENT) != FALSE;
}

} // namespace interrupt_binding

} // namespace dz::platform
