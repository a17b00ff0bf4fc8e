// Runs the three header scanners over arbitrary bytes, with and without their
// diagnostic text, and checks that a found header lies inside the range and
// starts with its own sync pattern.

#include "convert/es_headers.h"

#include <cstdio>
#include <cstdlib>

using namespace dz;

#define CHECK(condition) ((condition) ? void() : std::abort())

namespace {

// Both ways of calling a scanner find the same header.
template <typename Info, typename Scan>
int Run(Scan scan, const uint8_t* data, size_t size, Info& info) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    Info quiet;
    const int at = scan(data, size, info, true, sink);
    CHECK(scan(data, size, quiet, false, sink) == at && (at < 0 || info.offset == at));
    return at;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VideoInfo video;
    if (const int v = Run(parse_video_sequence_header, data, size, video); v >= 0) {
        CHECK(size_t(v) + 16 < size && data[v] == 0 && data[v + 1] == 0 && data[v + 2] == 1 &&
              data[v + 3] == 0xB3);
        CHECK(video.horizontal_size < 4096 && video.vertical_size < 4096);
        CHECK(video.bit_rate >= 0 && video.bit_rate <= 0x3FFFF * 400);
    }
    AudioInfo audio;
    if (const int a = Run(parse_mpeg_audio_header, data, size, audio); a >= 0) {
        CHECK(size_t(a) + 3 < size && data[a] == 0xFF && (data[a + 1] & 0xF8) == 0xF8);
        CHECK(audio.bit_rate >= 0 && audio.bit_rate <= 448000);
    }
    Ac3Info ac3;
    if (const int c = Run(parse_ac3_header, data, size, ac3); c >= 0) {
        CHECK(size_t(c) + 5 < size && data[c] == 0x0B && data[c + 1] == 0x77);
        CHECK(ac3.frame_size >= 0 && ac3.frame_size <= 3840 && ac3.frame_size % 2 == 0);
    }
    return 0;
}
