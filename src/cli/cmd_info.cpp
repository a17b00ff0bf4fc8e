#include "cli/commands.h"

#include "common/list_text.h"
#include "common/messages.h"
#include "common/text.h"
#include "convert/facts_cache.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/recording_files.h"

#include <array>
#include <ostream>

namespace dz::cli {
namespace {

void Line(std::ostream& out, const char* key, const std::u16string& value) {
    out << key << '\t' << Shown(value) << '\n';
}

void Line(std::ostream& out, const char* key, int64_t value) {
    out << key << '\t' << value << '\n';
}

// One line per part 1..count: present with its header's location text,
// "short" when it is shorter than its header, or "missing".
void PrintParts(std::ostream& out, RecordingFiles& files, uint32_t count) {
    const size_t nameStart = files.name().prefix.size();
    for (uint32_t p = 1; p <= count; ++p) {
        const std::u16string path = files.PartPath(static_cast<int32_t>(p));
        out << "part " << p << '\t';
        platform::File file = platform::File::OpenRead(path);
        if (!file.IsOpen()) {
            out << "missing\t" << Shown(path.substr(nameStart)) << '\n';
            continue;
        }
        std::array<uint8_t, kPartHeaderSize> header{};
        if (file.Read(header.data(), header.size()) != static_cast<int64_t>(header.size())) {
            out << "short\t" << Shown(path.substr(nameStart)) << '\n';
            continue;
        }
        const unsigned streamOffset =
            static_cast<unsigned>(ReadBigEndian(header.data() + kPartStreamOffsetOffset, 2));
        out << "present\t" << Shown(path.substr(nameStart)) << '\t' << streamOffset << '\t'
            << Shown(LocationTextOf(header.data() + kPartLocationOffset)) << '\n';
    }
}

// What the stream says: its running time and one line per stream.
void PrintFacts(std::ostream& out, const std::u16string& path, const std::u16string& cacheFile) {
    convert::FactsCache cache(cacheFile);
    cache.Load();
    const convert::RecordingFacts facts = convert::CachedRecordingFacts(path, cache);
    cache.Save();
    out << "length\t" << ToUtf8(LengthText(facts.length)) << '\n';
    for (const convert::StreamFormat& stream : facts.streams)
        out << "stream\t" << convert::StreamText(stream) << '\n';
}

} // namespace

int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err) {
    if (!IsPartFileName(options.path)) {
        PrintMessage(err, FillMessage(msg::kNotAPartFile, options.path));
        return kExitFailure;
    }
    const CRecordingName names;
    RecordingNameParts parts;
    // A recording is described wherever it lies, however deep the folder.
    if (SplitSiblingNames(options.path, parts) != 0) {
        PrintMessage(err, FillMessage(msg::kOutsideNameScheme, options.path));
        return kExitFailure;
    }
    Line(out, "recording", parts.recordingName);
    Line(out, "folder", parts.prefix);
    Line(out, "part number", parts.partNumber);
    Line(out, "date stamp", parts.dateStamp);
    Line(out, "suffix number", parts.suffixNumber);

    // The recording's companion is named after part 1, whichever part was given.
    std::optional<RecordingFiles> files = RecordingFiles::Of(names.MakePartPath(
        parts.prefix, parts.recordingName, 1, parts.dateStamp, parts.suffixNumber));
    if (!files) {
        PrintMessage(err, FillMessage(msg::kOutsideNameScheme, options.path));
        return kExitFailure;
    }
    const CompanionRead& read = files->companion();
    Line(out, "companion", read.path.substr(parts.prefix.size()));
    if (!read.Ok()) {
        PrintMessage(err, FillMessage(msg::kCompanionFileUnreadable, read.path));
        return kExitFailure;
    }
    Line(out, "part count", read.partCount);
    // The field is unsigned: 2^63 and more are shown as they are stored.
    out << "total size\t" << static_cast<uint64_t>(read.totalSize) << '\n';
    Line(out, "location", read.location);
    PrintParts(out, *files, read.partCount);
    PrintFacts(out, options.path, options.factsCache);
    return kExitOk;
}

} // namespace dz::cli
