// Free space, volume labels and processes, from the volume and process calls.
#include "platform/platform.h"
#include "platform/win32/win32_text.h"

namespace dz::platform {

std::optional<uint64_t> FreeSpace(const std::u16string& path) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(win32::ApiPath(path).c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

std::u16string VolumeLabel(const std::u16string& driveRoot) {
    std::wstring root = win32::Wide(win32::FullText(driveRoot));
    if (root.empty())
        return {};
    if (root.back() != L'\\')
        root += L'\\';
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                               nullptr, 0))
        return {};
    return win32::Text(label);
}

int CurrentProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

bool ProcessIsRunning(int processId) {
    if (processId <= 0)
        return false;
    const win32::Handle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId)));
    if (!process.valid())
        // A process that exists but may not be opened is still running.
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    return GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

namespace win32 {

// One argument as the C runtime's command-line parser reads it back:
// quoted when it holds blanks or quotes, backslashes doubled before a quote.
void AppendQuotedArgument(std::wstring& line, const std::wstring& argument) {
    if (!line.empty())
        line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

} // namespace win32

} // namespace dz::platform
