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

// CopyBlocks through the buffer, one block at a time, each summed as written.
BlockCopy CopySummed(File& in, File& out, uint64_t length, uint8_t* block, uint64_t& copied,
                     const HeaderPatch* patch, const AfterBlock& afterBlock,
                     StreamChecksum& checksum) {
    const uint64_t blocks = (length + kTransferBlockSize - 1) / kTransferBlockSize;
    // The blocks the length promises, then one more if the file grew.
    for (uint64_t b = 0; b <= blocks; ++b) {
        if (b == blocks && copied == length)
            break;
        const int64_t n = in.Read(block, kTransferBlockSize);
        if (n < 0)
            return BlockCopy::ReadFailed;
        const size_t got = static_cast<size_t>(n);
        if (b == 0 && patch && got >= patch->size)
            ApplyPatch(block, *patch);
        if (!out.Write(block, got))
            return BlockCopy::WriteFailed;
        checksum.Add(block, got);
        copied += got;
        if (!afterBlock(got))
            return BlockCopy::Cancelled;
    }
    return copied == length ? BlockCopy::Done : BlockCopy::LengthChanged;
}

} // namespace

namespace {

constexpr uint64_t kFnvPrime = 1099511628211ull;

} // namespace

void StreamChecksum::Mix(uint64_t word) {
    m_hash = (m_hash ^ word) * kFnvPrime;
    m_hash ^= m_hash >> 29; // spreads the high bits a multiply leaves alone
}

void StreamChecksum::Add(const uint8_t* data, size_t n) {
    m_length += n;
    while (n > 0 && m_pendingBytes > 0) {
        m_pending |= uint64_t{*data++} << (8 * m_pendingBytes);
        --n;
        if (++m_pendingBytes == 8) {
            Mix(m_pending);
            m_pending = 0;
            m_pendingBytes = 0;
        }
    }
    for (; n >= 8; n -= 8, data += 8) {
        uint64_t word = 0;
        for (size_t i = 0; i < 8; ++i)
            word |= uint64_t{data[i]} << (8 * i);
        Mix(word);
    }
    for (; n > 0; --n)
        m_pending |= uint64_t{*data++} << (8 * m_pendingBytes++);
}

uint64_t StreamChecksum::Value() const {
    uint64_t hash = m_hash;
    hash = (hash ^ m_pending) * kFnvPrime;
    return (hash ^ m_length) * kFnvPrime;
}

bool ReadsBackAs(const std::u16string& path, uint64_t checksum, uint8_t* block) {
    File file = File::OpenReadFromDisk(path);
    if (!file.IsOpen())
        return false;
    StreamChecksum sum;
    for (;;) {
        const int64_t n = file.Read(block, kTransferBlockSize);
        if (n < 0)
            return false;
        if (n == 0)
            return sum.Value() == checksum;
        sum.Add(block, static_cast<size_t>(n));
    }
}

BlockCopy CopyBlocks(File& in, File& out, uint64_t length, uint8_t* block, uint64_t& copied,
                     const HeaderPatch* patch, const AfterBlock& afterBlock,
                     StreamChecksum* checksum) {
    copied = 0;
    if (checksum)
        return CopySummed(in, out, length, block, copied, patch, afterBlock, *checksum);
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
