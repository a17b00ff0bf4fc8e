#pragma once
// The rows a file list shows for a folder: one per recording (its part 1),
// one per .mp3/.mem file, in the platform's search order.
#include <string>
#include <vector>

struct FileListRow {
    std::u16string fileName;     // column 0 "File Name": recording name or file name
    std::u16string realFileName; // column 1 "Real File Name": the file on disk
    std::u16string sizeText;     // column 2 "Size(KB)"
    std::u16string dateText;     // column 3 "Date"
};

// Empty for an empty folder text or a folder that cannot be searched.
std::vector<FileListRow> ListFolderRows(const std::u16string& folder);
// The same rows; false (and no rows) when the folder cannot be searched, for
// callers that must tell an unreadable folder from an empty one.
bool ListFolderRows(const std::u16string& folder, std::vector<FileListRow>& rows);
