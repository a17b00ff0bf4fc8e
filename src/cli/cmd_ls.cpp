#include "cli/commands.h"

#include "common/list_text.h"
#include "common/messages.h"
#include "common/text.h"
#include "convert/facts_cache.h"
#include "platform/platform.h"
#include "recording/folder_listing.h"

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

// The --long columns of one row, each behind a tab; empty for a file that
// is no recording.
std::string LongColumns(const convert::RecordingFacts* facts) {
    if (!facts)
        return "\t\t\t";
    return '\t' + ToUtf8(LengthText(facts->length)) + '\t' +
           FormatsOf(*facts, convert::StreamKind::Video) + '\t' +
           FormatsOf(*facts, convert::StreamKind::Audio);
}

} // namespace

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
    // The recordings' facts first, several read at once, then the lines.
    std::vector<const convert::RecordingFacts*> factsOfRow(rows.size(), nullptr);
    std::vector<convert::RecordingFacts> facts;
    if (options.longListing) {
        std::vector<std::u16string> recordings;
        for (const FileListRow& row : rows)
            if (IsPartFileName(row.realFileName))
                recordings.push_back(platform::JoinPath(options.folder, row.realFileName));
        convert::FactsCache cache(options.factsCache);
        cache.Load();
        facts = convert::CachedRecordingFacts(recordings, cache);
        cache.Save();
        size_t next = 0;
        for (size_t k = 0; k < rows.size(); ++k)
            if (IsPartFileName(rows[k].realFileName))
                factsOfRow[k] = &facts[next++];
    }
    // One block for the whole listing: a large folder is written at once.
    std::string text;
    text.reserve(rows.size() * (options.longListing ? 160 : 80));
    for (size_t k = 0; k < rows.size(); ++k) {
        const FileListRow& row = rows[k];
        text += Shown(row.fileName);
        text += '\t';
        text += Shown(row.realFileName);
        text += '\t';
        text += Shown(row.sizeText);
        text += '\t';
        text += Shown(row.dateText);
        if (options.longListing)
            text += LongColumns(factsOfRow[k]);
        text += '\n';
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return out ? kExitOk : kExitFailure;
}

} // namespace dz::cli
