#include "cli/commands.h"

#include "platform/platform.h"
#include "transfer/entry_deletion.h"
#include "transfer/transfer_checks.h"

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
    std::vector<std::u16string> present;
    DeleteEntries(options.folder, names, [&](const std::u16string& path) {
        if (platform::PathExists(path))
            present.push_back(path);
    });
    int result = kExitOk;
    for (const std::u16string& path : present) {
        if (platform::PathExists(path)) {
            PrintMessage(err, u"Could not delete " + path);
            result = kExitFailure;
            continue;
        }
        out << Shown(path) << '\n';
    }
    return result;
}

} // namespace dz::cli
