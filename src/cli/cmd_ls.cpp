#include "cli/commands.h"

#include "common/messages.h"
#include "common/text.h"
#include "convert/facts_cache.h"
#include "platform/platform.h"
#include "recording/folder_listing.h"

#include <optional>
#include <ostream>

namespace dz::cli {
namespace {

// The formats of one kind of stream, several joined by ", ".
std::string FormatsOf(const convert::RecordingFacts& facts, convert::StreamKind kind) {
    std::string text;
    for (const convert::StreamFormat& stream : facts.streams) {
        if (stream.kind != kind)
            continue;
        if (!text.empty())
            text += ", ";
        // Without the leading kind: the column says it.
        const std::string shown = convert::StreamText(stream);
        text += shown.substr(shown.find(' ') + 1);
    }
    return text;
}

// The --long columns of one row, each behind a tab.
std::string LongColumns(const FileListRow& row, const std::u16string& folder,
                        convert::FactsCache& cache) {
    if (!IsPartFileName(row.realFileName))
        return "\t\t\t";
    const convert::RecordingFacts facts =
        convert::CachedRecordingFacts(platform::JoinPath(folder, row.realFileName), cache);
    return '\t' + convert::LengthText(facts.length) + '\t' +
           FormatsOf(facts, convert::StreamKind::Video) + '\t' +
           FormatsOf(facts, convert::StreamKind::Audio);
}

} // namespace

int RunLs(const LsOptions& options, std::ostream& out, std::ostream& err) {
    if (options.folder.empty()) {
        PrintMessage(err, msg::kNoFolder);
        return kExitFailure;
    }
    std::vector<FileListRow> rows;
    if (!ListFolderRows(options.folder, rows)) {
        PrintMessage(err, u"Cannot read the folder " + options.folder);
        return kExitFailure;
    }
    // One block for the whole listing: a large folder is written at once.
    std::optional<convert::FactsCache> cache;
    if (options.longListing) {
        cache.emplace(options.factsCache);
        cache->Load();
    }
    std::string text;
    text.reserve(rows.size() * (options.longListing ? 160 : 80));
    for (const FileListRow& row : rows) {
        text += Shown(row.fileName);
        text += '\t';
        text += Shown(row.realFileName);
        text += '\t';
        text += Shown(row.sizeText);
        text += '\t';
        text += Shown(row.dateText);
        if (cache)
            text += LongColumns(row, options.folder, *cache);
        text += '\n';
    }
    if (cache)
        cache->Save();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return out ? kExitOk : kExitFailure;
}

} // namespace dz::cli
