#include "platform/collate.h"

#include <windows.h>

#include <mutex>

namespace dz::platform {
namespace {

std::mutex g_mutex;
std::wstring g_localeName; // empty: the user's

} // namespace

int CollateNoCase(std::u16string_view a, std::u16string_view b) {
    std::wstring name;
    {
        std::lock_guard lock(g_mutex);
        name = g_localeName;
    }
    // The plain linguistic order of the user's language, the case ignored.
    const int result = CompareStringEx(
        name.empty() ? LOCALE_NAME_USER_DEFAULT : name.c_str(),
        NORM_IGNORECASE | LINGUISTIC_IGNORECASE, reinterpret_cast<const wchar_t*>(a.data()),
        static_cast<int>(a.size()), reinterpret_cast<const wchar_t*>(b.data()),
        static_cast<int>(b.size()), nullptr, nullptr, 0);
    if (result == CSTR_LESS_THAN)
        return -1;
    if (result == CSTR_GREATER_THAN)
        return 1;
    return 0; // equal, or the call failed: the caller's tie-break decides
}

bool UseCollationLocale(const std::string& name) {
    std::wstring wide(name.begin(), name.end());
    // Windows names its locales with a hyphen: de-DE, not de_DE.UTF-8.
    if (const size_t dot = wide.find(L'.'); dot != std::wstring::npos)
        wide.resize(dot);
    for (wchar_t& c : wide) {
        if (c == L'_')
            c = L'-';
    }
    if (!wide.empty() && !IsValidLocaleName(wide.c_str()))
        return false;
    std::lock_guard lock(g_mutex);
    g_localeName = wide;
    return true;
}

} // namespace dz::platform
