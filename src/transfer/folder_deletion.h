#pragma once
// Deleting entries and folders together, as the Delete command and `rm` do:
// what the selection holds (for the question), then the deletion. A folder
// goes with everything in it, its recordings each as a whole entry (parts
// from the last, the companion last); the first failure stops the run and
// names where, so no recording is left half deleted behind it.
#include "common/SortStringArray.h"
#include "transfer/entry_deletion.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dz {

// What a selection holds, folders walked to the bottom.
struct DeleteContents {
    uint32_t recordings = 0; // recordings by their part-1 .AVR files
    uint32_t files = 0;      // every other file but a recording's parts and companions
    uint32_t folders = 0;    // the folders named and those inside them
    uint64_t bytes = 0;      // every file's size
};

struct PreparedDelete {
    std::u16string folder;
    CSortStringArray entries;               // names of files and recordings, sorted
    std::vector<std::u16string> subfolders; // names of folders in `folder`
    DeleteContents contents;
    // The named folders that hold anything, or could not be read.
    std::vector<std::u16string> foldersNotEmpty;
};

// Sorts names into entries and folders and counts what they hold.
PreparedDelete PrepareDelete(const std::u16string& folder,
                             const std::vector<std::u16string>& names);

struct FolderDeleteOutcome {
    DeleteOutcome entries;   // the entries' run, which goes on past a failing entry
    std::u16string failedAt; // the file or folder where a folder's deletion stopped
};
// The entries first (as the Delete command deletes them), then each folder.
FolderDeleteOutcome RunDelete(const PreparedDelete& job, const RemoveCallback& onRemove = {});

// The question before a folder goes: "%s" its name, with what it holds.
std::u16string FolderDeleteQuestionText(const std::u16string& shownName,
                                        const DeleteContents& contents);

} // namespace dz
