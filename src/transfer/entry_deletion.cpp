#include "transfer/entry_deletion.h"

#include "common/text.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"

namespace {

void Remove(const std::u16string& path, const RemoveCallback& onRemove) {
    if (onRemove)
        onRemove(path);
    // A file that is missing, in use or protected stays; the run goes on.
    dz::platform::ResetAttributesAndDelete(path);
}

// The part count the recorder wrote, or 1 when the companion cannot be read:
// part 1 is then all the name promises.
uint32_t PartCountForDeletion(const std::u16string& companion) {
    CompanionHead head;
    return ReadCompanionHead(companion, head) ? PartCountOf(head) : 1;
}

// The native folder of a built path and the name in it; a "\\" inside the
// recorder's prefix is part of a file name here.
size_t NameStart(const std::u16string& path) {
    const size_t slash = path.rfind(dz::platform::kSeparator);
    return slash == std::u16string::npos ? 0 : slash + 1;
}

void DeleteRecording(const std::u16string& path, const RemoveCallback& onRemove) {
    const std::u16string companion = CompanionPathOf(path);
    const uint32_t count = PartCountForDeletion(companion);
    const CRecordingName names;
    RecordingNameParts parts;
    if (names.SplitPath(path, parts) != 0) {
        Remove(path, onRemove);
        Remove(dz::platform::ResolveCase(companion), onRemove);
        return;
    }
    // Built names carry the recorder's upper case; the folder is read once at
    // most to find parts stored in another case.
    const size_t nameStart = NameStart(path);
    const std::u16string folderPart = path.substr(0, nameStart);
    std::u16string nativeFolder = nameStart <= 1 ? folderPart : path.substr(0, nameStart - 1);
    if (nativeFolder.empty())
        nativeFolder = u".";
    dz::platform::FolderCaseIndex index(nativeFolder);
    for (uint32_t p = 1; p <= count; ++p) {
        const std::u16string built =
            names.MakePartPath(parts.prefix, parts.recordingName, static_cast<int32_t>(p),
                               parts.dateStamp, parts.suffixNumber);
        Remove(folderPart + index.Resolve(built.substr(nameStart)), onRemove);
    }
    Remove(folderPart + index.Resolve(companion.substr(nameStart)), onRemove);
}

} // namespace

void DeleteEntryFiles(const std::u16string& folder, const std::u16string& name,
                      const RemoveCallback& onRemove) {
    const std::u16string path = dz::platform::JoinPath(folder, name);
    switch (dz::KindOf(path)) {
    case dz::EntryKind::kPlainFile:
        Remove(path, onRemove);
        break;
    case dz::EntryKind::kRecordingPart:
        DeleteRecording(path, onRemove);
        break;
    case dz::EntryKind::kOther: // not this system's files
        break;
    }
}

void RollBackCopies(const std::u16string& destinationFolder, const CSortStringArray& names,
                    size_t k) {
    for (size_t i = 0; i < k && i < names.GetSize(); ++i)
        DeleteEntryFiles(destinationFolder, names[i]);
}

void DeleteEntries(const std::u16string& folder, const CSortStringArray& names,
                   const RemoveCallback& onRemove) {
    for (const std::u16string& name : names.Items())
        DeleteEntryFiles(folder, name, onRemove);
}
