#pragma once
// Finds the first header of an elementary stream in a byte range and decodes
// the few fields the converter needs. Each scanner returns the header's
// offset, or -1; the record is meaningful only after success.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace dz {

struct VideoInfo {
    int32_t horizontal_size = 0;
    int32_t vertical_size = 0;
    int32_t bit_rate = 0;        // bit/s
    int32_t offset = 0;          // of the 00 00 01 B3 start code
    int32_t aspect_code = 0;     // aspect_ratio_information: 1 = 1:1, 2 = 4:3, 3 = 16:9, 4 = 2.21:1
    int32_t frame_rate_code = 0; // frame_rate_code: 1 = 23.976 ... 7 = 59.94, 8 = 60
};

struct AudioInfo {
    int32_t layer = 0;     // the two-bit field: 3 = Layer I, 2 = II, 1 = III
    int32_t bit_rate = 0;  // bit/s, 0 = free format
    int32_t frequency = 0; // Hz
    int32_t offset = 0;    // of the sync word
    int32_t mode = 0;      // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
};

struct Ac3Info {
    int32_t bit_rate = 0;   // bit/s
    int32_t frame_size = 0; // bytes
    int32_t offset = 0;     // of the 0B 77 sync word
    int32_t frequency = 0;  // Hz; 0 for the reserved fscod
    int32_t channels = 0;   // full-range channels plus the LFE; 0 when the header is cut short
};

// Diagnostic lines go to `log` when verbose is set (standard error by default).
int parse_video_sequence_header(const uint8_t* data, size_t len, VideoInfo& info, bool verbose,
                                std::FILE* log = stderr);
int parse_mpeg_audio_header(const uint8_t* data, size_t len, AudioInfo& info, bool verbose,
                            std::FILE* log = stderr);
int parse_ac3_header(const uint8_t* data, size_t len, Ac3Info& info, bool verbose,
                     std::FILE* log = stderr);

} // namespace dz
