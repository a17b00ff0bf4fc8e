#include "transfer/transfer_prepare.h"

#include <optional>

namespace dz {

PreparedTransfer PrepareTransfer(TransferMode mode, const std::u16string& source,
                                 const std::u16string& destination, CSortStringArray names,
                                 TransferQuestions& questions) {
    PreparedTransfer prepared;
    const bool move = mode == TransferMode::Move;
    // A move retried after it had removed its whole source has nothing left to do.
    if (move) {
        prepared.movedAlready = MovedAlready(source, destination, names);
        names = WithoutEntries(names, prepared.movedAlready);
    }
    if (const std::vector<std::u16string> existing =
            ExistingEntries(destination, names, source, move);
        !existing.empty()) {
        if (std::optional<std::u16string> refusal = questions.RefuseExisting(existing)) {
            prepared.status = PreparedTransfer::Status::kRefused;
            prepared.refusal = std::move(*refusal);
            return prepared;
        }
        const std::optional<std::vector<std::u16string>> skipped =
            DecideExisting(existing, [&](const std::u16string& name, size_t remaining) {
                return questions.AskReplace(name, remaining);
            });
        if (!skipped) {
            prepared.status = PreparedTransfer::Status::kCancelled;
            return prepared;
        }
        names = WithoutEntries(names, *skipped);
        prepared.replace = WithoutEntries(existing, *skipped);
    }
    if (names.IsEmpty()) {
        prepared.status = PreparedTransfer::Status::kNothingLeft;
        return prepared;
    }
    if (std::optional<std::u16string> refusal = CheckFreeSpace(source, destination, names)) {
        prepared.status = PreparedTransfer::Status::kRefused;
        prepared.refusal = std::move(*refusal);
        return prepared;
    }
    prepared.status = PreparedTransfer::Status::kReady;
    prepared.names = std::move(names);
    return prepared;
}

} // namespace dz
