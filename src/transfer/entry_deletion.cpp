#include "transfer/entry_deletion.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/recording_files.h"

namespace dz {

namespace {

// True when nothing is left under the path.
bool Remove(const std::u16string& path, const RemoveCallback& onRemove) {
    if (onRemove)
        onRemove(path);
    return dz::platform::DeleteIfPresent(path);
}

DeleteFailure DeleteRecording(const std::u16string& path, const RemoveCallback& onRemove) {
    std::optional<RecordingFiles> recording = RecordingFiles::Of(path);
    if (!recording) {
        // No "_#": the name promises no other part, and a companion only
        // by its own name.
        if (!Remove(path, onRemove))
            return DeleteFailure::NotRemoved;
        return Remove(dz::platform::ResolveCase(CompanionPathOf(path)), onRemove)
                   ? DeleteFailure::None
                   : DeleteFailure::NotRemoved;
    }
    // A missing companion, or one shorter than its head, leaves part 1 as all
    // the name promises. One that is there but cannot be read hides how many
    // parts there are: deleting part 1 and the companion would leave the
    // others behind, unseen.
    if (recording->companion().status == CompanionStatus::Unreadable)
        return DeleteFailure::CompanionUnreadable;
    bool gone = true;
    for (int32_t p = recording->CountedParts(1); p >= 1; --p)
        gone = Remove(recording->PartPath(p), onRemove) && gone;
    // The companion goes last, and only once every part is gone: while any
    // part stays, the companion is what lets a second run find it.
    if (!gone)
        return DeleteFailure::NotRemoved;
    return Remove(recording->companion().path, onRemove) ? DeleteFailure::None
                                                         : DeleteFailure::NotRemoved;
}

} // namespace

bool IsEntryOwnName(const std::u16string& name) {
    if (dz::IsPlainFileName(name))
        return true;
    return dz::IsPartFileName(name) && CRecordingName().IsFirstPart(name);
}

DeleteFailure DeleteEntryFiles(const std::u16string& folder, const std::u16string& name,
                               const RemoveCallback& onRemove) {
    const std::u16string path = dz::platform::JoinPath(folder, name);
    if (dz::IsPlainFileName(path))
        return Remove(path, onRemove) ? DeleteFailure::None : DeleteFailure::NotRemoved;
    if (!dz::IsPartFileName(path))
        return DeleteFailure::None; // other kinds are not this system's files
    if (!IsEntryOwnName(name))
        return DeleteFailure::NotAnEntry;
    return DeleteRecording(path, onRemove);
}

void RollBackCopies(const std::u16string& destinationFolder, const CSortStringArray& names,
                    size_t k) {
    for (size_t i = 0; i < k && i < names.GetSize(); ++i)
        DeleteEntryFiles(destinationFolder, names[i]);
}

DeleteOutcome DeleteEntries(const std::u16string& folder, const CSortStringArray& names,
                            const RemoveCallback& onRemove) {
    // What a job killed in this folder left half-written goes first.
    dz::platform::RemoveStaleTemporaries(folder);
    DeleteOutcome outcome;
    for (const std::u16string& name : names.Items()) {
        const DeleteFailure failure = DeleteEntryFiles(folder, name, onRemove);
        if (failure != DeleteFailure::None && outcome.failure == DeleteFailure::None)
            outcome = DeleteOutcome{failure, name};
    }
    return outcome;
}

} // namespace dz
