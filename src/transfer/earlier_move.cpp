#include "transfer/earlier_move.h"

#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/recording_files.h"
#include "transfer/entry_deletion.h"
#include "transfer/transfer_plan.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

namespace dz {
namespace {

using platform::File;

std::unique_ptr<uint8_t[]> TryAllocate(size_t n) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n]);
}

// Whether two files hold the same bytes but for the location field of their
// header, which a copy rewrites. A file shorter than its header is copied as
// it is, so all of it counts.
bool SameButLocation(const std::u16string& a, const std::u16string& b, size_t headerSize,
                     size_t fieldOffset) {
    File fileA = File::OpenRead(a);
    File fileB = File::OpenRead(b);
    const int64_t size = fileA.Size();
    if (!fileA.IsOpen() || !fileB.IsOpen() || size < 0 || fileB.Size() != size)
        return false;
    constexpr size_t kChunk = size_t{1} << 20;
    const std::unique_ptr<uint8_t[]> bufferA = TryAllocate(kChunk);
    const std::unique_ptr<uint8_t[]> bufferB = TryAllocate(kChunk);
    if (!bufferA || !bufferB)
        return false;
    const bool skipField = static_cast<uint64_t>(size) >= headerSize;
    for (uint64_t at = 0;;) {
        const int64_t gotA = fileA.Read(bufferA.get(), kChunk);
        const int64_t gotB = fileB.Read(bufferB.get(), kChunk);
        if (gotA < 0 || gotA != gotB)
            return false;
        if (gotA == 0)
            return true;
        const size_t n = static_cast<size_t>(gotA);
        if (skipField && at < fieldOffset + kLocationFieldSize) {
            // This chunk holds the header: the field itself is not compared.
            const size_t fieldEnd = std::min(n, fieldOffset + kLocationFieldSize - at);
            const size_t fieldStart = std::min(fieldEnd, fieldOffset > at ? fieldOffset - at : 0);
            if (std::memcmp(bufferA.get(), bufferB.get(), fieldStart) != 0 ||
                std::memcmp(bufferA.get() + fieldEnd, bufferB.get() + fieldEnd, n - fieldEnd) != 0)
                return false;
        } else if (std::memcmp(bufferA.get(), bufferB.get(), n) != 0) {
            return false;
        }
        at += n;
    }
}

// A file of a recording copied into place: a regular file of its own under
// that very name, never a link or the source file itself by another name.
bool IsCopyOf(const std::u16string& copy, const std::u16string& source) {
    return platform::IsRegularFile(copy) && !platform::SameFile(copy, source);
}

} // namespace

bool HoldsCopyOf(const std::u16string& copy, const std::u16string& source, bool companion) {
    return IsCopyOf(copy, source) &&
           SameButLocation(source, copy, companion ? kCompanionHeadSize : kPartHeaderSize,
                           companion ? kCompanionLocationOffset : kPartLocationOffset);
}

bool LeftoversAreCopiesOf(const std::u16string& sourcePath, const std::u16string& destinationPath) {
    std::optional<RecordingFiles> source = RecordingFiles::Of(sourcePath);
    std::optional<RecordingFiles> destination = RecordingFiles::Of(destinationPath);
    if (!source || !destination)
        return true;
    const std::u16string& leftCompanion = destination->companion().path;
    if (platform::PathExists(leftCompanion) &&
        !HoldsCopyOf(leftCompanion, source->companion().path, true))
        return false;
    const int32_t parts = std::max(source->CountedParts(1), 1);
    for (int32_t p = 1; p <= parts; ++p) {
        const std::u16string left = destination->PartPath(p);
        if (platform::PathExists(left) && !HoldsCopyOf(left, source->PartPath(p), false))
            return false;
    }
    return true;
}

// A move cut short after its copy was put in place - before or while it
// removed its source (the parts go from the last one, the companion last) -
// leaves the whole recording at the destination and all or some of it at the
// source. Moving it again only has to remove the source: true when the
// destination holds this very recording whole - a companion with the same
// bytes but for its location, every part there, and every part still at the
// source with the same bytes as its copy but for the location. Sizes alone
// would let a damaged copy replace its only good source.
bool FinishesAnEarlierMove(const std::u16string& sourcePath,
                           const std::u16string& destinationPath) {
    std::optional<RecordingFiles> source = RecordingFiles::Of(sourcePath);
    std::optional<RecordingFiles> destination = RecordingFiles::Of(destinationPath);
    if (!source || !destination)
        return false;
    const CompanionRead& sourceHead = source->companion();
    const CompanionRead& destinationHead = destination->companion();
    if (!sourceHead.Ok() || !destinationHead.Ok() ||
        !IsCopyOf(destinationHead.path, sourceHead.path) ||
        !SameButLocation(sourceHead.path, destinationHead.path, kCompanionHeadSize,
                         kCompanionLocationOffset))
        return false;
    for (int32_t p = 1; p <= sourceHead.partCount; ++p) {
        const std::u16string left = source->PartPath(p);
        const std::u16string copy = destination->PartPath(p);
        if (!platform::PathExists(left)) {
            if (!platform::IsRegularFile(copy))
                return false;
            continue;
        }
        if (!IsCopyOf(copy, left) ||
            !SameButLocation(left, copy, kPartHeaderSize, kPartLocationOffset))
            return false;
    }
    return true;
}

// Makes a recording found in place at the destination durable before its
// source goes: whoever wrote it may not have flushed it.
bool FlushEntry(const std::u16string& folder, const std::u16string& name) {
    for (const std::u16string& path : EntryFiles(folder, name)) {
        // A copy keeps a read-only part read-only; Linux flushes it through a
        // read handle. Where that fails too, the entry is copied again.
        File file = File::OpenReadWrite(path);
        if (!file.IsOpen())
            file = File::OpenRead(path);
        if (!file.Flush() || !file.Close())
            return false;
    }
    return platform::FlushFolder(folder);
}

bool ResumesEarlierMove(const std::u16string& sourceFolder, const std::u16string& destinationFolder,
                        const std::u16string& name) {
    return IsEntryOwnName(name) &&
           FinishesAnEarlierMove(platform::JoinPath(sourceFolder, name),
                                 platform::JoinPath(destinationFolder, name)) &&
           FlushEntry(destinationFolder, name);
}

} // namespace dz
