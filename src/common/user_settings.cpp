#include "common/user_settings.h"

#include <cstdlib>

namespace dz {
namespace {

constexpr char kProgramFolder[] = "/dezadide";
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif
constexpr int kMinVisibleWidth = 100;
constexpr int kMinVisibleHeight = 60;

std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
#ifdef _WIN32
    // Windows keeps settings in the roaming profile and caches in the local one.
    const bool cache = std::string(variable) == "XDG_CACHE_HOME";
    if (const char* set = std::getenv(cache ? "LOCALAPPDATA" : "APPDATA"); set && *set)
        return std::string(set) + "\\Dezadide";
#endif
    if (const char* set = std::getenv(variable); set && *set == '/')
        return std::string(set) + kProgramFolder;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + fallbackBelowHome + kProgramFolder;
    return {};
}

} // namespace

std::string UserSettingsFile() {
    const std::string folder = XdgFolder("XDG_CONFIG_HOME", "/.config");
    return folder.empty() ? folder : folder + kSeparator + "settings.ini";
}

std::string UserCacheFolder() {
    return XdgFolder("XDG_CACHE_HOME", "/.cache");
}

std::optional<WindowPlacement> FitPlacement(const WindowPlacement& saved, int screenWidth,
                                            int screenHeight) {
    if (saved.width < kMinVisibleWidth || saved.height < kMinVisibleHeight)
        return std::nullopt;
    const bool onScreen = saved.x + kMinVisibleWidth <= screenWidth &&
                          saved.y + kMinVisibleHeight <= screenHeight &&
                          saved.x + saved.width >= kMinVisibleWidth && saved.y >= 0;
    if (!onScreen)
        return std::nullopt;
    return saved;
}

std::array<int, kListColumns> ScaleColumns(const std::array<int, kListColumns>& widths,
                                           int oldTotal, int newTotal) {
    if (oldTotal <= 0 || newTotal <= 0)
        return widths;
    std::array<int, kListColumns> scaled{};
    for (int i = 0; i < kListColumns; ++i)
        scaled[i] = static_cast<int>(static_cast<long long>(widths[i]) * newTotal / oldTotal);
    return scaled;
}

std::array<int, kListColumns> WithNewColumns(const std::array<int, kListColumns>& widths) {
    std::array<int, kListColumns> whole = widths;
    if (whole[0] <= 0)
        return whole;
    for (int i = 1; i < kListColumns; ++i) {
        if (whole[i] >= 0)
            continue;
        const int share = whole[0] / 4;
        whole[0] -= share;
        whole[i] = share;
    }
    return whole;
}

std::u16string NearestExistingFolder(const std::u16string& folder,
                                     const std::function<bool(const std::u16string&)>& exists) {
    std::u16string path = folder;
    while (!path.empty()) {
        if (exists(path))
            return path;
        const size_t slash = path.rfind(u'/');
        if (slash == std::u16string::npos)
            return {};
        path = slash == 0 ? (path.size() > 1 ? std::u16string(u"/") : std::u16string())
                          : path.substr(0, slash);
    }
    return {};
}

} // namespace dz
