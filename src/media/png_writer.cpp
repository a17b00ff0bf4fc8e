#include "media/png_writer.h"

#include "media/thumbnail.h"

#include <zlib.h>

#include <array>
#include <cstring>
#include <new>

namespace dz::media {
namespace {

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Length, type, data, and the CRC over type and data.
void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], const uint8_t* data,
              size_t length) {
    PutBigEndian32(out, static_cast<uint32_t>(length));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    if (length > 0)
        out.insert(out.end(), data, data + length);
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + length));
    PutBigEndian32(out, static_cast<uint32_t>(crc));
}

} // namespace

std::vector<uint8_t> EncodePng(const RgbPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    const size_t row = static_cast<size_t>(picture.width) * 3;
    if (picture.rgb.size() != row * static_cast<size_t>(picture.height))
        return {};
    try {
        // Each row behind its filter-type byte (0: none).
        std::vector<uint8_t> raw;
        raw.reserve((row + 1) * static_cast<size_t>(picture.height));
        for (int y = 0; y < picture.height; ++y) {
            raw.push_back(0);
            const uint8_t* from = picture.rgb.data() + row * static_cast<size_t>(y);
            raw.insert(raw.end(), from, from + row);
        }
        uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
        std::vector<uint8_t> packed(packedSize);
        if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                      Z_BEST_SPEED) != Z_OK)
            return {};

        std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        std::array<uint8_t, 13> header{};
        const auto width = static_cast<uint32_t>(picture.width);
        const auto height = static_cast<uint32_t>(picture.height);
        for (int i = 0; i < 4; ++i) {
            header[static_cast<size_t>(i)] = static_cast<uint8_t>(width >> (24 - 8 * i));
            header[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(height >> (24 - 8 * i));
        }
        header[8] = 8;  // bits per sample
        header[9] = 2;  // colour type: RGB
        header[10] = 0; // deflate
        header[11] = 0; // adaptive filtering, each row's type in front of it
        header[12] = 0; // not interlaced
        PutChunk(png, "IHDR", header.data(), header.size());
        PutChunk(png, "IDAT", packed.data(), packedSize);
        PutChunk(png, "IEND", nullptr, 0);
        return png;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace dz::media
