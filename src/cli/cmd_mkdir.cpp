#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/transfer_checks.h"

#include <ostream>

namespace dz::cli {
namespace {

// The name box of the window takes no more than this.
constexpr size_t kMaxFolderNameLength = 128;

// The fixed texts carry one "%s" or "%d" for the value they name.
std::u16string Filled(std::u16string_view format, std::u16string_view placeholder,
                      const std::u16string& value) {
    std::u16string text(format);
    const size_t at = text.find(placeholder);
    if (at != std::u16string::npos)
        text.replace(at, placeholder.size(), value);
    return text;
}

} // namespace

int RunMkdir(const MkdirOptions& options, std::ostream& out, std::ostream& err) {
    if (const CheckMessage message = CheckNewFolder(true, options.parent)) {
        PrintMessage(err, *message);
        return kExitFailure;
    }
    // An empty name ends the command without a word, as in the window.
    if (options.name.empty())
        return kExitOk;
    if (options.name.size() > kMaxFolderNameLength) {
        PrintMessage(err, Filled(msg::kTooManyCharacters, u"%d",
                                 Ascii(std::to_string(kMaxFolderNameLength))));
        return kExitUsage;
    }
    // The name is used exactly as typed.
    const std::u16string path = platform::JoinPath(options.parent, options.name);
    if (!platform::MakeFolder(path)) {
        PrintMessage(err, Filled(msg::kCouldNotMakeFolder, u"%s", path));
        return kExitFailure;
    }
    out << Shown(path) << '\n';
    return kExitOk;
}

} // namespace dz::cli
