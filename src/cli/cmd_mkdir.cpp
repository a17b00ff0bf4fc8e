#include "cli/commands.h"

#include "common/messages.h"
#include "platform/platform.h"
#include "transfer/transfer_checks.h"

#include <ostream>

namespace dz::cli {
namespace {

// The name box of the window takes no more than this.
constexpr size_t kMaxFolderNameLength = 128;

std::u16string WithPath(std::u16string_view format, const std::u16string& path) {
    std::u16string text(format);
    const size_t at = text.find(u"%s");
    if (at != std::u16string::npos)
        text.replace(at, 2, path);
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
        PrintMessage(err, u"Please enter no more than 128 characters.");
        return kExitUsage;
    }
    // The name is used exactly as typed.
    const std::u16string path = platform::JoinPath(options.parent, options.name);
    if (!platform::MakeFolder(path)) {
        PrintMessage(err, WithPath(msg::kCouldNotMakeFolder, path));
        return kExitFailure;
    }
    out << Shown(path) << '\n';
    return kExitOk;
}

} // namespace dz::cli
