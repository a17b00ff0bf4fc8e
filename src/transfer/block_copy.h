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

// Runs after each block with the bytes it moved; false stops the copy.
using AfterBlock = std::function<bool(uint64_t share)>;

// One file in blocks: as many as the length has started 64 KiB, then one more
// if the bytes copied differ from the length (the file changed while it was
// copied). Still differing after that extra block is a failure, not a short
// copy. With a patch, the first block passes through the buffer (64 KiB) and
// has its header rewritten before it is written.
BlockCopy CopyBlocks(platform::File& in, platform::File& out, uint64_t length, uint8_t* block,
                     uint64_t& copied, const HeaderPatch* patch, const AfterBlock& afterBlock);

} // namespace dz
