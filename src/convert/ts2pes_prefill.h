#pragma once
// What the conversion dialog opens with: the recording selected in a file
// list as the source, and an .mpg of the same name beside it as the target.
// Kept apart from the window so the rule is tested without one.
#include "common/text.h"
#include "platform/platform.h"

#include <string>
#include <string_view>

namespace dz::convert {

struct ConversionPaths {
    std::u16string source;
    std::u16string target;
};

// folder: the list's folder; fileName, realFileName: columns 0 and 1 of the
// row. A plain .mp3/.mem row is no recording and gives no paths; any other
// row names its part 1 file in column 1, which is what the converter reads.
inline ConversionPaths ConversionPathsForRow(const std::u16string& folder,
                                             std::u16string_view fileName,
                                             const std::u16string& realFileName) {
    if (IsPlainFileName(fileName))
        return {};
    ConversionPaths paths;
    paths.source = platform::JoinPath(folder, realFileName);
    const std::u16string_view ext = ExtensionOf(paths.source);
    paths.target = paths.source.substr(0, paths.source.size() - ext.size()) + u".mpg";
    return paths;
}

} // namespace dz::convert
