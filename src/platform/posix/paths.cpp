// Texts <-> native paths. Linux file names are bytes; this system reads them
// as UTF-8, the encoding every desktop here writes.
#include "platform/platform.h"

#include "common/text.h"

namespace dz::platform {

std::filesystem::path ToPath(const std::u16string& text) {
    return std::filesystem::path(ToUtf8(text));
}

std::optional<std::u16string> FromPath(const std::filesystem::path& path) {
    return FromUtf8(path.native());
}

} // namespace dz::platform
