#include "support/run_program.h"

#include "support/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/win32_text.h"
#else
#include <sys/wait.h>
#endif

namespace dz::test {
namespace {

#ifdef _WIN32

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// A name without a folder is looked up along PATH with ".exe"; a path is
// taken as it is (CreateProcessW would append ".exe" to it otherwise, and
// Wine runs a Linux program by its path without one).
std::wstring ApplicationOf(const std::string& program) {
    const std::wstring wide = Wide(program);
    if (wide.find_first_of(L"\\/") != std::wstring::npos)
        return wide;
    wchar_t found[MAX_PATH];
    if (SearchPathW(nullptr, wide.c_str(), L".exe", MAX_PATH, found, nullptr) == 0)
        return wide;
    return found;
}

#else

// One word for the shell, whatever bytes it holds.
std::string Quoted(const std::string& argument) {
    std::string q = "'";
    for (const char c : argument) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

#endif

} // namespace

#ifdef _WIN32

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::string* output, const std::filesystem::path& errFile) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE errHandle = writeEnd;
    if (!errFile.empty()) {
        errHandle = CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    const std::wstring application = ApplicationOf(program);
    std::wstring line;
    platform::win32::AppendQuotedArgument(line, Wide(program));
    for (const std::string& argument : arguments)
        platform::win32::AppendQuotedArgument(line, Wide(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = errHandle;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    // Only the child holds the write ends now, so the read below ends with it.
    CloseHandle(writeEnd);
    if (errHandle != writeEnd && errHandle != INVALID_HANDLE_VALUE)
        CloseHandle(errHandle);
    std::string text;
    char buf[4096];
    DWORD n = 0;
    while (started && ::ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0)
        text.append(buf, n);
    CloseHandle(readEnd);
    if (output)
        *output = text;
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    const BOOL known = GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return known ? static_cast<int>(status) : -1;
}

#else

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::string* output, const std::filesystem::path& errFile) {
    std::string command = Quoted(program);
    for (const std::string& argument : arguments)
        command += " " + Quoted(argument);
    command += errFile.empty() ? " 2>&1" : " 2>" + Quoted(errFile.string());
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        text.append(buf, n);
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

#ifdef _WIN32
namespace {

// Wine's kernel32 translates between Windows and Linux paths; Windows itself
// has no such calls, so on Windows these are null.
template <class Fn> Fn WineCall(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

std::string ShellQuoted(const std::string& argument) {
    std::string q = "'";
    for (const char c : argument)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Wine starts a Linux program from a Windows one, but hands it neither the
// standard handles nor a process handle to wait on: a shell writes the
// output to a file and leaves a mark when it is done.
std::string RunLinuxProgram(const std::string& program, const std::vector<std::string>& arguments) {
    using UnixName = char* (*)(const wchar_t*);
    const auto unixName = WineCall<UnixName>("wine_get_unix_file_name");
    const TempDir scratch;
    char* folder = unixName(scratch.path().c_str());
    if (!folder)
        return {};
    const std::string linuxFolder = folder;
    HeapFree(GetProcessHeap(), 0, folder);
    std::string script = ShellQuoted(program);
    for (const std::string& argument : arguments)
        script += " " + ShellQuoted(argument);
    script += " >" + ShellQuoted(linuxFolder + "/out") + " 2>/dev/null; echo >" +
              ShellQuoted(linuxFolder + "/done");
    std::wstring line = L"/bin/sh -c ";
    std::wstring quoted;
    platform::win32::AppendQuotedArgument(quoted, Wide(script));
    line += quoted;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return {};
    for (int waited = 0; waited < 600 && !std::filesystem::exists(scratch / "done"); ++waited)
        Sleep(100);
    std::ifstream in(scratch / "out", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace
#endif

std::string RunFfprobe(const std::vector<std::string>& arguments) {
    const char* named = std::getenv("DEZADIDE_FFPROBE");
    const std::string program = named && *named ? named : "ffprobe";
#ifdef _WIN32
    if (!(named && *named) && WineCall<void (*)()>("wine_get_unix_file_name"))
        return RunLinuxProgram("ffprobe", arguments);
#endif
    const TempDir scratch;
    std::string output;
    RunProgram(program, arguments, &output, scratch / "stderr.txt");
    return output;
}

std::string FfprobePath(const std::filesystem::path& file) {
#ifdef _WIN32
    using UnixName = char* (*)(const wchar_t*);
    if (const auto unixName = WineCall<UnixName>("wine_get_unix_file_name")) {
        if (char* name = unixName(std::filesystem::absolute(file).c_str())) {
            std::string path(name);
            HeapFree(GetProcessHeap(), 0, name);
            return path;
        }
    }
#endif
    return file.string();
}

} // namespace dz::test
