#pragma once
// What every Windows file of the platform layer shares: the core's UTF-16
// texts are already what the wide Windows calls take, so a text becomes a
// call's path without passing through UTF-8.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <ctime>
#include <string>
#include <string_view>

namespace dz::platform::win32 {

inline std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

inline std::u16string Text(std::wstring_view wide) {
    return std::u16string(wide.begin(), wide.end());
}

// The full path of a text for a file call: absolute, with "/", "." and ".."
// resolved, a bare drive "E:" taken as its root (alone it would mean the
// drive's current folder), and the "\\?\" prefix once the path is too long
// for the old 260-character limit. Empty for an empty text.
std::wstring ApiPath(std::u16string_view text);

// Appends one argument to a command line (a blank first unless the line is
// empty) so that the C runtime's parser reads it back unchanged.
void AppendQuotedArgument(std::wstring& line, const std::wstring& argument);

// The full path as a plain text (no "\\?\" prefix), for comparisons.
std::u16string FullText(std::u16string_view text);

// FILETIME counts 100 ns steps since 1601; time_t seconds since 1970.
inline std::time_t TimeOf(const FILETIME& time) {
    const uint64_t ticks = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    constexpr uint64_t kTicksTo1970 = 116444736000000000ull;
    if (ticks < kTicksTo1970)
        return 0;
    return static_cast<std::time_t>((ticks - kTicksTo1970) / 10000000ull);
}

// A handle that closes itself.
class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~Handle() {
        if (m_h != INVALID_HANDLE_VALUE && m_h != nullptr)
            CloseHandle(m_h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }

private:
    HANDLE m_h;
};

} // namespace dz::platform::win32
