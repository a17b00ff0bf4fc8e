#include "transfer/entry_rename.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/folder_path.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/location_text.h"
#include "recording/recording_files.h"
#include "transfer/earlier_move.h"
#include "transfer/entry_deletion.h"
#include "transfer/location_patch.h"
#include "transfer/new_folder.h"
#include "transfer/transfer_checks.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace dz {
namespace {

using platform::CommitResult;
using platform::JoinPath;
using platform::PathExists;

// The longest recording name the scheme splits back.
constexpr size_t kMaxRecordingName = 32;
// A companion's part count is 16 bits: no recording has more parts.
constexpr int32_t kMaxParts = 65535;

PreparedRename Refused(PreparedRename job, std::u16string why) {
    job.status = PreparedRename::Status::kRefused;
    job.refusal = std::move(why);
    return job;
}

PreparedRename Ready(PreparedRename job) {
    job.status = PreparedRename::Status::kReady;
    return job;
}

// Whether `to` is `from` under another letter case in a folder that ignores
// it: then the rename only changes the case, and no other entry is in the way.
// Some FUSE disks hand out a new inode on every look-up, so the folder's
// own rule decides where the file system cannot tell.
bool SameEntry(const std::u16string& from, const std::u16string& to) {
    if (!PathExists(from) || !PathExists(to))
        return false;
    if (platform::SameFile(from, to))
        return true;
    return EqualNoCaseAZ(from, to) && platform::FolderIgnoresCase(platform::FolderOf(from));
}

PreparedRename PrepareFileOrFolder(PreparedRename job) {
    const std::u16string from = JoinPath(job.folder, job.oldName);
    const std::u16string to = JoinPath(job.folder, job.newName);
    std::optional<std::u16string> refusal = job.kind == RenameKind::kFolder
                                                ? FolderNameRefusal(job.folder, job.newName)
                                                : FileNameRefusal(job.folder, job.newName);
    if (refusal)
        return Refused(job, std::move(*refusal));
    if (job.kind == RenameKind::kPlainFile && !IsPlainFileName(job.newName))
        return Refused(job, FillMessage(msg::kRenamePlainExtension, job.newName));
    if (job.newName == job.oldName) {
        job.status = PreparedRename::Status::kSame;
        return job;
    }
    if (SameEntry(from, to))
        return Refused(job, FillMessage(msg::kRenameCaseOnly, job.newName));
    if (PathExists(to))
        return Refused(job, FillMessage(msg::kRenameTaken, job.newName));
    return Ready(job);
}

// Whether a part the old name misses lies in the folder under a third name
// of the same date stamp and suffix: a rename to that name was cut short,
// and renaming what is left to yet another name would split the recording.
bool MissingPartsLieElsewhere(const std::u16string& folder, const RecordingNameParts& old,
                              const std::u16string& newName, const std::vector<bool>& missing) {
    std::vector<platform::FolderName> names;
    if (!platform::SearchFolderNames(folder, names))
        return true; // cannot be told: not safe to go on
    for (const platform::FolderName& entry : names) {
        RecordingNameParts pieces;
        if (entry.isFolder || !IsPartFileName(entry.name) ||
            SplitSiblingNames(entry.name, pieces) != 0)
            continue;
        if (pieces.dateStamp == old.dateStamp && pieces.suffixNumber == old.suffixNumber &&
            pieces.recordingName != old.recordingName && pieces.recordingName != newName &&
            pieces.partNumber >= 1 && static_cast<size_t>(pieces.partNumber) < missing.size() &&
            missing[pieces.partNumber])
            return true;
    }
    return false;
}

PreparedRename PrepareRecording(PreparedRename job) {
    const std::u16string oldPath = JoinPath(job.folder, job.oldName);
    std::optional<RecordingFiles> old = RecordingFiles::Of(oldPath);
    if (!old)
        return Refused(job, FillMessage(msg::kNotAListEntry, job.oldName));
    if (std::optional<std::u16string> refusal = RecordingNameRefusal(job.newRecordingName))
        return Refused(job, std::move(*refusal));
    const CompanionRead& companion = old->companion();
    if (companion.status == CompanionStatus::Unreadable)
        return Refused(job, FillMessage(msg::kRenameCompanionUnreadable, job.oldName));
    if (job.newRecordingName == old->name().recordingName) {
        job.status = PreparedRename::Status::kSame;
        return job;
    }
    const RecordingNameParts& pieces = old->name();
    job.newName = CRecordingName().MakePartPath(u"", job.newRecordingName, 1, pieces.dateStamp,
                                                pieces.suffixNumber);
    RecordingNameParts newPieces = pieces;
    newPieces.recordingName = job.newRecordingName;
    const std::optional<std::u16string> location = MakeLocationText(job.folder, newPieces);
    if (!location)
        return Refused(job, FillMessage(msg::kRenameLocationTooLong, job.newRecordingName));
    job.location = *location;

    std::optional<RecordingFiles> renamed = RecordingFiles::Of(JoinPath(job.folder, job.newName));
    job.parts = companion.Ok() ? companion.partCount : old->PartsOnDisk(kMaxParts);
    int32_t fromCount = 0, toCount = 0, both = 0;
    std::vector<bool> missing(static_cast<size_t>(job.parts) + 1, false);
    for (int32_t p = 1; p <= job.parts; ++p) {
        const std::u16string from = old->PartPath(p), to = renamed->PartPath(p);
        const bool fromThere = PathExists(from), toThere = PathExists(to);
        if (fromThere && toThere && SameEntry(from, to))
            return Refused(job, FillMessage(msg::kRenameCaseOnly, job.newRecordingName));
        missing[p] = !fromThere && !toThere;
        fromCount += fromThere;
        toCount += toThere;
        both += fromThere && toThere;
    }
    const bool oldCompanionThere = companion.status != CompanionStatus::Missing;
    const std::u16string& newCompanion = renamed->companion().path;
    if (oldCompanionThere && SameEntry(companion.path, newCompanion))
        return Refused(job, FillMessage(msg::kRenameCaseOnly, job.newRecordingName));
    const bool newCompanionThere = PathExists(newCompanion);
    // Cut short after the new companion went in: every part renamed, the old
    // companion beside its copy.
    if (companion.Ok() && fromCount == 0 && toCount == job.parts && newCompanionThere &&
        HoldsCopyOf(newCompanion, companion.path, true)) {
        job.finishesEarlier = true;
        return Ready(job);
    }
    // Cut short while the parts were renamed: each under one of the names.
    if (companion.Ok() && !newCompanionThere && toCount > 0 && both == 0 &&
        fromCount + toCount == job.parts) {
        job.finishesEarlier = true;
        return Ready(job);
    }
    if (!PathExists(oldPath))
        return Refused(job, FillMessage(msg::kNoSuchEntry, job.oldName));
    if (newCompanionThere || toCount > 0)
        return Refused(job, FillMessage(msg::kRenameTaken, job.newRecordingName));
    if (fromCount < job.parts &&
        MissingPartsLieElsewhere(job.folder, pieces, job.newRecordingName, missing))
        return Refused(job, FillMessage(msg::kRenameHalfDone, job.oldName));
    return Ready(job);
}

RenameOutcome Failed(const PreparedRename& job) {
    const std::u16string shown = job.kind == RenameKind::kRecording
                                     ? CRecordingName().GetRecordingName(job.oldName)
                                     : job.oldName;
    return {false, FillMessage(msg::kRenameFailed, shown)};
}

// One file or folder to another name, never over another entry.
bool RenameOne(const std::u16string& from, const std::u16string& to) {
    return platform::CommitWithoutReplacing(from, to) == CommitResult::Done;
}

RenameOutcome RunFileOrFolder(const PreparedRename& job) {
    const platform::CommitLock lock(job.folder);
    if (!RenameOne(JoinPath(job.folder, job.oldName), JoinPath(job.folder, job.newName)) ||
        !platform::FlushFolder(job.folder))
        return Failed(job);
    return {true, {}};
}

// Removes a staged file unless it was put in place.
struct StagedFile {
    std::optional<std::u16string> path;
    ~StagedFile() {
        if (path)
            platform::DeleteIfPresent(*path);
    }
};

RenameOutcome RunRecording(const PreparedRename& job) {
    std::optional<RecordingFiles> old = RecordingFiles::Of(JoinPath(job.folder, job.oldName));
    std::optional<RecordingFiles> renamed = RecordingFiles::Of(JoinPath(job.folder, job.newName));
    if (!old || !renamed)
        return Failed(job);
    // What an earlier rename killed in this folder left staged goes first.
    platform::RemoveStaleTemporaries(job.folder);
    const platform::CommitLock lock(job.folder);
    const CompanionRead& companion = old->companion();
    const bool oldCompanionThere = companion.status != CompanionStatus::Missing;
    const std::u16string builtCompanion =
        JoinPath(job.folder, CRecordingName().MakeCompanionPath(u"", job.newRecordingName, 1,
                                                                old->name().dateStamp,
                                                                old->name().suffixNumber));
    // A run cut short after the new companion went in has only the old
    // one left to remove.
    const bool newCompanionIn = PathExists(builtCompanion);
    StagedFile staged;
    if (oldCompanionThere && !newCompanionIn) {
        staged.path = StagePatchedCompanion(companion.path, job.folder, job.location);
        if (!staged.path)
            return Failed(job);
    }
    if (newCompanionIn &&
        LocationOfFile(builtCompanion, true).value_or(job.location) != job.location) {
        // Put in place by other means than this rename: its text is made right first.
        StagedFile patched{StagePatchedCompanion(builtCompanion, job.folder, job.location)};
        if (!patched.path || !platform::CommitByRename(*patched.path, builtCompanion))
            return Failed(job);
        patched.path.reset();
    }
    // From the last part to part 1: until part 1 goes, the list shows the
    // recording under its old name, with the companion that counts it.
    for (int32_t p = job.parts; p >= 1; --p) {
        const std::u16string from = old->PartPath(p);
        const std::u16string to = renamed->PartPath(p);
        if (PathExists(from) && !PathExists(to) && !RenameOne(from, to))
            return Failed(job);
        if (PathExists(to) && LocationOfFile(to, false).value_or(job.location) != job.location &&
            !PatchPartLocation(to, job.location))
            return Failed(job);
    }
    if (!platform::FlushFolder(job.folder))
        return Failed(job);
    if (staged.path) {
        if (platform::CommitWithoutReplacing(*staged.path, builtCompanion) != CommitResult::Done)
            return Failed(job);
        staged.path.reset();
        platform::CopyModificationTime(companion.path, builtCompanion);
        if (!platform::FlushFolder(job.folder))
            return Failed(job);
    }
    // The old companion goes last: until then it is what lets a second run
    // (and the folder check) find the recording's parts under either name.
    if (oldCompanionThere &&
        (!platform::IsRegularFile(builtCompanion) || !platform::DeleteIfPresent(companion.path) ||
         !platform::FlushFolder(job.folder)))
        return Failed(job);
    return {true, {}};
}

} // namespace

