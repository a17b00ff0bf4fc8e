#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"
#include "transfer/folder_check.h"

#include <ostream>
#include <set>
#include <tuple>

namespace dz::cli {
namespace {

// The file as the command names it: below the checked folder, "/"-separated
// whatever the system's separator, so scripts read one form.
std::u16string EntryOf(const std::u16string& root, const Finding& f) {
    std::u16string below = f.folder.size() > root.size() ? f.folder.substr(root.size()) : u"";
    while (!below.empty() && (below.front() == platform::kSeparator || below.front() == u'/'))
        below.erase(0, 1);
    for (char16_t& c : below)
        if (c == platform::kSeparator)
            c = u'/';
    if (below.empty())
        return f.name.empty() ? u"." : f.name;
    return f.name.empty() ? below : below + u"/" + f.name;
}

void PrintFinding(std::ostream& out, const std::u16string& root, const Finding& f,
                  const std::u16string& action) {
    out << Shown(EntryOf(root, f)) << '\t' << Shown(f.text) << '\t' << Shown(action) << '\n';
}

using Seen = std::set<std::tuple<std::u16string, std::u16string, std::u16string>>;

} // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    if (options.folder.empty() || !platform::FolderExists(options.folder)) {
        PrintMessage(err, options.folder.empty() ? std::u16string(msg::kNoFolder)
                                                 : FillMessage(msg::kNoSuchEntry, options.folder));
        return kExitFailure;
    }
    const std::vector<Finding> findings = CheckFolder(options.folder, options.recursive);
    if (!options.fix) {
        for (const Finding& f : findings)
            PrintFinding(out, options.folder, f, MendText(f.mend));
        return findings.empty() ? kExitOk : kExitFailure;
    }
    Seen printed;
    for (const Finding& f : findings) {
        std::u16string action = MendText(f.mend);
        if (f.mend != Mend::kNone)
            action = FillMessage(MendFinding(f) ? msg::kFixDone : msg::kFixFailed, action);
        PrintFinding(out, options.folder, f, action);
        printed.insert({f.folder, f.name, f.text});
    }
    // What is left is decided by a second look: a mend may have failed, or
    // shown what the first look could not see (a finished rename's files).
    const std::vector<Finding> left = CheckFolder(options.folder, options.recursive);
    for (const Finding& f : left)
        if (!printed.count({f.folder, f.name, f.text}))
            PrintFinding(out, options.folder, f, MendText(f.mend));
    return left.empty() ? kExitOk : kExitFailure;
}

} // namespace dz::cli
