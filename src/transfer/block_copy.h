#pragma once
// One file copied in blocks: the loop every file of a transfer goes through,
// with a report after each 64 KiB block, and the location field of a
// recording's header rewritten on its way through memory.
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace dz {

enum class BlockCopy { Done, Cancelled, ReadFailed, WriteFailed, LengthChanged };

// The location field rewritten inside a file's header on its way through
// memory: the copy is never read back, which some file systems refuse on a
// handle that was opened to write.
struct HeaderPatch {
    size_t size = 0; // the header's length; a file shorter than it is left as copied
    size_t fieldOffset = 0;
    const std::u16string* text = nullptr;
};

// A checksum of a file's bytes in order, the same however they are cut into
// pieces: a copy sums what it wrote, a read-back from the disk what it
// found. Not a defence against tampering, only against a disk or a cable
// that changed a byte.
class StreamChecksum {
public:
    void Add(const uint8_t* data, size_t n);
    uint64_t Value() const;

private:
    void Mix(uint64_t word);
    uint64_t m_hash = 14695981039346656037ull; // FNV-1a's offset basis
    uint64_t m_length = 0;
    uint64_t m_pending = 0; // the bytes of an unfinished 8-byte word
    size_t m_pendingBytes = 0;
};

// Runs after each block with the bytes it moved; false stops the copy.
using AfterBlock = std::function<bool(uint64_t share)>;

// One file in blocks: as many as the length has started 64 KiB, then one more
// if the bytes copied differ from the length (the file changed while it was
// copied). Still differing after that extra block is a failure, not a short
// copy. With a patch, the first block passes through the buffer (64 KiB) and
// has its header rewritten before it is written. With a checksum, every
// block passes through the buffer and is summed as it is written.
BlockCopy CopyBlocks(platform::File& in, platform::File& out, uint64_t length, uint8_t* block,
                     uint64_t& copied, const HeaderPatch* patch, const AfterBlock& afterBlock,
                     StreamChecksum* checksum = nullptr);

// Whether the file reads back from its disk (not from the system's cache of
// it) with this checksum; block is a kTransferBlockSize buffer.
bool ReadsBackAs(const std::u16string& path, uint64_t checksum, uint8_t* block);

} // namespace dz