std::optional<std::u16string> RecordingNameRefusal(const std::u16string& name) {
    if (name.empty())
        return std::u16string(msg::kRenameEmpty);
    if (name == u"." || name == u"..")
        return FillMessage(msg::kRenameNotAName, name);
    if (name.find(u'/') != std::u16string::npos || name.find(u'\\') != std::u16string::npos ||
        name.find(platform::kSeparator) != std::u16string::npos)
        return FillMessage(msg::kRenameSeparator, name);
    if (name.size() > kMaxRecordingName)
        return FillMessage(msg::kRenameRecordingTooLong, name);
    if (name.find(u"_#") != std::u16string::npos)
        return FillMessage(msg::kRenameRecordingScheme, name);
    // The location text keeps one byte per character: anything wider would
    // name another companion than the one on the disk.
    if (std::any_of(name.begin(), name.end(),
                    [](char16_t c) { return IsReservedOnWindows(c) || c > 0xFF; }))
        return FillMessage(msg::kRenameRecordingCharacters, name);
    return std::nullopt;
}

PreparedRename PrepareRename(const std::u16string& folder, const std::u16string& oldName,
                             const std::u16string& newName) {
    PreparedRename job;
    job.folder = folder;
    job.oldName = oldName;
    job.newName = newName;
    if (!IsEntryName(oldName))
        return Refused(job, FillMessage(msg::kNotAListEntry, oldName));
    if (platform::FolderExists(JoinPath(folder, oldName))) {
        job.kind = RenameKind::kFolder;
        return PrepareFileOrFolder(job);
    }
    if (IsPlainFileName(oldName)) {
        job.kind = RenameKind::kPlainFile;
        if (!PathExists(JoinPath(folder, oldName)))
            return Refused(job, FillMessage(msg::kNoSuchEntry, oldName));
        return PrepareFileOrFolder(job);
    }
    if (!IsPartFileName(oldName))
        return Refused(job, FillMessage(msg::kNotAListEntry, oldName));
    if (!IsEntryOwnName(oldName))
        return Refused(job, FillMessage(msg::kNotAnEntryName, oldName));
    job.kind = RenameKind::kRecording;
    job.newRecordingName = newName;
    return PrepareRecording(job);
}

RenameOutcome RunRename(const PreparedRename& job) {
    if (job.status == PreparedRename::Status::kSame)
        return {true, {}};
    if (job.status != PreparedRename::Status::kReady)
        return {false, job.refusal};
    return job.kind == RenameKind::kRecording ? RunRecording(job) : RunFileOrFolder(job);
}

} // namespace dz
