#include "transfer/folder_deletion.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/transfer_plan.h"

#include <optional>
#include <string>

namespace dz {
namespace {

using platform::JoinPath;

bool IsRecordingFile(const std::u16string& name) {
    return IsPartFileName(name) || HasExtension(name, u".avf");
}

// Adds what the folder holds; gives how many names it lists, nothing when it
// cannot be read.
std::optional<size_t> Count(const std::u16string& folder, DeleteContents& contents) {
    ++contents.folders;
    std::vector<platform::FolderName> names;
    if (!platform::SearchFolderNames(folder, names))
        return std::nullopt;
    for (const platform::FolderName& entry : names) {
        const std::u16string path = JoinPath(folder, entry.name);
        if (entry.isFolder) {
            Count(path, contents);
            continue;
        }
        if (const std::optional<platform::FileInfo> info = platform::GetFileInfo(path))
            contents.bytes += info->size;
        if (IsPartFileName(entry.name) && IsEntryOwnName(entry.name))
            ++contents.recordings;
        else if (!IsRecordingFile(entry.name) && !platform::IsTemporaryName(entry.name))
            ++contents.files;
    }
    return names.size();
}

// Everything in the folder, then the folder. Recordings go first, each
// whole; then what is left (plain files, stray parts, a dead job's
// temporaries). A live job's temporary stays, and the folder with it.
bool DeleteTree(const std::u16string& folder, const RemoveCallback& onRemove,
                std::u16string& failedAt) {
    std::vector<platform::FolderName> names;
    if (!platform::SearchFolderNames(folder, names)) {
        failedAt = folder;
        return false;
    }
    for (const platform::FolderName& entry : names)
        if (entry.isFolder && !DeleteTree(JoinPath(folder, entry.name), onRemove, failedAt))
            return false;
    for (const platform::FolderName& entry : names) {
        if (entry.isFolder || !IsPartFileName(entry.name) || !IsEntryOwnName(entry.name))
            continue;
        if (DeleteEntryFiles(folder, entry.name, onRemove) != DeleteFailure::None) {
            failedAt = JoinPath(folder, entry.name);
            return false;
        }
    }
    platform::RemoveStaleTemporaries(folder);
    names.clear();
    if (!platform::SearchFolderNames(folder, names)) {
        failedAt = folder;
        return false;
    }
    for (const platform::FolderName& entry : names) {
        const std::u16string path = JoinPath(folder, entry.name);
        if (entry.isFolder || platform::IsTemporaryName(entry.name))
            continue;
        if (onRemove)
            onRemove(path);
        if (!platform::DeleteIfPresent(path)) {
            failedAt = path;
            return false;
        }
    }
    if (onRemove)
        onRemove(folder);
    if (!platform::RemoveEmptyFolder(folder)) {
        failedAt = folder;
        return false;
    }
    return true;
}

} // namespace

PreparedDelete PrepareDelete(const std::u16string& folder,
                             const std::vector<std::u16string>& names) {
    PreparedDelete job;
    job.folder = folder;
    for (const std::u16string& name : names) {
        const std::u16string path = JoinPath(folder, name);
        if (!platform::FolderExists(path)) {
            job.entries.Add(name);
            for (const std::u16string& file : EntryFiles(folder, name))
                if (const std::optional<platform::FileInfo> info = platform::GetFileInfo(file))
                    job.contents.bytes += info->size;
            if (IsPlainFileName(name))
                ++job.contents.files;
            else if (IsPartFileName(name))
                ++job.contents.recordings;
            continue;
        }
        job.subfolders.push_back(name);
        if (const std::optional<size_t> held = Count(path, job.contents); !held || *held > 0)
            job.foldersNotEmpty.push_back(name);
    }
    job.entries.Sort();
    return job;
}

FolderDeleteOutcome RunDelete(const PreparedDelete& job, const RemoveCallback& onRemove) {
    FolderDeleteOutcome outcome;
    if (job.entries.GetSize() > 0)
        outcome.entries = DeleteEntries(job.folder, job.entries, onRemove);
    for (const std::u16string& name : job.subfolders)
        if (!DeleteTree(JoinPath(job.folder, name), onRemove, outcome.failedAt))
            break;
    return outcome;
}

std::u16string FolderDeleteQuestionText(const std::u16string& shownName,
                                        const DeleteContents& contents) {
    std::u16string text = FillMessage(msg::kDeleteFolderQuestion, shownName);
    text += u"\n" + FillCounts(msg::kFolderHolds, static_cast<int32_t>(contents.recordings),
                               static_cast<int32_t>(contents.files));
    text += u", " + KBText(contents.bytes) + u".";
    return text;
}

} // namespace dz
