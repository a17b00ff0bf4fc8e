#pragma once
// What a program run from a terminal or a session needs of the operating
// system: its arguments as UTF-8, whether progress has a terminal to go to,
// Ctrl+C (dezadide-cli), and the requests to end that the window's demo
// follows.
#include <string>
#include <vector>

namespace dz::platform {

// The program's arguments as UTF-8 texts, its own name first. Windows hands
// main() its arguments in the ANSI code page, so they are read again from
// the wide command line there.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes the program's output the same bytes on every system, as scripts
// expect: UTF-8 texts (a Windows console must be told so) and lines that
// end in "\n" (Windows would write "\r\n").
void UseStableOutput();

// True when the standard error stream is a terminal or a console.
bool StderrIsTerminal();

// While the object lives, Ctrl+C calls handler(context) instead of ending
// the program. handler runs in a signal handler or on a thread of the
// system's, so it may only touch lock-free atomics (through context). With
// once, a second Ctrl+C ends the program as usual (a stuck job can still be
// left). Hooks nest: the newest one handles Ctrl+C, and the one before it
// does again once it is gone.
class InterruptHook {
public:
    using Handler = void (*)(void* context);
    struct Binding {
        Handler handler = nullptr;
        void* context = nullptr;
    };
    InterruptHook(Handler handler, void* context, bool once);
    ~InterruptHook();
    InterruptHook(const InterruptHook&) = delete;
    InterruptHook& operator=(const InterruptHook&) = delete;

private:
    bool m_installed = false;
    const Binding m_binding;
    const Binding* m_previous = nullptr;
    bool m_previousOnce = false;
};

// The program's own hook, installed first thing and never taken away, so
// that Ctrl+C at any moment - also while the program ends - reaches handler
// instead of ending it silently; a second Ctrl+C ends it as usual. Hooks
// made afterwards nest inside it.
void InstallProgramInterruptHook(InterruptHook::Handler handler, void* context);

// From now on Ctrl+C, a request to terminate and the end of the session
// (SIGINT, SIGTERM, SIGHUP; on Windows SIGINT and SIGTERM) call
// handler(context) instead of ending the program, every time, so that it can
// close itself properly. The same limits as for InterruptHook's handler hold.
void InstallEndRequestHook(InterruptHook::Handler handler, void* context);

// Whether Ctrl+C has reached a hook since the outermost hook was installed
// (the program's own, installed first thing).
bool InterruptReceived();

// Behaves as if the user pressed Ctrl+C, before it returns (tests): the hook's
// handler runs. False, and nothing happens, when no hook would take it.
bool SimulateInterrupt();

} // namespace dz::platform
