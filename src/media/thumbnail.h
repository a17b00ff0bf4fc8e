#pragma once
// A picture of a recording without playing it: the first whole picture (a
// key frame) of its video from a position on, decoded by libavcodec, scaled
// by libswscale and written as a PNG. Only the picture is FFmpeg's work; the
// parts are read and the transport stream is taken apart here, as the
// converter does, and a time becomes a position through the recording's
// length as its stream facts give it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dz::convert {
struct RecordingFacts;
}

namespace dz::media {

inline constexpr int kDefaultThumbnailWidth = 320;
inline constexpr int kMaxThumbnailWidth = 4096;
// Stream bytes read from the position on before giving up: a damaged stream
// or one whose key frames are far apart ends in a failure, never a long read.
inline constexpr uint64_t kThumbnailReadBudget = 8u << 20;

enum class ThumbnailResult {
    kDone,
    kCantOpenSource,      // part 1 cannot be opened
    kCantReadSource,      // a read failed part-way
    kNotATransportStream, // no packet structure where the stream begins
    kNoVideo,             // no video stream in the recording
    kNoPicture,           // video, but no picture decoded within the budget
    kNoLength,            // a time was asked for, but the stream has no time stamps
    kPastTheEnd,          // a time was asked for beyond the recording's length
    kCantWriteTarget,
};

struct ThumbnailRequest {
    // The path of the recording's part-1 file (or any part file: it is then
    // read alone, as the converter reads it).
    std::u16string recording;
    // Seconds from the start; none: a tenth of the way in.
    std::optional<double> atSeconds;
    int width = kDefaultThumbnailWidth;
    // The recording's facts when the caller has them already (from the
    // cache); none: they are read from the stream's two ends.
    const convert::RecordingFacts* facts = nullptr;
};

// Rows of width * 3 bytes (red, green, blue), top row first.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// The height of a picture `width` wide showing a coded picture of
// codedWidth x codedHeight whose samples are sampleNum:sampleDen wide (0 as
// either: square samples): the display aspect is kept. At least 1.
int ScaledHeight(int width, int codedWidth, int codedHeight, int sampleNum, int sampleDen);

// Decodes the picture the request names.
ThumbnailResult TakePicture(const ThumbnailRequest& request, RgbPicture& picture);

// TakePicture, then the PNG written under a temporary name in the target's
// folder and put in place over whatever the target was: no reader sees half
// a picture, and a failure leaves the target as it was.
ThumbnailResult WriteThumbnail(const ThumbnailRequest& request, const std::u16string& target);

} // namespace dz::media
