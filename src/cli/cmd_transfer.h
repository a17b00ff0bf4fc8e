#pragma once
// cp / mv SRC DST NAME...: one copy or move job, with the window's checks,
// messages, sorting and rollback. Progress goes to err while it is a
// terminal; Ctrl+C cancels the job as the dialog's Cancel does.
#include "transfer/transfer_worker.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace dz::cli {

// What happens to entries that already exist at the destination: by default
// the job is refused before anything is written.
enum class OnExisting { Refuse, Replace, Skip };

struct TransferOptions {
    TransferMode mode = TransferMode::Copy;
    std::u16string source;
    std::u16string destination;
    std::vector<std::u16string> names;
    // Progress lines on err; nothing = only when standard error is a terminal.
    std::optional<bool> progress;
    // Sees every report after the command itself (tests step in here).
    std::function<void(const ProgressReport&)> onReport;
    OnExisting existing = OnExisting::Refuse;
    // Read every copy back from the disk once it is in place (--verify).
    bool verify = false;
};
int RunTransfer(const TransferOptions& options, std::ostream& out, std::ostream& err);

} // namespace dz::cli
