#include "transfer/transfer_outcome.h"

#include "common/messages.h"
#include "common/text.h"

namespace dz {

namespace {

std::u16string FailureText(TransferFailure failure, const std::u16string& entry) {
    using namespace dz::msg;
    switch (failure) {
    case TransferFailure::None:
        return {};
    case TransferFailure::SourceUnreadable:
        return FillMessage(kCouldNotReadSource, entry);
    case TransferFailure::DestinationUnwritable:
        return FillMessage(kCouldNotWriteDestination, entry);
    case TransferFailure::DestinationFull:
        return FillMessage(kDestinationFull, entry);
    case TransferFailure::DestinationTooLarge:
        return FillMessage(kDestinationTooLarge, entry);
    case TransferFailure::CompanionShort:
        return FillMessage(kCompanionShort, entry);
    case TransferFailure::NameTooLong:
        return FillMessage(kNameTooLong, entry);
    case TransferFailure::NoMemory:
        return kNoMemoryForTransfer;
    case TransferFailure::SameFolder:
        return kSameFolder;
    case TransferFailure::WouldReplace:
        return FillMessage(kWouldReplaceEarlier, entry);
    case TransferFailure::SourceNotRemoved:
        return FillMessage(kCouldNotRemoveSource, entry);
    case TransferFailure::NotAnEntry:
        return FillMessage(kNotAnEntryName, entry);
    case TransferFailure::DestinationExists:
        return FillMessage(kDestinationTaken, entry);
    case TransferFailure::ReplacedInPart:
        return FillMessage(kReplacedInPart, entry);
    case TransferFailure::PartsBeyondCount:
        return FillMessage(kPartsBeyondCount, entry);
    case TransferFailure::SourceChanged:
        return FillMessage(kSourceChanged, entry);
    case TransferFailure::VerifyFailed:
        return FillMessage(kVerifyFailed, entry);
    }
    return kTransferFailed;
}

} // namespace

std::u16string TransferOutcomeText(const TransferOutcome& outcome, const CSortStringArray& names,
                                   bool move) {
    if (outcome.failure != TransferFailure::None) {
        const size_t index = static_cast<size_t>(outcome.failedNumber - 1);
        const std::u16string entry =
            outcome.failedNumber > 0 && index < names.GetSize() ? names[index] : std::u16string();
        return FailureText(outcome.failure, entry);
    }
    if (outcome.cancelled)
        return FillCounts(move ? dz::msg::kCancelledMoved : dz::msg::kCancelledCopied, outcome.done,
                          outcome.total);
    return {};
}

std::u16string DeleteOutcomeText(const DeleteOutcome& outcome) {
    switch (outcome.failure) {
    case DeleteFailure::None:
        return {};
    case DeleteFailure::NotAnEntry:
        return FillMessage(dz::msg::kNotAnEntryName, outcome.entry);
    case DeleteFailure::CompanionUnreadable:
        return FillMessage(dz::msg::kCompanionUnreadable, outcome.entry);
    case DeleteFailure::NotRemoved:
        return FillMessage(dz::msg::kCouldNotDelete, outcome.entry);
    }
    return {};
}

} // namespace dz
