#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/entry_rename.h"

#include <ostream>

namespace dz::cli {

int RunRename(const RenameOptions& options, std::ostream& out, std::ostream& err) {
    if (options.folder.empty()) {
        PrintMessage(err, msg::kNoFolder);
        return kExitFailure;
    }
    const PreparedRename job = PrepareRename(options.folder, options.oldName, options.newName);
    if (job.status == PreparedRename::Status::kRefused) {
        PrintMessage(err, job.refusal);
        return kExitFailure;
    }
    const RenameOutcome outcome = RunRename(job);
    if (!outcome.done) {
        PrintMessage(err, outcome.message);
        return kExitFailure;
    }
    if (job.finishesEarlier)
        PrintMessage(err, FillMessage(msg::kRenameFinished, job.oldName));
    // The entry's new name as the list's readers take it: scripts go on with it.
    out << Shown(platform::JoinPath(options.folder, job.newName)) << '\n';
    return kExitOk;
}

} // namespace dz::cli
