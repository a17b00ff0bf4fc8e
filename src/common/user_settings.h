#pragma once
// What the window remembers between starts, as plain values, and the rules
// for reading them back: where the settings and the cache live, a window
// placement that still fits the screen, column widths scaled with the
// window, and a remembered folder that has gone.
#include <array>
#include <functional>
#include <optional>
#include <string>

namespace dz {

// $XDG_CONFIG_HOME/dezadide/settings.ini, else ~/.config/dezadide/...;
// empty when neither variable is set.
std::string UserSettingsFile();
// $XDG_CACHE_HOME/dezadide, else ~/.cache/dezadide; empty when unknown.
std::string UserCacheFolder();

struct WindowPlacement {
    int x = 0, y = 0, width = 0, height = 0;
    bool maximised = false;
};

inline constexpr int kRememberedRows = 2;
inline constexpr int kListColumns = 4;

struct LayoutSettings {
    std::optional<WindowPlacement> window;
    int treeColumnWidth = -1; // -1: not remembered
    int rowHeight = -1;
    int rowAreaHeight = -1; // the height of both rows that rowHeight belongs to
    std::array<std::array<int, kListColumns>, kRememberedRows> columnWidths{};
    // The list width the column widths belong to; 0: not remembered.
    std::array<int, kRememberedRows> listWidth{};
    std::array<std::u16string, kRememberedRows> folders;
    std::array<int, kRememberedRows> sortColumn{}; // 0 name, 1 size, 2 date
    std::array<bool, kRememberedRows> sortDescending{};
    bool confirmDelete = true;
    // Each copied entry is read back from the disk and compared.
    bool verifyAfterCopy = false;
};

// The placement when at least a corner of 100 x 60 pixels of it lies on a
// screen of the given size, and its size is at least that; else nothing
// (the window then opens at its default place).
std::optional<WindowPlacement> FitPlacement(const WindowPlacement& saved, int screenWidth,
                                            int screenHeight);

// Column widths that fill newTotal in the proportions they filled oldTotal;
// a zero-width column stays zero. Unchanged when oldTotal is not positive.
std::array<int, kListColumns> ScaleColumns(const std::array<int, kListColumns>& widths,
                                           int oldTotal, int newTotal);

// The folder itself when it exists, else its nearest parent that does;
// empty when none does (or the text is empty).
std::u16string NearestExistingFolder(const std::u16string& folder,
                                     const std::function<bool(const std::u16string&)>& exists);

} // namespace dz
