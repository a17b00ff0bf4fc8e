// Terminal services for dezadide-cli on POSIX: arguments already arrive as
// the bytes the terminal typed (UTF-8), Ctrl+C is SIGINT.
#include "platform/console.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace dz::platform {
namespace {

// The handler and its context are swapped as one, so a signal never pairs
// one hook's handler with another's context.
std::atomic<const InterruptHook::Binding*> g_binding{nullptr};
InterruptHook::Binding g_programBinding;
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
    if (const InterruptHook::Binding* binding = g_binding.load(); binding && binding->handler)
        binding->handler(binding->context);
}

std::atomic<const InterruptHook::Binding*> g_endBinding{nullptr};
InterruptHook::Binding g_endRequestBinding;

extern "C" void OnEndRequest(int) {
    if (const InterruptHook::Binding* binding = g_endBinding.load(); binding && binding->handler)
        binding->handler(binding->context);
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseStableOutput() {}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

InterruptHook::InterruptHook(Handler handler, void* context, bool once)
    : m_binding{handler, context}, m_previous(g_binding.load()), m_previousOnce(g_once.load()) {
    g_binding.store(&m_binding);
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
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    if (sigaction(SIGINT, &action, &g_previous[0]) == 0)
        g_depth.store(1); // the hooks made later nest inside this one
}

void InstallEndRequestHook(InterruptHook::Handler handler, void* context) {
    g_endRequestBinding = {handler, context};
    g_endBinding.store(&g_endRequestBinding);
    struct sigaction action {};
    action.sa_handler = OnEndRequest;
    sigemptyset(&action.sa_mask);
    // The program's calls go on after the handler, as with signal().
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool InterruptReceived() {
    return g_received.load();
}

bool SimulateInterrupt() {
    // After a once hook has fired, SIGINT would end the program.
    if (!g_binding.load() || (g_once.load() && g_fired.load()))
        return false;
    return raise(SIGINT) == 0; // the handler runs before raise returns
}

} // namespace dz::platform
