#pragma once
// Deletion of entries: a plain file alone, a recording whole (parts by its
// companion's count, 1 when the companion is missing or shorter than its
// head, then the companion). Each path is announced before removal.
#include "common/SortStringArray.h"

#include <functional>
#include <string>

namespace dz {

using RemoveCallback = std::function<void(const std::u16string& path)>;

enum class DeleteFailure {
    None,
    // A later part's name (or another name no list row carries): nothing is
    // deleted, since the files it would lead to are not the ones named.
    NotAnEntry,
    // The companion is there but cannot be read: its part count is unknown,
    // so nothing is deleted rather than leaving parts nobody can see.
    CompanionUnreadable,
    // A file of the entry is still there afterwards (protected, I/O error).
    NotRemoved,
};

// One entry's files in a folder (the worker's rollback and move use this).
// A recording loses its parts from the last to the first, then its companion:
// a deletion cut short leaves the companion and part 1, so the entry is still
// listed and deleting (or moving) it again finishes the job.
DeleteFailure DeleteEntryFiles(const std::u16string& folder, const std::u16string& name,
                               const RemoveCallback& onRemove = {});
// Undoes the copies of a job: the destination files of the first k names, in
// list order.
void RollBackCopies(const std::u16string& destinationFolder, const CSortStringArray& names,
                    size_t k);

// The Delete command's run over sorted entry names. It goes on past a
// failing entry; the first failure is kept for the message.
struct DeleteOutcome {
    DeleteFailure failure = DeleteFailure::None;
    std::u16string entry; // the entry that failed first
};
DeleteOutcome DeleteEntries(const std::u16string& folder, const CSortStringArray& names,
                            const RemoveCallback& onRemove = {});
// Whether a name is one a list row gives for an entry: a plain file, or the
// part-1 file of a recording.
bool IsEntryOwnName(const std::u16string& name);

} // namespace dz
