#include "transfer/entry_deletion.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"

namespace dz {

namespace {

// True when nothing is left under the path.
bool Remove(const std::u16string& path, const RemoveCallback& onRemove) {
    if (onRemove)
        onRemove(path);
    return dz::platform::DeleteIfPresent(path);
}

// The native folder of a built path and the name in it; a "\\" inside the
// recorder's prefix is part of a file name here.
size_t NameStart(const std::u16string& path) {
    const size_t slash = path.rfind(dz::platform::kSeparator);
    return slash == std::u16string::npos ? 0 : slash + 1;
}

DeleteFailure DeleteRecording(const std::u16string& path, const RemoveCallback& onRemove) {
    const size_t nameStart = NameStart(path);
    const std::u16string folderPart = path.substr(0, nameStart);
    std::u16string nativeFolder = nameStart <= 1 ? folderPart : path.substr(0, nameStart - 1);
    if (nativeFolder.empty())
        nativeFolder = u".";
    // Built names carry the recorder's upper case; the folder is read once at
    // most to find a file whose extension is stored in another case.
    dz::platform::FolderCaseIndex index(nativeFolder);
    const std::u16string companion =
        folderPart + index.Resolve(CompanionPathOf(path).substr(nameStart));

    // A missing companion, or one shorter than its head, leaves part 1 as all
    // the name promises. One that is there but cannot be read hides how many
    // parts there are: deleting part 1 and the companion would leave the
    // others behind, unseen.
    // One open and one read decide, so that a second look cannot disagree
    // with the first.
    uint32_t count = 1;
    {
        const CompanionRead read = ReadCompanionAt(companion);
        if (read.status == CompanionStatus::Unreadable)
            return DeleteFailure::CompanionUnreadable;
        if (read.Ok())
            count = read.partCount;
    }

    bool gone = true;
    RecordingNameParts parts;
    if (SplitSiblingNames(path, parts) != 0) {
        gone = Remove(path, onRemove);
    } else {
        const CRecordingName names;
        for (uint32_t p = count; p >= 1; --p) {
            const std::u16string built =
                names.MakePartPath(parts.prefix, parts.recordingName, static_cast<int32_t>(p),
                                   parts.dateStamp, parts.suffixNumber);
            gone = Remove(folderPart + index.Resolve(built.substr(nameStart)), onRemove) && gone;
        }
    }
    // The companion goes last, and only once every part is gone: while any
    // part stays, the companion is what lets a second run find it.
    if (!gone)
        return DeleteFailure::NotRemoved;
    return Remove(companion, onRemove) ? DeleteFailure::None : DeleteFailure::NotRemoved;
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
