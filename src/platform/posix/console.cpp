// Terminal services for dezadide-cli on POSIX: arguments already arrive as
// the bytes the terminal typed (UTF-8), Ctrl+C is SIGINT.
#include "platform/console.h"
#include "platform/interrupt_binding.h"

#include <csignal>
#include <unistd.h>

namespace dz::platform {
namespace {

// The disposition each hook replaced, restored when it goes; hooks nest.
constexpr int kMaxHooks = 8;
struct sigaction g_previous[kMaxHooks] {};

extern "C" void OnInterrupt(int) {
    interrupt_binding::DeliverInterrupt();
}

extern "C" void OnEndRequest(int) {
    interrupt_binding::DeliverEndRequest();
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseStableOutput() {}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

namespace interrupt_binding {

bool AttachInterruptHandler(bool once, int depth) {
    if (depth >= kMaxHooks)
        return false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the handler removes itself, so the next Ctrl+C ends the program.
    action.sa_flags = once ? SA_RESETHAND : 0;
    return sigaction(SIGINT, &action, &g_previous[depth]) == 0;
}

void DetachInterruptHandler(int depth) {
    sigaction(SIGINT, &g_previous[depth], nullptr);
}

void AttachEndRequestHandler() {
    struct sigaction action {};
    action.sa_handler = OnEndRequest;
    sigemptyset(&action.sa_mask);
    // The program's calls go on after the handler, as with signal().
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool RaiseInterrupt() {
    return raise(SIGINT) == 0; // the handler runs before raise returns
}

} // namespace interrupt_binding

} // namespace dz::platform
