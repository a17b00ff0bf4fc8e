#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/entry_deletion.h"
#include "transfer/folder_deletion.h"
#include "transfer/transfer_checks.h"
#include "transfer/transfer_outcome.h"
#include "transfer/transfer_plan.h"

#include <ostream>

namespace dz::cli {

int RunRm(const RmOptions& options, std::ostream& out, std::ostream& err) {
    if (const CheckMessage message = CheckDelete(true, !options.names.empty(), options.folder)) {
        PrintMessage(err, *message);
        return kExitFailure;
    }
    // Folders of FOLDER go with everything in them; the rest are entries. A
    // name of an entry's kind (a folder called x.mp3) stays an entry name, as
    // it always was here: such a folder is no row of the list.
    std::vector<std::u16string> entryNames, folderNames;
    for (const std::u16string& name : options.names) {
        if (IsEntryName(name) && KindOf(name) == EntryKind::kOther &&
            platform::FolderExists(platform::JoinPath(options.folder, name)))
            folderNames.push_back(name);
        else
            entryNames.push_back(name);
    }
    CSortStringArray names;
    if (!SortedEntryNames(entryNames, names, err))
        return kExitUsage;
    const PreparedDelete folders = PrepareDelete(options.folder, folderNames);
    if (!folders.foldersNotEmpty.empty() && !options.recursive) {
        for (const std::u16string& name : folders.foldersNotEmpty)
            PrintMessage(err, FillMessage(msg::kFolderNotEmpty, name));
        return kExitFailure;
    }

    // The run passes over parts that never existed; only what was there
    // counts as removed, and what is still there afterwards as a failure.
    // An entry with no file at all did nothing, which the caller must hear.
    int result = kExitOk;
    for (const std::u16string& name : names.Items()) {
        if (!platform::PathExists(platform::JoinPath(options.folder, name)) &&
            EntryFiles(options.folder, name).empty()) {
            PrintMessage(err, FillMessage(msg::kNoSuchEntry, name));
            result = kExitFailure;
        }
    }
    std::vector<std::u16string> present;
    const DeleteOutcome outcome =
        DeleteEntries(options.folder, names, [&](const std::u16string& path) {
            if (platform::PathExists(path))
                present.push_back(path);
        });
    const FolderDeleteOutcome folderOutcome = RunDelete(folders, [&](const std::u16string& path) {
        if (platform::PathExists(path))
            present.push_back(path);
    });
    if (!folderOutcome.failedAt.empty()) {
        PrintMessage(err, FillMessage(msg::kCouldNotDeleteFolder, folderOutcome.failedAt));
        result = kExitFailure;
    }
    // A recording whose companion could not be read was left whole.
    if (outcome.failure == DeleteFailure::CompanionUnreadable ||
        outcome.failure == DeleteFailure::NotAnEntry) {
        PrintMessage(err, DeleteOutcomeText(outcome));
        result = kExitFailure;
    }
    for (const std::u16string& path : present) {
        if (platform::PathExists(path)) {
            if (path == folderOutcome.failedAt)
                continue; // said above, with where it stopped
            PrintMessage(err, FillMessage(msg::kCouldNotDelete, path));
            result = kExitFailure;
            continue;
        }
        out << Shown(path) << '\n';
    }
    return result;
}

} // namespace dz::cli
