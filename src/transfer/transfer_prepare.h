#pragma once
// A copy or move made ready: what both front ends settle between their own
// checks of the folders and the job - moves an earlier run already finished,
// entries that exist at the destination (asked through the front end's own
// way of asking), and whether the rest fits the destination.
#include "common/SortStringArray.h"
#include "transfer/transfer_plan.h"
#include "transfer/transfer_worker.h"

#include <optional>
#include <string>
#include <vector>

namespace dz {

// The questions a copy or move may have to ask before its job, answered by
// each front end in its own way: the window with its dialogs, the terminal
// tool with --replace and --skip.
class TransferQuestions {
public:
    virtual ~TransferQuestions() = default;
    // Entries exist at the destination: a text refuses the job with it at
    // once, before any question; nothing asks about each entry in turn.
    virtual std::optional<std::u16string> RefuseExisting(const std::vector<std::u16string>&) {
        return std::nullopt;
    }
    // One entry that exists, with how many more are left after it.
    virtual ReplaceDecision AskReplace(const std::u16string& name, size_t remaining) = 0;
};

struct PreparedTransfer {
    enum class Status { kReady, kNothingLeft, kCancelled, kRefused };
    Status status = Status::kCancelled;
    std::u16string refusal;                   // kRefused: the text to show
    CSortStringArray names;                   // kReady: the entries the job takes
    std::vector<std::u16string> replace;      // of those, what may be replaced
    std::vector<std::u16string> movedAlready; // found finished by an earlier move
};

// The preparation of a job over names (already checked and sorted): the
// questions are asked only when entries exist at the destination.
PreparedTransfer PrepareTransfer(TransferMode mode, const std::u16string& source,
                                 const std::u16string& destination, CSortStringArray names,
                                 TransferQuestions& questions);

} // namespace dz
