#pragma once
// The PES repacketiser: takes the transport payload bytes of one elementary
// stream, finds its PES packets and re-emits each as segments of at most
// `capacity` bytes, each a complete PES packet with start code and length.

#include "convert/es_headers.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace dz {

// The length a PES packet is given when its header says 0 (unbounded video).
inline constexpr int32_t UNBOUNDED_PES_LENGTH = 0x7FFF2;

// A segment must hold the longest continuation header with room to spare,
// and its length must fit the 16-bit PES_packet_length.
inline constexpr int32_t kIpackMinCapacity = 64;
inline constexpr int32_t kIpackMaxCapacity = 0xFFFF + 6;

struct ipack;
// Receives each finished segment: p->buf holds p->fill bytes. No copy is made;
// the bytes are valid only during the call.
using ipack_consumer = void (*)(ipack* p, void* context);

struct ipack {
    int32_t limit = 0;
    int32_t capacity = 0;
    int32_t parse_pos = 0;
    bool audio_info_valid = false;
    bool video_info_valid = false;
    AudioInfo audio_info;
    VideoInfo video_info;
    std::unique_ptr<uint8_t[]> buf;
    uint8_t stream_id = 0;
    int32_t pes_length = 0;
    uint8_t length_bytes[2] = {0, 0};
    uint8_t flags1 = 0;
    uint8_t flags2 = 0;
    uint8_t header_data_length = 0;
    uint8_t pts_bytes[5] = {0, 0, 0, 0, 0};
    int32_t mpeg_version = 0;
    uint8_t mpeg1_byte = 0;
    int32_t mpeg1_step = 0;
    bool no_header_ext = false;
    int32_t fill = 0;
    uint16_t ac3_pointer = 0;
    // Kept by ipack.cpp alone: whether a segment of the current PES packet
    // has been emitted, and where the decision on an AC-3 sub-stream header
    // stands (0 not reached, 1 looking for the sync word, 2 decided) with the
    // buffer offset at which the search for 0B 77 resumes.
    bool continued = false;
    uint8_t ac3_header_state = 0;
    int32_t ac3_search_pos = 0;
    ipack_consumer consumer = nullptr;
    void* consumer_context = nullptr;
};

// Allocates the buffer; false (and nothing allocated) when it cannot, or when
// capacity lies outside [kIpackMinCapacity, kIpackMaxCapacity], so the caller
// can fail the conversion instead of the process ending.
bool ipack_create(ipack& p, int32_t capacity, ipack_consumer consumer, void* context);
void ipack_reset(ipack& p);
void ipack_destroy(ipack& p);
void ipack_feed(ipack& p, const uint8_t* data, size_t n);
void ipack_put(ipack& p, const uint8_t* data, size_t len);
void ipack_emit(ipack& p);
// At a payload unit start on the stream's PID: a PES packet whose header gave
// no length ends there, with the length it reached. A bounded packet is left
// alone.
void ipack_close_unbounded(ipack& p);

// The 33-bit PTS of five PES header bytes.
uint64_t decode_pts(const uint8_t bytes[5]);

} // namespace dz
