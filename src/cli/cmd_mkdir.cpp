#include "cli/commands.h"

#include "common/messages.h"
#include "transfer/new_folder.h"
#include "transfer/transfer_checks.h"

#include <ostream>

namespace dz::cli {

int RunMkdir(const MkdirOptions& options, std::ostream& out, std::ostream& err) {
    if (const CheckMessage message = CheckNewFolder(true, options.parent)) {
        PrintMessage(err, *message);
        return kExitFailure;
    }
    // The window's box ends silently on an empty name; a command that was
    // given one made nothing, which a script must hear.
    const NewFolderResult made = MakeNewFolder(options.parent, options.name);
    switch (made.status) {
    case NewFolderStatus::kMade:
        break;
    case NewFolderStatus::kNoName:
        PrintMessage(err, msg::kFolderNameEmpty);
        return kExitUsage;
    case NewFolderStatus::kNameTooLong:
    case NewFolderStatus::kBadName:
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
