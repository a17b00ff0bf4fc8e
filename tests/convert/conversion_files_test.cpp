// Which files a conversion reads, how a part is read past its header, and
// the output file's buffering.
#include "convert/conversion_files.h"

#include "recording_files.h"

#include <gtest/gtest.h>

namespace dz::convert {
namespace {

using test::PartName;
using test::ReadFile;
using test::TempDir;
using test::Text;

TEST(ConversionFiles, FileSystemsThatTakeAWholeRecording) {
    struct Row {
        const char* type;
        bool whole;
    } rows[] = {
        // A FUSE type is unknown until the platform has named the file system it
        // serves ("ntfs" for ntfs-3g, "vfat" for a FUSE FAT).
        {"ntfs", true},
        {"ntfs3", true},
        {"fuseblk", false},
        {"fuse.fusefat", false},
        {"exfat", true},
        {"ext4", true},
        {"xfs", true},
        {"btrfs", true},
        {"tmpfs", true},
        {"vfat", false},
        {"msdos", false},
        {"fat", false},
        {"", false},
        {"VFAT", true},
        // The names Windows gives its volumes.
        {"NTFS", true},
        {"exFAT", true},
        {"FAT32", false},
        {"FAT", false},
        {"FAT16", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FileSystemTakesLargeFiles(row.type), row.whole) << '"' << row.type << '"';
}

TEST(ConversionFiles, PartSelection) {
    TempDir dir;
    const std::vector<uint8_t> stream(500, 0x47);
    const auto parts = test::WriteRecording(dir.path(), "NEWS", {stream, stream, stream});
    const std::u16string part1 = Text(parts[0]);
    const auto texts = [](const std::vector<std::filesystem::path>& paths) {
        std::vector<std::u16string> t;
        for (const auto& p : paths)
            t.push_back(Text(p));
        return t;
    };

    EXPECT_EQ(SelectSourceParts(part1, true), texts(parts));
    EXPECT_EQ(SelectSourceParts(part1, false), std::vector<std::u16string>{part1});
    // Part 2 has no companion of its own name: it converts alone.
    EXPECT_EQ(SelectSourceParts(Text(parts[1]), true), std::vector<std::u16string>{Text(parts[1])});

    struct Row {
        int count;
        size_t selected;
    } rows[] = {{0, 1}, {1, 1}, {999, 999}, {1000, 1}, {65535, 1}};
    for (const Row& row : rows) {
        TempDir d;
        const auto p = test::WriteRecording(d.path(), "REC", {stream}, row.count);
        EXPECT_EQ(SelectSourceParts(Text(p[0]), true).size(), row.selected) << row.count;
    }
    EXPECT_EQ(SelectSourceParts(u"/nowhere/song.mp3", true).size(), 1u);

    // Three parts on disk: a count that cannot be right, or falls short,
    // gives way to them; one above them is kept, so the gap is seen.
    struct Found {
        int count;
        size_t selected;
        bool disagrees, missing;
    } counted[] = {{0, 3, true, false},    {1, 3, true, false},    {2, 3, true, false},
                   {3, 3, false, false},   {4, 4, false, true},    {999, 999, false, true},
                   {1000, 3, true, false}, {65535, 3, true, false}};
    for (const Found& row : counted) {
        TempDir d;
        const auto p = test::WriteRecording(d.path(), "REC", {stream, stream, stream}, row.count);
        const RecordingParts found = FindRecordingParts(Text(p[0]));
        EXPECT_EQ(found.parts.size(), row.selected) << row.count;
        EXPECT_EQ(found.onDisk, 3) << row.count;
        EXPECT_EQ(found.companionCount, row.count) << row.count;
        EXPECT_EQ(found.countDisagrees(), row.disagrees) << row.count;
        EXPECT_EQ(found.partsMissing(), row.missing) << row.count;
    }

    // A part named in lower case is found and opens.
    std::filesystem::rename(parts[2], dir / "NEWS_#003_200612241930.avr");
    const std::vector<std::u16string> selected = SelectSourceParts(part1, true);
    ASSERT_EQ(selected.size(), 3u);
    SourceFile source;
    EXPECT_TRUE(source.open_source(selected[2]));
}

TEST(ConversionFiles, PartIsReadFromItsStreamOffset) {
    TempDir dir;
    const std::vector<uint8_t> stream = test::PatternBytes(3000, 7);
    const auto parts = test::WriteRecording(dir.path(), "NEWS", {stream}, -1, 0x01B4);
    ProgressCounters progress;
    SourceFile source;
    source.set_progress(&progress);
    ASSERT_TRUE(source.open_source(Text(parts[0])));
    source.skip_recording_header();
    EXPECT_EQ(source.position(), 436u);
    EXPECT_EQ(progress.position.load(), 436u);
    EXPECT_EQ(progress.size.load(), 436u + 3000u);

    std::vector<uint8_t> read(kBlockSize);
    ASSERT_EQ(source.read_block(read.data(), read.size()), kBlockSize);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), stream.begin()));
    EXPECT_EQ(source.read_block(read.data(), read.size()), 3000u - kBlockSize);
    EXPECT_EQ(source.read_block(read.data(), read.size()), 0u);
    EXPECT_EQ(progress.position.load(), 436u + 3000u);
    source.close();
    EXPECT_EQ(progress.size.load(), 0u);

