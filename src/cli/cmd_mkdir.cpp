#include "cli/commands.h"

#include "transfer/new_folder.h"
#include "transfer/transfer_checks.h"

#include <ostream>

namespace dz::cli {

int RunMkdir(const MkdirOptions& options, std::ostream& out, std::ostream& err) {
    if (const CheckMessage message = CheckNewFolder(true, options.parent)) {
        PrintMessage(err, *message);
        return kExitFailure;
    }
    // An empty name ends the command without a word, as in the window.
    const NewFolderResult made = MakeNewFolder(options.parent, options.name);
    switch (made.status) {
    case NewFolderStatus::kMade:
        break;
    case NewFolderStatus::kNoName:
        return kExitOk;
    case NewFolderStatus::kNameTooLong:
        PrintMessage(err, made.message);
        return kExitUsage;
    case NewFolderStatus::kNotMade:
        PrintMessage(err, made.message);
        return kExitFailure;
    }
    out << Shown(made.path) << '\n';
    return kExitOk;
}

} // namespace dz::cli
