#include "transfer/transfer_checks.h"

#include "common/messages.h"
#include "common/text.h"

namespace dz {

bool IsSameFolder(std::u16string_view a, std::u16string_view b) {
    return EqualNoCaseAZ(a, b);
}

CheckMessage CheckTransfer(const std::u16string& sourceFolder, bool hasSelection,
                           const std::u16string& destinationFolder) {
    if (sourceFolder.empty())
        return msg::kNoFolder;
    if (!hasSelection)
        return msg::kNoFile;
    if (destinationFolder.empty())
        return msg::kNoDestination;
    if (IsSameFolder(sourceFolder, destinationFolder))
        return msg::kSameFolder;
    return std::nullopt;
}

CheckMessage CheckDelete(bool fileListFocused, bool hasSelection, const std::u16string& folder) {
    if (!fileListFocused || !hasSelection || folder.empty())
        return msg::kNoFile;
    return std::nullopt;
}

CheckMessage CheckNewFolder(bool folderTreeFocused, const std::u16string& parentFolder) {
    if (!folderTreeFocused || parentFolder.empty())
        return msg::kNoParentFolder;
    return std::nullopt;
}

std::u16string EntryNameOfRow(std::u16string_view column0, std::u16string_view column1) {
    const std::u16string_view shown = column0.substr(0, kMaxRowTextLength);
    if (IsPlainFileName(shown))
        return std::u16string(shown);
    return std::u16string(column1.substr(0, kMaxRowTextLength));
}

CSortStringArray CollectEntryNames(const std::vector<SelectedRow>& rows) {
    CSortStringArray names;
    for (const SelectedRow& row : rows)
        names.Add(EntryNameOfRow(row.column0, row.column1));
    names.Sort();
    return names;
}

bool IsEntryName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find(u'/') == std::u16string_view::npos &&
           name.find(u'\0') == std::u16string_view::npos;
}

} // namespace dz
