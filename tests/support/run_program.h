#pragma once
// Runs another program and collects what it prints: the built dezadide-cli,
// and ffprobe as an independent reader of converter output.
#include <filesystem>
#include <string>
#include <vector>

namespace dz::test {

// Runs program (a path, or a name looked up along PATH) with the arguments
// given as UTF-8, and waits for it. Standard output goes to *output;
// standard error goes to errFile, or joins the output when errFile is empty.
// Gives the exit status, or -1 when the program could not be run or did not
// exit normally.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::string* output = nullptr, const std::filesystem::path& errFile = {});

// What ffprobe prints on its standard output for these arguments; its
// complaints are dropped. DEZADIDE_FFPROBE names it where it is not on PATH.
// A Windows test program under Wine runs the Linux ffprobe.
std::string RunFfprobe(const std::vector<std::string>& arguments);
// A file's path as ffprobe takes it: under Wine the Linux ffprobe needs the
// file's Linux path.
std::string FfprobePath(const std::filesystem::path& file);

} // namespace dz::test
