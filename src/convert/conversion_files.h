#pragma once
// Which files one conversion reads and writes, and how: the part list of a
// recording, each part opened past its recording header, block reads, and
// the one output file every part is appended to.

#include "platform/platform.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dz::convert {

// Bytes per read of the converter: ten transport packets.
inline constexpr size_t kTsPacketSize = 188;
inline constexpr size_t kBlockSize = 10 * kTsPacketSize;
// A recording holds at most 999 parts (three digits in the name); a larger
// count in a companion is not believed and the named file converts alone.
inline constexpr int32_t kMaxJoinedParts = 999;

// Whether a volume of this file-system type takes one joined recording,
// which can pass 4 GiB: everything but the FAT family and an unknown type.
bool FileSystemTakesLargeFiles(const std::string& fsType);
// The same for the volume that holds (or will hold) the target path; nothing
// when the platform cannot tell its file system at all (the mount table or
// the volume cannot be read), which is no answer to guess from.
std::optional<bool> TargetTakesWholeRecording(const std::u16string& target);

// The parts of the recording a source names, as found before any rule of
// the target: what the companion counts and what is on disk.
struct RecordingParts {
    // What to convert, in order: parts 1..P of the recording, or the named
    // file alone when it has no companion (a later part, a plain file).
    std::vector<std::u16string> parts;
    int32_t companionCount = -1; // the companion's part count; -1 without one
    int32_t onDisk = 0;          // parts 1, 2, ... found one after another
    bool companionUnreadable = false;
    // The companion counts more parts than follow one another on disk.
    bool partsMissing() const {
        return companionCount > onDisk && companionCount <= kMaxJoinedParts;
    }
    // The parts joined are not the number the companion gives.
    bool countDisagrees() const {
        return companionCount >= 0 && !partsMissing() && companionCount != onDisk;
    }
};
// A companion count of 1..999 that the disk bears out is taken as it is. One
// that cannot be right (0, more than 999) or that falls short of the parts
// on disk gives way to the parts found: every part that is there is joined,
// never part 1 alone without a word. A count above the parts there is kept,
// so that the missing parts are a failure.
RecordingParts FindRecordingParts(const std::u16string& source);

// The source files of one conversion, in order: parts 1..P of the recording
// when its companion gives 1 <= P <= 999 and the target volume takes the
// whole recording, else the named source alone. Only a source naming part 1
// finds its companion.
std::vector<std::u16string> SelectSourceParts(const std::u16string& source, bool wholeRecording);
// The same; companionUnreadable is set when the companion is there but
// cannot be read (a failing disk): the part count is then unknown, and the
// named file alone would be a short output, not the recording.
std::vector<std::u16string> SelectSourceParts(const std::u16string& source, bool wholeRecording,
                                              bool& companionUnreadable);

// The recording's companion file named by a part path (part 1's name with
// ".AVF"), or an empty text when the path is no part of a recording.
std::u16string CompanionOfRecording(const std::u16string& partPath);

// What the converter reads: sequential blocks, with a way back for discovery.
class BlockSource {
public:
    virtual ~BlockSource() = default;
    // Up to n bytes; 0 at the end of the input and on a read error.
    virtual size_t read_block(uint8_t* buffer, size_t n) = 0;
    // Byte offset of the next read from the start of the input.
    virtual uint64_t position() const = 0;
    virtual bool seek(uint64_t offset) = 0;
};

// Where the reader of the open part file is, for a progress display on
// another thread. Written by the worker only.
struct ProgressCounters {
    std::atomic<uint64_t> position{0};
    std::atomic<uint64_t> size{0};
};

// One part file, read from its stream offset on. The file is read ahead in
// large pieces; the converter still sees its blocks one by one.
class SourceFile final : public BlockSource {
public:
    static constexpr size_t kReadAhead = 35 * kBlockSize; // about 64 KiB

    // Opens the part for reading (the recorder's upper-case name is looked up
    // without regard to case when it does not exist as built). False when it
    // cannot be opened.
    bool open_source(const std::u16string& path);
    // Reads the part header and moves to its stream offset. A file too short
    // to hold the offset has no stream: it is left at its end. False when the
    // header cannot be a part's: too short to hold the offset, or an offset
    // beyond the end of the file (something else under a part's name).
    bool skip_recording_header();
    size_t read_block(uint8_t* buffer, size_t n) override;
    uint64_t position() const override { return m_position; }
    bool seek(uint64_t offset) override;
    uint64_t size() const { return m_size; } // as found when opened
    // Whether a read failed since the part was opened. The converter takes a
    // failed read as the end of its input; this tells it from the real end.
    bool read_failed() const { return m_readFailed; }
    // Progress is published here after every read and seek (may be null).
    void set_progress(ProgressCounters* progress) { m_progress = progress; }
    void close();

private:
    void publish();
    platform::File m_file;
    std::unique_ptr<uint8_t[]> m_ahead;
    size_t m_aheadFill = 0;  // bytes read ahead
    size_t m_aheadUsed = 0;  // of which handed out
    uint64_t m_position = 0; // of the next byte handed out
    uint64_t m_size = 0;
    bool m_readFailed = false;
    ProgressCounters* m_progress = nullptr;
};

// Where the program stream goes. A write that fails makes the sink failed
// for good; later writes are ignored, so one check at the end (or at any
// block) tells whether the output is whole.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    void write(const uint8_t* bytes, size_t length) {
        if (!m_failed && !put(bytes, length))
            m_failed = true;
        m_written += length;
    }
    bool failed() const { return m_failed; }
    // Bytes handed to write so far: 0 means the conversion found nothing.
    uint64_t written() const { return m_written; }

protected:
    virtual bool put(const uint8_t* bytes, size_t length) = 0;
    void mark_failed() { m_failed = true; }

private:
    bool m_failed = false;
    uint64_t m_written = 0;
};

// The output file, written in large pieces: the converter hands it segments
// of at most 2 KiB.
class FileOutputSink final : public OutputSink {
public:
    static constexpr size_t kBufferSize = 256 * 1024;
    explicit FileOutputSink(platform::File file);
    ~FileOutputSink() override;
    bool is_open() const { return m_file.IsOpen(); }
    // Writes what is buffered; false when the output is not whole.
    bool flush();
    // Flushes and closes; false when the output is not whole.
    bool close();
    // Writes what is buffered and makes it durable on its disk; false when
    // the output is not whole.
    bool flush_to_disk();

protected:
    bool put(const uint8_t* bytes, size_t length) override;

private:
    platform::File m_file;
    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_fill = 0;
};

// The output kept in memory (tests, tools).
class MemoryOutputSink final : public OutputSink {
public:
    std::vector<uint8_t> bytes;

protected:
    bool put(const uint8_t* data, size_t length) override {
        bytes.insert(bytes.end(), data, data + length);
        return true;
    }
};

} // namespace dz::convert
