#pragma once
// PNG encoding of an RGB picture: 8 bits per sample, no interlace, every row
// unfiltered and the whole compressed by zlib, which both builds already
// link (the Windows toolkit uses it too).
#include <cstdint>
#include <vector>

namespace dz::media {

struct RgbPicture;

// The PNG file's bytes; empty when the picture is empty or its rows do not
// match its size, or when there is no memory to compress it.
std::vector<uint8_t> EncodePng(const RgbPicture& picture);

} // namespace dz::media
