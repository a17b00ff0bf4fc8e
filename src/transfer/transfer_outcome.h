#pragma once
// How a copy, move or delete job ended, in the words shown to the user. The
// worker fills a TransferOutcome next to its reports; the window and the
// terminal tool turn it into the same text.
#include "common/SortStringArray.h"
#include "transfer/entry_deletion.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dz {

enum class TransferFailure {
    None,
    SourceUnreadable,
    DestinationUnwritable,
    DestinationFull,
    DestinationTooLarge, // a file passed its file system's size limit (FAT: 4 GiB)
    CompanionShort,
    NameTooLong, // outside the recorder's name and folder bounds
    NoMemory,
    SameFolder,   // source and destination are one folder by other paths
    WouldReplace, // a case-blind destination: two entries of the job fold alike
    SourceNotRemoved,
    NotAnEntry,        // a later part's name
    DestinationExists, // put there meanwhile (another job); it was left as it is
    ReplacedInPart,    // replacing an older copy failed half-way: neither is there
    PartsBeyondCount,  // the companion counts fewer parts than the folder holds
    SourceChanged,     // a source file changed or was replaced while the job ran
    VerifyFailed,      // the copy read back from the disk differed; it was removed
};

struct TransferOutcome {
    int32_t total = 0;
    int32_t done = 0;      // entries complete (a move: also gone at the source)
    bool finished = false; // every entry processed
    bool cancelled = false;
    TransferFailure failure = TransferFailure::None;
    int32_t failedNumber = 0; // 1-based entry of the failure, 0 when none
};

// The text after the job: empty when it finished, else the failure with its
// entry, or how far a cancelled job got.
std::u16string TransferOutcomeText(const TransferOutcome& outcome, const CSortStringArray& names,
                                   bool move);
// The text of a delete run's failure; empty when there was none.
std::u16string DeleteOutcomeText(const DeleteOutcome& outcome);

} // namespace dz
