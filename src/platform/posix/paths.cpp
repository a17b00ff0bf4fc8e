// Texts <-> native paths. Linux file names are bytes; this system reads them
// as UTF-8, the encoding every desktop here writes.
#include "platform/platform.h"

#include "common/text.h"

namespace dz::platform {

std::u16string JoinPath(const std::u16string& folder, const std::u16string& name) {
    // A root that is only a separator already ends in one.
    if (!folder.empty() && folder.back() == kSeparator)
        return folder + name;
    std::u16string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += kSeparator;
    path += name;
    return path;
}

std::filesystem::path ToPath(const std::u16string& text) {
    return std::filesystem::path(ToUtf8(text));
}

std::optional<std::u16string> FromPath(const std::filesystem::path& path) {
    return FromUtf8(path.native());
}

} // namespace dz::platform
