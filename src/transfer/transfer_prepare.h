#pragma once
// A copy or move made ready: what both front ends settle between their own
// checks of the folders and the job - moves an earlier run already finished,
// entries that exist at the destination (asked through the front end's own
// way of asking), and whether the rest fits the destination.
#include "common/SortStringArray.h"
#include "transfer/transfer_worker.h"

#include <functional>
#include <string>
#include <vector>

namespace dz {

// The front end's answer about the entries that exist at the destination:
// go on without the skipped ones (the others are replaced), cancel, or
// refuse with a text.
struct ExistingAnswer {
    bool go = false;
    std::vector<std::u16string> skipped;
    std::u16string refusal; // when not going on: why, or empty for a plain cancel
};
using ExistingDecider = std::function<ExistingAnswer(const std::vector<std::u16string>& existing)>;

struct PreparedTransfer {
    enum class Status { kReady, kNothingLeft, kCancelled, kRefused };
    Status status = Status::kCancelled;
    std::u16string refusal;                   // kRefused: the text to show
    CSortStringArray names;                   // kReady: the entries the job takes
    std::vector<std::u16string> replace;      // of those, what may be replaced
    std::vector<std::u16string> movedAlready; // found finished by an earlier move
};

// The preparation of a job over names (already checked and sorted):
// decide is asked only when entries exist at the destination.
PreparedTransfer PrepareTransfer(TransferMode mode, const std::u16string& source,
                                 const std::u16string& destination, CSortStringArray names,
                                 const ExistingDecider& decide);

} // namespace dz
