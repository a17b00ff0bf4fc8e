#include "convert/conversion_files.h"

#include "common/text.h"
#include "recording/RecordingName.h"
#include "recording/recording_files.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace dz::convert {

bool FileSystemTakesLargeFiles(const std::string& fsType) {
    // An unknown type is treated like the old rule's failed volume query:
    // one file only, which is never wrong, just less.
    if (fsType.empty())
        return false;
    // A FUSE mount whose real file system could not be told ("fuse...") is
    // unknown as well, and so is taken for the smaller promise.
    if (fsType.rfind("fuse", 0) == 0)
        return false;
    // Linux mount types, then the file-system names Windows gives its volumes.
    static constexpr const char* kFatFamily[] = {"vfat", "msdos", "fat",   "umsdos",
                                                 "FAT",  "FAT12", "FAT16", "FAT32"};
    for (const char* fat : kFatFamily)
        if (fsType == fat)
            return false;
    return true;
}

std::optional<bool> TargetTakesWholeRecording(const std::u16string& target) {
    const std::string type = platform::FileSystemTypeOf(target);
    if (type.empty())
        return std::nullopt;
    return FileSystemTakesLargeFiles(type);
}

std::vector<std::u16string> SelectSourceParts(const std::u16string& source, bool wholeRecording) {
    bool unreadable = false;
    return SelectSourceParts(source, wholeRecording, unreadable);
}

std::vector<std::u16string> SelectSourceParts(const std::u16string& source, bool wholeRecording,
                                              bool& companionUnreadable) {
    companionUnreadable = false;
    if (!wholeRecording)
        return {source};
    RecordingParts found = FindRecordingParts(source);
    companionUnreadable = found.companionUnreadable;
    return std::move(found.parts);
}

RecordingParts FindRecordingParts(const std::u16string& source) {
    RecordingParts found;
    found.parts = {source};
    // The parts are named without the bounds of a copy's location text: a
    // long recording name or a deep folder must not make every part's name
    // fall back to the source's own, which would join part 1 to itself.
    std::optional<RecordingFiles> files = RecordingFiles::Of(source);
    if (!files)
        return found;
    const CompanionRead& companion = files->companion();
    if (companion.status == CompanionStatus::Unreadable) {
        found.companionUnreadable = true;
        return found;
    }
    if (companion.path.empty() || companion.status == CompanionStatus::Missing)
        return found;
    // A companion shorter than its head counts no parts.
    found.companionCount = files->CountedParts(0);
    found.onDisk = files->PartsOnDisk(kMaxJoinedParts);
    const int32_t count = found.partsMissing() ? found.companionCount : found.onDisk;
    if (count < 1)
        return found;
    found.parts.clear();
    found.parts.reserve(static_cast<size_t>(count));
    for (int32_t k = 1; k <= count; ++k)
        found.parts.push_back(files->PartPath(k));
    return found;
}

std::u16string CompanionOfRecording(const std::u16string& partPath) {
    if (!IsPartFileName(partPath))
        return {};
    const CRecordingName names;
    RecordingNameParts pieces;
    if (SplitSiblingNames(partPath, pieces) != 0)
        return {};
    return names.MakeCompanionPath(pieces.prefix, pieces.recordingName, 1, pieces.dateStamp,
                                   pieces.suffixNumber);
}

// --- SourceFile ---

bool SourceFile::open_source(const std::u16string& path) {
    close();
    m_file = platform::File::OpenRead(path);
    m_aheadFill = m_aheadUsed = 0;
    m_readFailed = false;
    if (!m_file.IsOpen()) {
        const std::u16string found = platform::ResolveCase(path);
        if (found != path)
            m_file = platform::File::OpenRead(found);
    }
    m_position = 0;
    const int64_t size = m_file.Size();
    m_size = size > 0 ? static_cast<uint64_t>(size) : 0;
    publish();
    return m_file.IsOpen();
}

