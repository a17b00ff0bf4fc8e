#pragma once
// Helpers for window tests: the wx application is started once by the test
// program's main; tests pump its events until what they wait for happens.
#include <chrono>
#include <functional>

namespace dz::test {

// Handles every pending event, once.
void PumpEvents();
// Pumps events until pred() holds or the time runs out; returns pred().
bool PumpUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Pumps events for the given time (timers, posted messages).
void PumpFor(std::chrono::milliseconds time);

} // namespace dz::test
