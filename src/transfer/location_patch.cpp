#include "transfer/location_patch.h"

#include "platform/platform.h"
#include "recording/RecordingName.h"
#include "recording/location_text.h"
#include "transfer/block_copy.h"
#include "transfer/transfer_worker.h"

#include <array>
#include <memory>
#include <new>

namespace dz {

using platform::File;

namespace {

platform::Attributes Writable(platform::Attributes attributes) {
#ifdef _WIN32
    attributes.mode &= ~0x1u; // FILE_ATTRIBUTE_READONLY
#else
    attributes.mode |= 0200; // the owner's write bit
#endif
    return attributes;
}

} // namespace

std::optional<std::u16string> LocationOfFile(const std::u16string& path, bool companion) {
    const size_t headerSize = companion ? kCompanionHeadSize : kPartHeaderSize;
    const size_t offset = companion ? kCompanionLocationOffset : kPartLocationOffset;
    File file = File::OpenRead(path);
    std::array<uint8_t, kLocationFieldSize> field{};
    if (!file.IsOpen() || file.Size() < static_cast<int64_t>(headerSize) || !file.Seek(offset) ||
        file.Read(field.data(), field.size()) != static_cast<int64_t>(field.size()))
        return std::nullopt;
    return LocationTextOf(field.data());
}

std::optional<std::u16string> StagePatchedCompanion(const std::u16string& path,
                                                    const std::u16string& folder,
                                                    const std::u16string& text) {
    File in = File::OpenRead(path);
    const int64_t length = in.Size();
    if (!in.IsOpen() || length < 0)
        return std::nullopt;
    std::u16string temporary;
    File out = File::CreateTemporary(folder, temporary);
    if (!out.IsOpen())
        return std::nullopt;
    const std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kTransferBlockSize]);
    const HeaderPatch patch{kCompanionHeadSize, kCompanionLocationOffset, &text};
    uint64_t copied = 0;
    const bool written = block &&
                         CopyBlocks(in, out, static_cast<uint64_t>(length), block.get(), copied,
                                    &patch, [](uint64_t) { return true; }) == BlockCopy::Done &&
                         out.Flush() && out.Close();
    if (!written) {
        out.Close();
        platform::DeleteIfPresent(temporary);
        return std::nullopt;
    }
    if (const std::optional<platform::Attributes> attributes = platform::GetAttributes(path))
        platform::SetAttributes(temporary, *attributes);
    return temporary;
}

bool PatchPartLocation(const std::u16string& path, const std::u16string& text) {
    std::array<uint8_t, kLocationFieldSize> field{};
    WriteLocationField(field.data(), text);
    File file = File::OpenReadWrite(path);
    std::optional<platform::Attributes> readOnly;
    if (!file.IsOpen()) {
        // The recorder marks nothing read-only, but a copy keeps what it
        // found: such a part is still the user's to rename.
        readOnly = platform::GetAttributes(path);
        if (!readOnly || !platform::SetAttributes(path, Writable(*readOnly)))
            return false;
        file = File::OpenReadWrite(path);
    }
    bool done = file.IsOpen();
    if (done && file.Size() >= static_cast<int64_t>(kPartHeaderSize))
        done = file.Seek(kPartLocationOffset) && file.Write(field.data(), field.size()) &&
               file.Flush();
    done = file.Close() && done;
    if (readOnly)
        platform::SetAttributes(path, *readOnly);
    return done;
}

} // namespace dz
