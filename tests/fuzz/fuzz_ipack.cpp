// Feeds arbitrary bytes to the repacketiser, cut as the first input bytes say,
// and checks that every segment is a well-formed PES packet that fits the
// buffer, and that the same bytes fed in one piece per span give the very
// same segments and end state.
//
// Input: byte 0 = control (low 4 bits: count k of cut bytes; bit 4: a small
// capacity chosen by bits 5..7), then k cut bytes (low 7 bits + 1 = chunk
// size; bit 7 = a payload unit start before this chunk, where the converter
// closes an unbounded packet), then the stream bytes, cut in that pattern
// over and over.

#include "convert/ipack.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace dz;

#define CHECK(condition) ((condition) ? void() : std::abort())

namespace {

using Bytes = std::vector<uint8_t>;

// Each segment goes into the record behind its 4-byte size.
void Collect(ipack* p, void* context) {
    auto& out = *static_cast<Bytes*>(context);
    const uint8_t* b = p->buf.get();
    const int32_t fill = p->fill;
    CHECK(fill >= 10 && fill <= p->capacity);
    CHECK(b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == p->stream_id);
    CHECK(((b[4] << 8) | b[5]) == fill - 6 && (p->mpeg_version != 2 || (b[6] & 0xC0) == 0x80));
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(fill >> shift));
    out.insert(out.end(), b, b + fill);
}

// The segment still being built and the parser's state join the record.
void Finish(ipack& p, Bytes& out) {
    out.push_back(0xEE);
    out.insert(out.end(), p.buf.get(), p.buf.get() + p.fill);
    const int32_t state[] = {p.parse_pos, p.pes_length, p.limit, p.mpeg_version, p.mpeg1_step};
    const auto* s = reinterpret_cast<const uint8_t*>(state);
    out.insert(out.end(), s, s + sizeof state);
    out.insert(out.end(), p.pts_bytes, p.pts_bytes + 5);
    ipack_destroy(p);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t k = size ? data[0] & 0x0F : 0;
    if (size < 1 + k)
        return 0;
    const uint8_t* stream = data + 1 + k;
    const size_t n = size - 1 - k;
    const int32_t capacity = (data[0] & 0x10) ? kIpackMinCapacity + (data[0] >> 5) * 97 : 2048;

    // `chunked` takes the pattern's chunks; `whole` one feed per unit start.
    Bytes chunked, whole;
    ipack a, b;
    CHECK(ipack_create(a, capacity, Collect, &chunked));
    CHECK(ipack_create(b, capacity, Collect, &whole));
    size_t pos = 0, from = 0;
    for (size_t i = 0; pos < n; ++i) {
        const uint8_t cut = k ? data[1 + i % k] : 0x7F;
        if (cut & 0x80) {
            ipack_close_unbounded(a);
            ipack_feed(b, stream + from, pos - from);
            from = pos;
            ipack_close_unbounded(b);
        }
        const size_t length = std::min(n - pos, k ? (cut & 0x7Fu) + 1 : n);
        ipack_feed(a, stream + pos, length);
        pos += length;
    }
    ipack_feed(b, stream + from, n - from);
    Finish(a, chunked);
    Finish(b, whole);
    CHECK(chunked == whole);
    return 0;
}
