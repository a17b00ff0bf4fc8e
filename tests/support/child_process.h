#pragma once
// Runs a program as a child process with its own environment, and collects
// what it printed and how it ended. The integrity tests run dezadide-cli and
// the mount tools this way.
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dz::test {

struct ProcessResult {
    int exitCode = -1; // -1 when the process did not exit by itself
    int signal = 0;    // the signal that ended it, or 0
    std::string out, err;

    bool exitedWith(int code) const { return signal == 0 && exitCode == code; }
    std::string describe() const; // "exit 1" or "signal 9", then stderr
};

// Changes to the inherited environment: a value sets the variable, nothing
// removes it.
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

// The program is looked up in PATH. A child still running after `timeout`
// is killed (its result then has signal 9).
ProcessResult RunProcess(const std::vector<std::string>& argv, const EnvChanges& env = {},
                         std::chrono::milliseconds timeout = std::chrono::minutes(2));

} // namespace dz::test
