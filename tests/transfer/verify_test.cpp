#include "transfer/block_copy.h"

#include "platform/platform.h"
#include "recording/recording_files.h"
#include "transfer/transfer_worker.h"

#include <gtest/gtest.h>

using namespace dz;

namespace {

using namespace dz::test;

uint64_t SumInPieces(const std::vector<uint8_t>& bytes, size_t piece) {
    StreamChecksum sum;
    for (size_t at = 0; at < bytes.size(); at += piece)
        sum.Add(bytes.data() + at, std::min(piece, bytes.size() - at));
    return sum.Value();
}

// A copy sums 64 KiB blocks, a read-back whatever its reads return: the
// pieces must not matter, any changed, missing or extra byte must.
TEST(StreamChecksum, DependsOnTheBytesNotOnTheirPieces) {
    const std::vector<uint8_t> bytes = PatternBytes(70001, 3);
    const uint64_t whole = SumInPieces(bytes, bytes.size());
    for (const size_t piece : {1, 3, 7, 8, 9, 188, 65536})
        EXPECT_EQ(SumInPieces(bytes, piece), whole) << piece;
    std::vector<uint8_t> changed = bytes;
    changed[65536] ^= 1;
    EXPECT_NE(SumInPieces(changed, 4096), whole);
    std::vector<uint8_t> shorter(bytes.begin(), bytes.end() - 1);
    EXPECT_NE(SumInPieces(shorter, 4096), whole);
    std::vector<uint8_t> zeros(16, 0), moreZeros(17, 0);
    EXPECT_NE(SumInPieces(zeros, 16), SumInPieces(moreZeros, 17));
}

TEST(StreamChecksum, AFileReadsBackAsItsSum) {
    TempDir dir;
    const std::vector<uint8_t> bytes = PatternBytes(150000, 9);
    WriteFile(dir / "a.mp3", bytes);
    std::vector<uint8_t> block(kTransferBlockSize);
    const std::u16string path = platform::FromPath(dir / "a.mp3").value();
    EXPECT_TRUE(ReadsBackAs(path, SumInPieces(bytes, 65536), block.data()));
    EXPECT_FALSE(ReadsBackAs(path, SumInPieces(bytes, 65536) + 1, block.data()));
    EXPECT_FALSE(ReadsBackAs(path + u"x", SumInPieces(bytes, 65536), block.data()));
}

} // namespace
