#include "recording/location_text.h"

#include "platform/folder_path.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"

#include <cstring>

namespace dz {
std::u16string RecorderFolderText(std::u16string_view below) {
    std::u16string text = u"C:\\";
    for (const char16_t c : below) {
        if (c != u'/' && c != platform::kSeparator)
            text += c;
        else if (text.back() != u'\\') // no empty pieces from "//" or a leading "/"
            text += u'\\';
    }
    if (text.back() != u'\\')
        text += u'\\';
    return text;
}

std::u16string RecorderFolderTextOf(const std::u16string& folderPath) {
    // The folder as the file system resolves it (links, "..", "."), so that
    // its place below the drive root can be read off.
    const std::u16string folder = platform::ResolvedPath(folderPath);
    const std::u16string root = platform::DriveRootOf(folder);
    std::u16string_view below = folder;
    if (folder.compare(0, root.size(), root) == 0)
        below.remove_prefix(root.size());
    return RecorderFolderText(below);
}

std::optional<std::u16string> LocationTextIn(const std::u16string& recorderFolder,
                                             const RecordingNameParts& parts) {
    std::u16string text = CRecordingName().MakeCompanionPath(recorderFolder, parts.recordingName, 1,
                                                             parts.dateStamp, parts.suffixNumber);
    if (text.size() + 1 > kLocationFieldSize) // its closing zero byte must fit too
        return std::nullopt;
    return text;
}

std::optional<std::u16string> MakeLocationText(const std::u16string& destinationFolder,
                                               const RecordingNameParts& parts) {
    return LocationTextIn(RecorderFolderTextOf(destinationFolder), parts);
}

void WriteLocationField(uint8_t* field, const std::u16string& text) {
    std::memset(field, 0, kLocationFieldSize);
    CRecordingName::CopyLowBytes(field, text);
}

} // namespace dz
