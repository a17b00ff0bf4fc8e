#include "convert/stream_facts.h"

#include "common/text.h"
#include "convert/conversion_files.h"
#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/recording_files.h"

#include <algorithm>
#include <array>
#include <optional>

// Reading a recording's two ends from its part files; what the bytes say is
// stream_facts.cpp's.
namespace dz::convert {
namespace {

// A stream offset is 16 bits: bytes beyond this are stream data in any part.
constexpr uint64_t kLastStreamOffset = 0xFFFF;

// One part file's stream: where it starts and how long it is. The start is
// looked up only when a read comes near it: a look at the end of a long
// part costs one read, not two.
struct PartStream {
    platform::File file;
    uint64_t offset = 0, size = 0;
    bool offsetKnown = false;
};

bool OpenPart(const std::u16string& path, PartStream& part) {
    part.file = platform::File::OpenRead(path);
    if (!part.file.IsOpen())
        part.file = platform::File::OpenRead(platform::ResolveCase(path));
    if (!part.file.IsOpen())
        return false;
    part.file.AdviseRandomAccess();
    const int64_t size = part.file.Size();
    if (size < 0)
        return false;
    part.size = static_cast<uint64_t>(size);
    return true;
}

// The stream offset from the part header's first bytes; false when they
// are too few to hold it.
bool TakeStreamOffset(PartStream& part, const uint8_t* start, size_t n) {
    if (n < kPartStreamOffsetOffset + 2)
        return false;
    part.offset = std::min<uint64_t>(ReadBigEndian(start + kPartStreamOffsetOffset, 2), part.size);
    part.offsetKnown = true;
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

bool ReadStreamOffset(PartStream& part, uint64_t& bytesRead) {
    std::array<uint8_t, kPartHeaderSize> header{};
    const size_t n = static_cast<size_t>(std::min<uint64_t>(header.size(), part.size));
    return ReadAt(part, 0, n, header.data(), bytesRead) && TakeStreamOffset(part, header.data(), n);
}

// The end of a recording read backwards: the last part's end, and when that
// part is shorter than the window, the end of the part before it, and so on.
class TailReader {
public:
    TailReader(const std::vector<std::u16string>& parts, PartStream first)
        : m_parts(parts), m_first(std::move(first)), m_next(parts.size()) {}

    PartStream& FirstPart() { return m_first; }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    bool failed() const { return m_failed; }
    bool CanGrow() const { return !m_failed && (m_next > 0 || (m_part && m_from > Floor())); }

    // Reads backwards until the tail holds `wanted` bytes or the recording
    // has no more.
    void Extend(size_t wanted, uint64_t& bytesRead) {
        while (m_bytes.size() < wanted && !m_failed) {
            if (!m_part || (m_from <= Floor() && m_part->offsetKnown)) {
                if (m_next == 0 || !OpenNext())
                    return;
                continue;
            }
            if (m_from <= Floor()) { // near the part's start: where does its stream begin?
                m_failed = !ReadStreamOffset(*m_part, bytesRead);
                continue;
            }
            const uint64_t take = std::min<uint64_t>(wanted - m_bytes.size(), m_from - Floor());
            std::vector<uint8_t> piece(static_cast<size_t>(take));
            if (!ReadAt(*m_part, m_from - take, piece.size(), piece.data(), bytesRead)) {
                m_failed = true;
                return;
            }
            m_from -= take;
            m_bytes.insert(m_bytes.begin(), piece.begin(), piece.end());
        }
    }

private:
    // Where the stream of the current part begins, or the lowest place it may.
    uint64_t Floor() const {
        return m_part->offsetKnown ? m_part->offset
                                   : std::min<uint64_t>(kLastStreamOffset, m_part->size);
    }
    bool OpenNext() {
        --m_next;
        if (m_next == 0) {
            m_part = &m_first;
        } else {
            m_other = PartStream{};
            if (!OpenPart(m_parts[m_next], m_other)) {
                m_failed = true;
                return false;
            }
            m_part = &m_other;
        }
        m_from = m_part->size;
        return true;
    }

    const std::vector<std::u16string>& m_parts;
    PartStream m_first;
    PartStream m_other; // the part being read, when it is not part 1
    PartStream* m_part = nullptr;
    size_t m_next;       // the index of the part to open next, counting down
    uint64_t m_from = 0; // where the bytes read so far begin in *m_part
    std::vector<uint8_t> m_bytes;
    bool m_failed = false;
};

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
    // The parts the companion counts, as the list and the transfers take
    // them. The disk is not searched for more: in a folder of thousands of
    // recordings, a look for a part that is not there costs a read of the
    // whole folder, for every recording listed. A counted part that is
    // missing shows when it is opened.
    const std::u16string first = FirstPartOf(partPath);
    std::optional<RecordingFiles> files = RecordingFiles::Of(first);
    const int32_t count = files ? files->CountedParts(0) : 0;
    if (count < 1 || count > kMaxJoinedParts)
        return {partPath}; // no companion to go by: the named file alone
    std::vector<std::u16string> parts;
    parts.reserve(static_cast<size_t>(count));
    for (int32_t k = 1; k <= count; ++k)
        parts.push_back(files->PartPath(k));
    return parts;
}

RecordingFacts ReadRecordingFacts(const std::u16string& partPath) {
    return ReadFactsOfParts(RecordingStreamParts(partPath));
}

RecordingFacts ReadFactsOfParts(const std::vector<std::u16string>& parts) {
    RecordingFacts facts;
    uint64_t bytesRead = 0;
    PartStream first;
    if (parts.empty() || !OpenPart(parts.front(), first)) {
        facts.bytesRead = bytesRead;
        return facts;
    }
    // The part header and the first look at the stream in one read.
    std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(first.size, kHeadStep)));
    if (!ReadAt(first, 0, head.size(), head.data(), bytesRead) ||
        !TakeStreamOffset(first, head.data(), head.size())) {
        facts.bytesRead = bytesRead;
        return facts;
    }
    head.erase(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(
                                                std::min<uint64_t>(first.offset, head.size())));
    const uint64_t firstStream = first.size - first.offset;
    // A recording small enough is read whole, once: its two ends overlap.
    if (parts.size() == 1 && firstStream <= kHeadWindow + kTailWindow) {
        const size_t had = head.size();
        head.resize(static_cast<size_t>(firstStream));
        if (ReadAt(first, first.offset + had, head.size() - had, head.data() + had, bytesRead))
            facts = FactsOfStreamEnds(head.data(), head.size(), head.data(), head.size());
        facts.bytesRead = bytesRead;
        return facts;
    }
    const size_t headLimit = static_cast<size_t>(std::min<uint64_t>(firstStream, kHeadWindow));
    TailReader tail(parts, std::move(first));
    size_t headWanted = std::min(head.empty() ? kHeadStep : head.size(), headLimit);
    size_t tailWanted = kTailStep;
    for (;;) {
        const size_t headNow = head.size();
        if (headWanted > headNow) {
            head.resize(headWanted);
            if (!ReadAt(tail.FirstPart(), tail.FirstPart().offset + headNow, headWanted - headNow,
                        head.data() + headNow, bytesRead)) {
                facts = {};
                break;
            }
        }
        tail.Extend(tailWanted, bytesRead);
        EndsComplete complete;
        facts = FactsOfStreamEnds(head.data(), head.size(), tail.bytes().data(),
                                  tail.bytes().size(), &complete);
        bool more = false;
        if (!complete.head && head.size() < headLimit) {
            headWanted = std::min(2 * head.size(), headLimit);
            more = true;
        }
        if (!complete.tail && tail.CanGrow() && tail.bytes().size() < kTailWindow) {
            tailWanted = std::min(2 * tailWanted, kTailWindow);
            more = true;
        }
        if (!more)
            break;
    }
    // A part that cannot be read leaves the end unknown: the stamps found
    // before it would give a length that is not the recording's.
    if (tail.failed())
        facts.length.reset();
    facts.bytesRead = bytesRead;
    return facts;
}

} // namespace dz::convert
