#include "transfer/block_copy.h"

#include "recording/RecordingName.h"
#include "recording/location_text.h"
#include "transfer/transfer_worker.h"

#include <algorithm>

namespace dz {
namespace {

using platform::File;

// Blocks moved by one kernel copy. A cancel is still seen after the block
// it arrives in; the few blocks already copied beyond it are rolled back
// with the rest of the entry.
constexpr uint64_t kBlocksPerKernelCopy = 16;

void ApplyPatch(uint8_t* header, const HeaderPatch& patch) {
    WriteLocationField(header + patch.fieldOffset, *patch.text);
}

} // namespace

BlockCopy CopyBlocks(File& in, File& out, uint64_t length, uint8_t* block, uint64_t& copied,
                     const HeaderPatch* patch, const AfterBlock& afterBlock) {
    copied = 0;
    // Several 64 KiB blocks go in one kernel copy, then each block's share
    // of it is handed to afterBlock in turn: the reports are exactly those of
    // one copy per block, without one system call per block. Done when all
    // went through and afterBlock wants more.
    auto run = [&](uint64_t blocks) {
        const int64_t n = in.CopyTo(out, block, kTransferBlockSize, blocks * kTransferBlockSize);
        if (n == File::kCopyReadFailed)
            return BlockCopy::ReadFailed;
        if (n == File::kCopyWriteFailed)
            return BlockCopy::WriteFailed;
        uint64_t left = static_cast<uint64_t>(n);
        for (uint64_t b = 0; b < blocks; ++b) {
            const uint64_t share = std::min<uint64_t>(left, kTransferBlockSize);
            left -= share;
            copied += share;
            if (!afterBlock(share))
                return BlockCopy::Cancelled;
        }
        return BlockCopy::Done;
    };
    const uint64_t blocks = (length + kTransferBlockSize - 1) / kTransferBlockSize;
    uint64_t first = 0;
    if (patch && blocks > 0) {
        const int64_t n = in.Read(block, kTransferBlockSize);
        if (n < 0)
            return BlockCopy::ReadFailed;
        const size_t got = static_cast<size_t>(n);
        if (got >= patch->size)
            ApplyPatch(block, *patch);
        if (!out.Write(block, got))
            return BlockCopy::WriteFailed;
        copied = got;
        if (!afterBlock(got))
            return BlockCopy::Cancelled;
        first = 1;
    }
    for (uint64_t b = first; b < blocks; b += kBlocksPerKernelCopy) {
        if (const BlockCopy result = run(std::min(blocks - b, kBlocksPerKernelCopy));
            result != BlockCopy::Done)
            return result;
    }
    if (copied == length)
        return BlockCopy::Done;
    // The extra block's report only: the file is finished either way.
    if (const BlockCopy result = run(1);
        result == BlockCopy::ReadFailed || result == BlockCopy::WriteFailed)
        return result;
    return copied == length ? BlockCopy::Done : BlockCopy::LengthChanged;
}

} // namespace dz
