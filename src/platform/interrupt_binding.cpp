// The hooks' bookkeeping, the same on every system: which handler a Ctrl+C
// reaches, whether it fired, and what was seen since the outermost hook.
#include "platform/interrupt_binding.h"

#include <atomic>

namespace dz::platform {
namespace {

// The handler and its context are swapped as one, so a signal never pairs
// one hook's handler with another's context.
std::atomic<const InterruptHook::Binding*> g_binding{nullptr};
InterruptHook::Binding g_programBinding;
std::atomic<bool> g_once{false};
std::atomic<bool> g_fired{false};
std::atomic<bool> g_received{false};
// Hooks alive, the program's own included; they nest.
std::atomic<int> g_depth{0};

std::atomic<const InterruptHook::Binding*> g_endBinding{nullptr};
InterruptHook::Binding g_endRequestBinding;

void Bind(const InterruptHook::Binding* binding, bool once) {
    g_binding.store(binding);
    g_once.store(once);
    g_fired.store(false);
}

} // namespace

namespace interrupt_binding {

bool DeliverInterrupt() {
    g_received.store(true);
    if (g_once.load() && g_fired.exchange(true))
        return false;
    if (const InterruptHook::Binding* binding = g_binding.load(); binding && binding->handler)
        binding->handler(binding->context);
    return true;
}

void DeliverEndRequest() {
    if (const InterruptHook::Binding* binding = g_endBinding.load(); binding && binding->handler)
        binding->handler(binding->context);
}

} // namespace interrupt_binding

using namespace interrupt_binding;

InterruptHook::InterruptHook(Handler handler, void* context, bool once)
    : m_binding{handler, context}, m_previous(g_binding.load()), m_previousOnce(g_once.load()) {
    Bind(&m_binding, once);
    const int depth = g_depth.fetch_add(1);
    // What the outermost hook has seen is all the program has seen.
    if (depth == 0)
        g_received.store(false);
    m_installed = AttachInterruptHandler(once, depth);
}

InterruptHook::~InterruptHook() {
    const int depth = g_depth.fetch_sub(1) - 1;
    if (m_installed)
        DetachInterruptHandler(depth);
    Bind(m_previous, m_previousOnce);
}

void InstallProgramInterruptHook(InterruptHook::Handler handler, void* context) {
    g_programBinding = {handler, context};
    Bind(&g_programBinding, true);
    g_received.store(false);
    if (AttachInterruptHandler(true, 0))
        g_depth.store(1); // the hooks made later nest inside this one
}

void InstallEndRequestHook(InterruptHook::Handler handler, void* context) {
    g_endRequestBinding = {handler, context};
    g_endBinding.store(&g_endRequestBinding);
    AttachEndRequestHandler();
}

bool InterruptReceived() {
    return g_received.load();
}

bool SimulateInterrupt() {
    // After a once hook has fired, Ctrl+C would end the program.
    if (!g_binding.load() || (g_once.load() && g_fired.load()))
        return false;
    return RaiseInterrupt();
}

} // namespace dz::platform
