#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "transfer/entry_deletion.h"
#include "transfer/transfer_checks.h"
#include "transfer/transfer_outcome.h"

#include <algorithm>
#include <ostream>

namespace dz::cli {

std::string Shown(std::u16string_view text) {
    // Names may hold tabs or newlines on this platform; scripts split lines
    // and columns, so those bytes are escaped.
    return EscapeForTerminal(ToUtf8(text));
}

std::optional<std::u16string> ArgumentText(std::string_view argument) {
    return FromUtf8(argument);
}

void PrintMessage(std::ostream& err, std::u16string_view message) {
    err << Shown(message) << '\n';
}

bool SortedEntryNames(const std::vector<std::u16string>& given, CSortStringArray& names,
                      std::ostream& err) {
    for (const std::u16string& name : given) {
        // The window only ever names files of its own folder.
        if (!IsEntryName(name)) {
            PrintMessage(err, FillMessage(msg::kNotAFileNameInFolder, name));
            return false;
        }
        // A later part's name would lead to part 1 and the companion: files
        // that were not named. Nothing is touched for any name then.
        if (IsPartFileName(name) && !IsEntryOwnName(name)) {
            PrintMessage(err, FillMessage(msg::kNotAnEntryName, name));
            return false;
        }
        // A companion, or any other file, is no row of the list: nothing
        // would be done for it.
        if (!IsPlainFileName(name) && !IsPartFileName(name)) {
            PrintMessage(err, FillMessage(msg::kNotAListEntry, name));
            return false;
        }
        // Naming an entry twice means it once.
        if (std::find(names.Items().begin(), names.Items().end(), name) == names.Items().end())
            names.Add(name);
    }
    names.Sort();
    return true;
}

} // namespace dz::cli
