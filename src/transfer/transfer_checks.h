#pragma once
// What the copy, move, Delete and New Folder commands check and collect
// before any work starts. The window reads its panes and calls these; the
// terminal tool calls them with its arguments, so both say the same thing.
#include "common/SortStringArray.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dz {

// The message to show, or nothing when the command may go on.
using CheckMessage = std::optional<std::u16string_view>;

// Copy and move: source folder, a selected row, destination folder, and two
// different folders, checked in that order. Folder texts are empty while
// nothing is selected in their tree.
CheckMessage CheckTransfer(const std::u16string& sourceFolder, bool hasSelection,
                           const std::u16string& destinationFolder);
// Whole texts equal with A-Z folded: E:\Rec and e:\REC are one folder.
bool IsSameFolder(std::u16string_view a, std::u16string_view b);

// Delete: the focus on a file list, a selection in it, and a folder in its row.
CheckMessage CheckDelete(bool fileListFocused, bool hasSelection, const std::u16string& folder);
// New Folder: the focus on a folder tree that has a folder selected.
CheckMessage CheckNewFolder(bool folderTreeFocused, const std::u16string& parentFolder);

// A list row's texts are read into 255-character buffers.
inline constexpr size_t kMaxRowTextLength = 254;

// The entry a row stands for: the shown name of a .mp3/.mem file, else the
// file on disk from the hidden column (a recording's part 1).
std::u16string EntryNameOfRow(std::u16string_view column0, std::u16string_view column1);

struct SelectedRow {
    std::u16string column0; // "File Name"
    std::u16string column1; // "Real File Name"
};
// The entry names of the selected rows, taken in list order, then sorted.
CSortStringArray CollectEntryNames(const std::vector<SelectedRow>& rows);

// A text a list row could hold as an entry name: one file name in the
// folder, not a path that leads elsewhere.
bool IsEntryName(std::u16string_view name);

} // namespace dz
