// Runs the three header scanners over arbitrary bytes, with and without their
// diagnostic text, and checks that a found header lies inside the range and
// starts with its own sync pattern.

#include "convert/es_headers.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

std::FILE* Sink() {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    return sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VideoInfo video;
    const int v = parse_video_sequence_header(data, size, video, true, Sink());
    VideoInfo video_quiet;
    Check(parse_video_sequence_header(data, size, video_quiet, false) == v);
    if (v >= 0) {
        Check(static_cast<size_t>(v) + 16 < size && video.offset == v);
        Check(data[v] == 0 && data[v + 1] == 0 && data[v + 2] == 1 && data[v + 3] == 0xB3);
        Check(video.horizontal_size < 4096 && video.vertical_size < 4096);
        Check(video.bit_rate >= 0 && video.bit_rate <= 0x3FFFF * 400);
    }

    AudioInfo audio;
    const int a = parse_mpeg_audio_header(data, size, audio, true, Sink());
    AudioInfo audio_quiet;
    Check(parse_mpeg_audio_header(data, size, audio_quiet, false) == a);
    if (a >= 0) {
        Check(static_cast<size_t>(a) + 3 < size && audio.offset == a);
        Check(data[a] == 0xFF && (data[a + 1] & 0xF8) == 0xF8);
        Check(audio.bit_rate >= 0 && audio.bit_rate <= 448000);
    }

    Ac3Info ac3;
    const int c = parse_ac3_header(data, size, ac3, true, Sink());
    Ac3Info ac3_quiet;
    Check(parse_ac3_header(data, size, ac3_quiet, false) == c);
    if (c >= 0) {
        Check(static_cast<size_t>(c) + 5 < size && ac3.offset == c);
        Check(data[c] == 0x0B && data[c + 1] == 0x77);
        Check(ac3.frame_size >= 0 && ac3.frame_size <= 3840 && ac3.frame_size % 2 == 0);
    }
    return 0;
}
