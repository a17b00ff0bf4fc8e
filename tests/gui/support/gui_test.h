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
// Runs the event loop until it has nothing left to do: no event waits, no
// posted call and no idle handler asks for more. What a test then finds is
// all that what it did before has caused on this thread (a worker's later
// report is not waited for: wait for that report itself).
void PumpUntilIdle();

// Makes every failed toolkit check (wxASSERT inside wxWidgets) a failure of
// the test that runs; the test program arms it before the toolkit starts.
// A test that replaces the handler for a while sets it back with this.
void FailTestsOnToolkitAssertions();
// How many toolkit checks failed since the program started.
int ToolkitAssertionCount();

} // namespace dz::test
