#pragma once
// What a terminal program needs of the operating system: its arguments as
// UTF-8, whether progress has a terminal to go to, and Ctrl+C. Only
// dezadide-cli uses it.
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

// While the object lives, Ctrl+C calls handler instead of ending the program.
// handler runs in a signal handler or on a thread of the system's, so it may
// only touch lock-free atomics. With once, a second Ctrl+C ends the program
// as usual (a stuck job can still be left). One hook at a time.
class InterruptHook {
public:
    using Handler = void (*)();
    InterruptHook(Handler handler, bool once);
    ~InterruptHook();
    InterruptHook(const InterruptHook&) = delete;
    InterruptHook& operator=(const InterruptHook&) = delete;

private:
    bool m_installed = false;
};

// Behaves as if the user pressed Ctrl+C, before it returns (tests): the hook's
// handler runs. False, and nothing happens, when no hook would take it.
bool SimulateInterrupt();

// From now on a Ctrl+C that no hook takes is noted instead of ending the
// program: main calls it first, so that one pressed during start-up, or
// after a job's hook has gone, becomes an outcome a command reports.
void NoteInterrupts();
// Whether a Ctrl+C was noted since the last call; clears the note.
bool TakeNotedInterrupt();
// Back to the system's default: Ctrl+C ends the program, at once when one
// was noted meanwhile (for commands that report no cancel of their own).
void EndNotingInterrupts();

} // namespace dz::platform
