#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/entry_deletion.h"
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
    CSortStringArray names;
    if (!SortedEntryNames(options.names, names, err))
        return kExitUsage;

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
    // A recording whose companion could not be read was left whole.
    if (outcome.failure == DeleteFailure::CompanionUnreadable ||
        outcome.failure == DeleteFailure::NotAnEntry) {
        PrintMessage(err, DeleteOutcomeText(outcome));
        result = kExitFailure;
    }
    for (const std::u16string& path : present) {
        if (platform::PathExists(path)) {
            PrintMessage(err, FillMessage(msg::kCouldNotDelete, path));
            result = kExitFailure;
            continue;
        }
        out << Shown(path) << '\n';
    }
    return result;
}

} // namespace dz::cli
