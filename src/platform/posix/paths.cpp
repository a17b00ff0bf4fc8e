// Texts <-> native paths. Linux file names are bytes; this system reads them
// as UTF-8, the encoding every desktop here writes.
#include "platform/platform.h"

#include "common/text.h"

#include <cstdlib>

namespace dz::platform {
namespace {

constexpr char kProgramFolder[] = "/dezadide";

// An XDG folder when it is set to an absolute path, else its place below
// the home folder; the program's own folder below either.
std::u16string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    if (const char* set = std::getenv(variable); set && *set == '/')
        return FromUtf8(std::string(set) + kProgramFolder).value_or(u"");
    if (const char* home = std::getenv("HOME"); home && *home)
        return FromUtf8(std::string(home) + fallbackBelowHome + kProgramFolder).value_or(u"");
    return {};
}

} // namespace

std::u16string UserSettingsFile() {
    const std::u16string folder = XdgFolder("XDG_CONFIG_HOME", "/.config");
    return folder.empty() ? folder : folder + u"/settings.ini";
}

std::u16string UserCacheFolder() {
    return XdgFolder("XDG_CACHE_HOME", "/.cache");
}

std::filesystem::path ToPath(const std::u16string& text) {
    return std::filesystem::path(ToUtf8(text));
}

std::optional<std::u16string> FromPath(const std::filesystem::path& path) {
    return FromUtf8(path.native());
}

} // namespace dz::platform
