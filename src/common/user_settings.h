#pragma once
// What the window remembers between starts, as plain values, and the rules
// for reading them back: a window placement that still fits the screen, column widths scaled with
// the window, and a remembered folder that has gone.
#include <array>
#include <optional>
#include <string>

namespace dz {

struct WindowPlacement {
    int x = 0, y = 0, width = 0, height = 0;
    bool maximised = false;
};

inline constexpr int kRememberedRows = 2;
// File name, real file name, size, date, length.
inline constexpr int kListColumns = 5;

struct LayoutSettings {
    std::optional<WindowPlacement> window;
    int treeColumnWidth = -1; // -1: not remembered
    int rowHeight = -1;
    int rowAreaHeight = -1; // the height of both rows that rowHeight belongs to
    std::array<std::array<int, kListColumns>, kRememberedRows> columnWidths{};
    // The list width the column widths belong to; 0: not remembered.
    std::array<int, kRememberedRows> listWidth{};
    std::array<std::u16string, kRememberedRows> folders;
    std::array<int, kRememberedRows> sortColumn{}; // 0 name, 1 size, 2 date, 3 length
    std::array<bool, kRememberedRows> sortDescending{};
    bool confirmDelete = true;
    // The pane below each list that shows the selected recording's picture.
    bool detailsPane = false;
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

// Remembered widths (-1: not remembered) made whole: a column the settings
// do not know yet, because they were written before it existed, takes a
// quarter of the file name column rather than opening zero wide. Nothing
// changes when the name column itself is not remembered.
std::array<int, kListColumns> WithNewColumns(const std::array<int, kListColumns>& widths);

} // namespace dz
