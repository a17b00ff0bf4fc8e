#include "convert/stream_facts.h"

#include "common/text.h"
#include "convert/conversion_files.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"

#include <algorithm>
#include <array>

// Reading a recording's two ends from its part files; what the bytes say is
// stream_facts.cpp's.
namespace dz::convert {
namespace {

// One part file's stream: where it starts and how long it is.
struct PartStream {
    platform::File file;
    uint64_t offset = 0, size = 0;
};

bool OpenPart(const std::u16string& path, PartStream& part, uint64_t& bytesRead) {
    part.file = platform::File::OpenRead(path);
    if (!part.file.IsOpen())
        part.file = platform::File::OpenRead(platform::ResolveCase(path));
    if (!part.file.IsOpen())
        return false;
    const int64_t size = part.file.Size();
    std::array<uint8_t, kPartHeaderSize> header{};
    const int64_t got = part.file.Read(header.data(), header.size());
    if (size < 0 || got < static_cast<int64_t>(kPartStreamOffsetOffset + 2))
        return false;
    bytesRead += static_cast<uint64_t>(got);
    part.size = static_cast<uint64_t>(size);
    part.offset =
        std::min<uint64_t>(ReadBigEndian(header.data() + kPartStreamOffsetOffset, 2), part.size);
    return true;
}

// Reads [from, from + n) of a part into out; false when it cannot.
bool ReadAt(PartStream& part, uint64_t from, size_t n, uint8_t* out, uint64_t& bytesRead) {
    if (!part.file.Seek(from))
        return false;
    const int64_t got = part.file.Read(out, n);
    if (got < 0)
        return false;
    bytesRead += static_cast<uint64_t>(got);
    return static_cast<size_t>(got) == n;
}

// The part 1 of the recording a part path names, when it is there.
std::u16string FirstPartOf(const std::u16string& partPath) {
    RecordingNameParts pieces;
    if (!IsPartFileName(partPath) || SplitSiblingNames(partPath, pieces) != 0)
        return partPath;
    const std::u16string first = CRecordingName().MakePartPath(
        pieces.prefix, pieces.recordingName, 1, pieces.dateStamp, pieces.suffixNumber);
    return platform::FileExists(platform::ResolveCase(first)) ? first : partPath;
}

} // namespace

std::vector<std::u16string> RecordingStreamParts(const std::u16string& partPath) {
    return FindRecordingParts(FirstPartOf(partPath)).parts;
}

RecordingFacts ReadRecordingFacts(const std::u16string& partPath) {
    return ReadFactsOfParts(RecordingStreamParts(partPath));
}

RecordingFacts ReadFactsOfParts(const std::vector<std::u16string>& parts) {
    uint64_t bytesRead = 0;
    PartStream first;
    if (parts.empty() || !OpenPart(parts.front(), first, bytesRead))
        return {};
    const uint64_t firstStream = first.size - first.offset;
    std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(firstStream, kFactsWindow)));
    if (!ReadAt(first, first.offset, head.size(), head.data(), bytesRead)) {
        RecordingFacts none;
        none.bytesRead = bytesRead;
        return none;
    }
    // A recording small enough is read whole, once: its two ends overlap.
    std::vector<uint8_t> tail;
    bool tailWhole = true;
    if (parts.size() == 1 && firstStream <= 2 * kFactsWindow) {
        tail.resize(static_cast<size_t>(firstStream - head.size()));
        tailWhole = ReadAt(first, first.offset + head.size(), tail.size(), tail.data(), bytesRead);
        tail.insert(tail.begin(), head.begin(), head.end());
        if (tail.size() > kFactsWindow)
            tail.erase(tail.begin(), tail.end() - kFactsWindow);
    } else {
        // The window ends where the recording ends; a last part shorter than
        // the window takes the rest from the end of the part before it.
        size_t wanted = kFactsWindow;
        for (size_t k = parts.size(); k-- > 0 && wanted > 0;) {
            PartStream part;
            if (k == 0) {
                part = std::move(first);
            } else if (!OpenPart(parts[k], part, bytesRead)) {
                tailWhole = false;
                break;
            }
            uint64_t from = std::max(part.offset, part.size > wanted ? part.size - wanted : 0);
            if (k == 0)
                from = std::max<uint64_t>(from, part.offset + head.size());
            std::vector<uint8_t> piece(static_cast<size_t>(part.size - from));
            if (!ReadAt(part, from, piece.size(), piece.data(), bytesRead)) {
                tailWhole = false;
                break;
            }
            tail.insert(tail.begin(), piece.begin(), piece.end());
            wanted -= piece.size();
            if (k == 0) {
                // Part 1's own end reaches back into the head already read.
                const size_t more = std::min(wanted, head.size());
                tail.insert(tail.begin(), head.end() - static_cast<std::ptrdiff_t>(more),
                            head.end());
            }
        }
    }
    RecordingFacts facts = FactsOfStreamEnds(head.data(), head.size(), tail.data(), tail.size());
    // A part that cannot be read leaves the end unknown: the stamps found
    // before it would give a length that is not the recording's.
    if (!tailWhole)
        facts.length.reset();
    facts.bytesRead = bytesRead;
    return facts;
}

} // namespace dz::convert
