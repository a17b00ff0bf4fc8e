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
std::atomic<bool> g_received{false};
// The disposition each hook replaced, restored when it goes; hooks nest.
constexpr int kMaxHooks = 8;
struct sigaction g_previous[kMaxHooks] {};
std::atomic<int> g_depth{0};

extern "C" void OnInterrupt(int) {
    g_fired.store(true);
    g_received.store(true);
    if (InterruptHook::Handler handler = g_handler.load())
        handler();
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseStableOutput() {}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

InterruptHook::InterruptHook(Handler handler, bool once)
    : m_previous(g_handler.load()), m_previousOnce(g_once.load()) {
    g_handler.store(handler);
    g_once.store(once);
    g_fired.store(false);
    const int depth = g_depth.load();
    // What the outermost hook has seen is all the program has seen.
    if (depth == 0)
        g_received.store(false);
    if (depth >= kMaxHooks)
        return;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the handler removes itself, so the next Ctrl+C ends the program.
    action.sa_flags = once ? SA_RESETHAND : 0;
    m_installed = sigaction(SIGINT, &action, &g_previous[depth]) == 0;
    if (m_installed)
        g_depth.store(depth + 1);
}

InterruptHook::~InterruptHook() {
    if (m_installed) {
        const int depth = g_depth.load() - 1;
        sigaction(SIGINT, &g_previous[depth], nullptr);
        g_depth.store(depth);
    }
    g_handler.store(m_previous);
    g_once.store(m_previousOnce);
    g_fired.store(false);
}

void InstallProgramInterruptHook(InterruptHook::Handler handler) {
    g_handler.store(handler);
    g_once.store(true);
    g_fired.store(false);
    g_received.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    if (sigaction(SIGINT, &action, &g_previous[0]) == 0)
        g_depth.store(1); // the hooks made later nest inside this one
}

bool InterruptReceived() {
    return g_received.load();
}

bool SimulateInterrupt() {
    // After a once hook has fired, SIGINT would end the program.
    if (!g_handler.load() || (g_once.load() && g_fired.load()))
        return false;
    return raise(SIGINT) == 0; // the handler runs before raise returns
}

} // namespace dz::platform
