// Terminal services for dezadide-cli on POSIX: arguments already arrive as
// the bytes the terminal typed (UTF-8), Ctrl+C is SIGINT.
#include "platform/console.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace dz::platform {
namespace {

std::atomic<InterruptHook::Handler> g_handler{nullptr};
std::atomic<bool> g_once{false};
std::atomic<bool> g_fired{false};
std::atomic<bool> g_noted{false};
struct sigaction g_previous {};

extern "C" void OnInterrupt(int) {
    if (InterruptHook::Handler handler = g_handler.load()) {
        g_fired.store(true);
        handler();
        return;
    }
    g_noted.store(true);
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseStableOutput() {}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

InterruptHook::InterruptHook(Handler handler, bool once) {
    g_handler.store(handler);
    g_once.store(once);
    g_fired.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the handler removes itself, so the next Ctrl+C ends the program.
    action.sa_flags = once ? SA_RESETHAND : 0;
    m_installed = sigaction(SIGINT, &action, &g_previous) == 0;
}

InterruptHook::~InterruptHook() {
    if (m_installed)
        sigaction(SIGINT, &g_previous, nullptr);
    g_handler.store(nullptr);
}

bool SimulateInterrupt() {
    // After a once hook has fired, SIGINT would end the program.
    if (!g_handler.load() || (g_once.load() && g_fired.load()))
        return false;
    return raise(SIGINT) == 0; // the handler runs before raise returns
}

} // namespace dz::platform

namespace dz::platform {

void NoteInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: a read or write in progress goes on, as it would without it.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

bool TakeNotedInterrupt() {
    return g_noted.exchange(false);
}

void EndNotingInterrupts() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    if (g_noted.exchange(false))
        raise(SIGINT);
}

} // namespace dz::platform
