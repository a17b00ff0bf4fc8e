// Starting another program by name, as a shell would find it.
#include "platform/desktop.h"

#include "common/text.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace dz::desktop {

bool StartProgram(const std::u16string& program, const std::vector<std::string>& arguments,
                  ProcessInfo& info) {
    info = ProcessInfo{};
    const std::string name = ToUtf8(program);
    std::vector<std::string> args;
    args.reserve(arguments.size() + 1);
    args.push_back(name);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawnp(&pid, name.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    info.processId = pid;
    // Nobody waits for the program; a waiter of its own keeps its exit
    // status from lingering as a zombie for the rest of this session.
    try {
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread for the waiter: the program runs all the same, and its
        // exit status lingers until this process ends.
    }
    return true;
}

} // namespace dz::desktop