bool SourceFile::skip_recording_header() {
    std::array<uint8_t, kPartHeaderSize> header{};
    m_file.Seek(0);
    const int64_t got = m_file.Read(header.data(), header.size());
    if (got < 0)
        m_readFailed = true; // not a short part: the conversion must not go on as if it were
    uint64_t offset = 0;
    bool partHeader = true;
    if (got >= static_cast<int64_t>(kPartStreamOffsetOffset + 2)) {
        offset = ReadBigEndian(header.data() + kPartStreamOffsetOffset, 2);
        partHeader = offset <= m_size;
    } else {
        // Too short to say where its stream begins: nothing of it is stream data.
        offset = m_size;
        partHeader = got < 0;
    }
    seek(std::min(offset, m_size));
    return partHeader;
}

size_t SourceFile::read_block(uint8_t* buffer, size_t n) {
    if (!m_ahead) {
        m_ahead.reset(new (std::nothrow) uint8_t[kReadAhead]);
        if (!m_ahead) { // no room to read ahead: straight from the file
            const int64_t got = m_file.Read(buffer, n);
            if (got < 0)
                m_readFailed = true;
            if (got <= 0)
                return 0;
            m_position += static_cast<uint64_t>(got);
            publish();
            return static_cast<size_t>(got);
        }
    }
    size_t done = 0;
    while (done < n) {
        if (m_aheadUsed == m_aheadFill) {
            const int64_t got = m_file.Read(m_ahead.get(), kReadAhead);
            m_aheadUsed = 0;
            m_aheadFill = got > 0 ? static_cast<size_t>(got) : 0;
            if (got < 0)
                m_readFailed = true; // the converter sees an end; the job sees the failure
            if (m_aheadFill == 0)
                break;
        }
        const size_t k = std::min(n - done, m_aheadFill - m_aheadUsed);
        std::memcpy(buffer + done, m_ahead.get() + m_aheadUsed, k);
        m_aheadUsed += k;
        done += k;
    }
    m_position += done;
    publish();
    return done;
}

bool SourceFile::seek(uint64_t offset) {
    if (!m_file.Seek(offset))
        return false;
    m_aheadFill = m_aheadUsed = 0;
    m_position = offset;
    publish();
    return true;
}

void SourceFile::close() {
    m_file.Close();
    m_aheadFill = m_aheadUsed = 0;
    m_position = 0;
    m_size = 0;
    if (m_progress) {
        m_progress->size.store(0, std::memory_order_relaxed);
        m_progress->position.store(0, std::memory_order_relaxed);
    }
}

void SourceFile::publish() {
    if (!m_progress)
        return;
    m_progress->size.store(m_size, std::memory_order_relaxed);
    m_progress->position.store(m_position, std::memory_order_relaxed);
}

// --- FileOutputSink ---

FileOutputSink::FileOutputSink(platform::File file)
    : m_file(std::move(file)), m_buffer(new (std::nothrow) uint8_t[kBufferSize]) {}

FileOutputSink::~FileOutputSink() {
    close();
}

bool FileOutputSink::put(const uint8_t* bytes, size_t length) {
    if (!m_buffer) // no room for a buffer: every segment goes straight out
        return m_file.Write(bytes, length);
    if (m_fill + length > kBufferSize && !flush())
        return false;
    if (length >= kBufferSize)
        return m_file.Write(bytes, length);
    std::memcpy(m_buffer.get() + m_fill, bytes, length);
    m_fill += length;
    return true;
}

bool FileOutputSink::flush() {
    if (m_fill > 0 && !failed() && !m_file.Write(m_buffer.get(), m_fill))
        mark_failed();
    m_fill = 0;
    return !failed();
}

bool FileOutputSink::flush_to_disk() {
    if (!flush())
        return false;
    if (!m_file.Flush())
        mark_failed();
    return !failed();
}

bool FileOutputSink::close() {
    if (!m_file.IsOpen())
        return !failed();
    const bool whole = flush();
    // An error from close can be the last write failing to reach the disk.
    if (!m_file.Close())
        mark_failed();
    return whole && !failed();
}

} // namespace dz::convert
