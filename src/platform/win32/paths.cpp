// Texts <-> Windows paths. Windows names are UTF-16 like the core's texts,
// so every name is representable and nothing is ever skipped as undecodable.
#include "platform/platform.h"

#include "platform/win32/win32_text.h"

namespace dz::platform {
namespace {

bool IsDriveOnly(std::u16string_view text) {
    return text.size() == 2 && text[1] == u':' &&
           ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z'));
}

// CreateDirectoryW already stops 12 characters short of MAX_PATH.
constexpr size_t kLongPath = MAX_PATH - 12;

std::wstring FullPath(std::u16string_view text) {
    std::wstring wide = win32::Wide(text);
    if (IsDriveOnly(text))
        wide += L'\\';
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return wide;
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size())
        return wide;
    full.resize(size);
    return full;
}

} // namespace

namespace win32 {

std::wstring ApiPath(std::u16string_view text) {
    if (text.empty())
        return {};
    // Already in the form the calls take as it is.
    if (text.substr(0, 4) == u"\\\\?\\")
        return Wide(text);
    std::wstring full = FullPath(text);
    if (full.size() < kLongPath)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0) // \\server\share\...
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::u16string FullText(std::u16string_view text) {
    if (text.empty())
        return {};
    return Text(FullPath(text));
}

} // namespace win32

namespace {

// Settings roam with the user's profile; a cache stays on this machine.
std::u16string ProgramDataFolder(const wchar_t* variable) {
    const DWORD size = GetEnvironmentVariableW(variable, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(variable, value.data(), size);
    if (length == 0 || length >= size)
        return {};
    value.resize(length);
    return win32::Text(value) + u"\\Dezadide";
}

} // namespace

std::u16string UserSettingsFile() {
    const std::u16string folder = ProgramDataFolder(L"APPDATA");
    return folder.empty() ? folder : folder + u"\\settings.ini";
}

std::u16string UserCacheFolder() {
    return ProgramDataFolder(L"LOCALAPPDATA");
}

std::filesystem::path ToPath(const std::u16string& text) {
    std::wstring wide = win32::Wide(text);
    if (IsDriveOnly(text))
        wide += L'\\';
    return std::filesystem::path(std::move(wide));
}

std::optional<std::u16string> FromPath(const std::filesystem::path& path) {
    return win32::Text(path.native());
}

} // namespace dz::platform
