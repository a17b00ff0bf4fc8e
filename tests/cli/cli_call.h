#pragma once
// A command's run as the terminal sees it: its exit status and what it wrote
// to standard output and standard error.
#include <sstream>
#include <string>

namespace dz::test {

struct Outcome {
    int status;
    std::string out, err;
};

// Runs a command's function with its options into string streams.
template <class Options, class Fn> Outcome Call(Fn fn, const Options& options) {
    std::ostringstream out, err;
    const int status = fn(options, out, err);
    return {status, out.str(), err.str()};
}

} // namespace dz::test
