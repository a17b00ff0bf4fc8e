#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "recording/folder_listing.h"

#include <ostream>

namespace dz::cli {

int RunLs(const LsOptions& options, std::ostream& out, std::ostream& err) {
    if (options.folder.empty()) {
        PrintMessage(err, msg::kNoFolder);
        return kExitFailure;
    }
    std::vector<FileListRow> rows;
    if (!ListFolderRows(options.folder, rows)) {
        PrintMessage(err, FillMessage(msg::kFolderUnreadable, options.folder));
        return kExitFailure;
    }
    // One block for the whole listing: a large folder is written at once.
    std::string text;
    text.reserve(rows.size() * 80);
    for (const FileListRow& row : rows) {
        text += Shown(row.fileName);
        text += '\t';
        text += Shown(row.realFileName);
        text += '\t';
        text += Shown(row.sizeText);
        text += '\t';
        text += Shown(row.dateText);
        text += '\n';
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return out ? kExitOk : kExitFailure;
}

} // namespace dz::cli
