#pragma once
// Deletion of entries: a plain file alone, a recording whole (parts 1..N by
// its companion's count, N = 1 when the companion is unreadable, then the
// companion). Failures are ignored; each path is announced before removal.
#include "common/SortStringArray.h"

#include <functional>
#include <string>

using RemoveCallback = std::function<void(const std::u16string& path)>;

// One entry's files in a folder (the worker's rollback and move use this).
void DeleteEntryFiles(const std::u16string& folder, const std::u16string& name,
                      const RemoveCallback& onRemove = {});
// Undoes the copies of a job: the destination files of the first k names, in
// list order (a cancelled copy rolls back every entry it had begun).
void RollBackCopies(const std::u16string& destinationFolder, const CSortStringArray& names,
                    size_t k);
// The Delete command's run over sorted entry names.
void DeleteEntries(const std::u16string& folder, const CSortStringArray& names,
                   const RemoveCallback& onRemove = {});
