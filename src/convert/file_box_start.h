#pragma once
// Where the conversion dialog's Open boxes start: the source box in the
// folder of the source already given, the target box beside the source
// under its name with ".mpg" (or where the target already points).
#include "common/text.h"
#include "platform/folder_path.h"

#include <string>

namespace dz::convert {

struct FileBoxStart {
    std::u16string folder; // empty: the toolkit's own choice
    std::u16string name;
};

inline FileBoxStart SplitFilePath(const std::u16string& path) {
    const size_t cut = platform::LastSeparator(path);
    if (cut == std::u16string::npos)
        return {{}, path};
    return {platform::FolderOf(path), path.substr(cut + 1)};
}

inline FileBoxStart SourceBoxStart(const std::u16string& source) {
    return {SplitFilePath(source).folder, {}};
}

inline FileBoxStart TargetBoxStart(const std::u16string& source, const std::u16string& target) {
    if (!target.empty())
        return SplitFilePath(target);
    if (source.empty())
        return {};
    FileBoxStart start = SplitFilePath(source);
    const std::u16string_view extension = ExtensionOf(start.name);
    start.name = start.name.substr(0, start.name.size() - extension.size()) + u".mpg";
    return start;
}

} // namespace dz::convert