    // Too short to hold a stream offset: no stream data at all.
    test::WriteFile(dir / "tiny.AVR", std::vector<uint8_t>{0x47, 0x47, 0x47, 0x47, 0x47});
    ASSERT_TRUE(source.open_source(Text(dir / "tiny.AVR")));
    EXPECT_FALSE(source.skip_recording_header()) << "no part header";
    EXPECT_EQ(source.read_block(read.data(), read.size()), 0u);
    // An offset beyond the end: something else under a part's name.
    std::vector<uint8_t> beyond(300, 0x11);
    test::WriteFile(dir / "beyond.AVR", beyond);
    ASSERT_TRUE(source.open_source(Text(dir / "beyond.AVR")));
    EXPECT_FALSE(source.skip_recording_header());
    EXPECT_EQ(source.read_block(read.data(), read.size()), 0u);
    // Long enough for the offset, shorter than the header: the offset counts.
    std::vector<uint8_t> small(60, 0x11);
    small[8] = 0;
    small[9] = 20;
    test::WriteFile(dir / "small.AVR", small);
    ASSERT_TRUE(source.open_source(Text(dir / "small.AVR")));
    EXPECT_TRUE(source.skip_recording_header());
    EXPECT_EQ(source.read_block(read.data(), read.size()), 40u);

    EXPECT_FALSE(source.open_source(Text(dir / "missing.AVR")));
}

TEST(ConversionFiles, ReadAheadHandsOutTheFileInOrderAcrossSeeks) {
    TempDir dir;
    const std::vector<uint8_t> stream = test::PatternBytes(3 * SourceFile::kReadAhead + 1001, 5);
    const auto parts = test::WriteRecording(dir.path(), "NEWS", {stream});
    SourceFile source;
    ASSERT_TRUE(source.open_source(Text(parts[0])));
    source.skip_recording_header();
    std::vector<uint8_t> got, block(kBlockSize);
    for (size_t n; (n = source.read_block(block.data(), block.size())) > 0;) {
        got.insert(got.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
        if (got.size() == 40 * kBlockSize) { // go back, as discovery may
            ASSERT_TRUE(source.seek(134 + 1000));
            got.resize(1000);
        }
    }
    EXPECT_EQ(got, stream);
    EXPECT_EQ(source.position(), 134 + stream.size());
}

TEST(ConversionFiles, OutputKeepsTheOrderOfSmallAndLargeWrites) {
    TempDir dir;
    const std::vector<uint8_t> data = test::PatternBytes(3 * FileOutputSink::kBufferSize + 999, 3);
    const size_t pieces[] = {
        1, 2047, 2048, FileOutputSink::kBufferSize - 5, 7, FileOutputSink::kBufferSize + 1, 100};
    {
        FileOutputSink sink(platform::File::CreateWrite(Text(dir / "out.mpg")));
        ASSERT_TRUE(sink.is_open());
        size_t at = 0;
        for (size_t n : pieces) {
            sink.write(data.data() + at, n);
            at += n;
        }
        sink.write(data.data() + at, data.size() - at);
        EXPECT_TRUE(sink.close());
    }
    EXPECT_EQ(ReadFile(dir / "out.mpg"), data);
    EXPECT_FALSE(FileOutputSink(platform::File::CreateWrite(Text(dir / "no" / "x"))).is_open());
}

} // namespace
} // namespace dz::convert
