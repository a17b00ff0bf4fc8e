#pragma once
// Inside the platform layer: which hook Ctrl+C and the end requests reach is
// kept once, in interrupt_binding.cpp, for both systems; each system's
// console.cpp only makes the system call the two deliveries below.
#include "platform/console.h"

namespace dz::platform::interrupt_binding {

// What each system's console.cpp provides.

// Makes Ctrl+C call DeliverInterrupt, for the hook `depth` hooks inside the
// outermost (0); with once, the system's own handling comes back after one
// Ctrl+C where it can. False when the system did not take it.
bool AttachInterruptHandler(bool once, int depth);
// Undoes the AttachInterruptHandler of the hook `depth` deep.
void DetachInterruptHandler(int depth);
// Makes Ctrl+C and the requests to end the program call DeliverEndRequest.
void AttachEndRequestHandler();
// Ctrl+C as the system delivers it; the hook's handler has run when it returns.
bool RaiseInterrupt();

// What the systems' handlers call; they touch lock-free atomics only.

// Hands Ctrl+C to the newest hook. False when the hook was a once hook that
// had fired already: the system's own handling (ending the program) is due.
bool DeliverInterrupt();
// Hands a request to end the program to the end-request hook.
void DeliverEndRequest();

} // namespace dz::platform::interrupt_binding
