#pragma once
// The rows a file list shows for a folder: one per recording (its part 1),
// one per .mp3/.mem file, in name order with the letter case ignored (the
// order of the trees), so that a folder reads the same on every platform.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dz {

struct FileListRow {
    std::u16string fileName;     // column 0 "File Name": recording name or file name
    std::u16string realFileName; // column 1 "Real File Name": the file on disk
    std::u16string sizeText;     // column 2 "Size(KB)"
    std::u16string dateText;     // column 3 "Date"
    // What the size and date columns sort by: the bytes the entry holds
    // (the companion's total size for a recording) and the shown date as
    // YYYYMMDDhhmmss.
    int64_t sizeBytes = 0;
    int64_t dateKey = 0;
    // Column 4 "Length": the running time once its stream has been read
    // ("?" when the stream does not tell), empty until then and for plain
    // files. lengthKey sorts it: the 90 kHz ticks, or -1 when not known.
    std::u16string lengthText;
    int64_t lengthKey = -1;
    // Why a recording is not whole, from what the listing read anyway (its
    // companion and whether its last part is there); empty when it is.
    std::u16string problem;
};

// The columns a list can be sorted by, and the direction.
enum class RowSortColumn { Name = 0, Size = 1, Date = 2, Length = 3 };
struct RowSort {
    RowSortColumn column = RowSortColumn::Name;
    bool descending = false;
    bool operator==(const RowSort&) const = default;
};
// Name order compares the shown names in the program's order of names
// (CSortStringArray::Compare), then the real file names; size and date fall
// back on name order for equal values, and so does length, where a length
// not known yet (or not at all) comes before every known one. Descending reverses the whole order.
void SortRows(std::vector<FileListRow>& rows, RowSort sort);
// A header click: the same column again reverses, another column sorts
// ascending by it.
RowSort NextSort(RowSort current, RowSortColumn clicked);

// What a row shows and sorts by once its recording's length has been read
// (nothing when the stream does not tell).
void ShowLengthInRow(FileListRow& row, const std::optional<int64_t>& ticks);

// The order a list's rows are read in: from the top visible row down to the
// end, then those above it, so what the user looks at fills in first and the
// rest follows in the direction a list is most often scrolled. A top row
// beyond the end reads the rows in order.
std::vector<size_t> VisibleFirstOrder(size_t rows, size_t topVisible);

// Empty for an empty folder text or a folder that cannot be searched.
std::vector<FileListRow> ListFolderRows(const std::u16string& folder);
// The same rows; false (and no rows) when the folder cannot be searched, for
// callers that must tell an unreadable folder from an empty one.
bool ListFolderRows(const std::u16string& folder, std::vector<FileListRow>& rows);

} // namespace dz
