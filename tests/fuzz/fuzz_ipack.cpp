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
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kCapacity = 2048;

struct Run {
    std::vector<uint8_t> out; // each segment behind its 4-byte size
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void Collect(ipack* p, void* context) {
    auto* run = static_cast<Run*>(context);
    const uint8_t* b = p->buf.get();
    const int32_t fill = p->fill;
    Check(fill >= 10 && fill <= p->capacity);
    Check(b[0] == 0x00 && b[1] == 0x00 && b[2] == 0x01 && b[3] == p->stream_id);
    Check(((b[4] << 8) | b[5]) == fill - 6);
    if (p->mpeg_version == 2)
        Check((b[6] & 0xC0) == 0x80);
    for (int shift = 24; shift >= 0; shift -= 8)
        run->out.push_back(static_cast<uint8_t>(fill >> shift));
    run->out.insert(run->out.end(), b, b + fill);
}

// What the converter does at a payload unit start on the stream's PID.
void UnitStart(ipack& p) {
    if (p.pes_length != UNBOUNDED_PES_LENGTH)
        return;
    p.pes_length = p.parse_pos - 6;
    p.parse_pos = 0;
    ipack_emit(p);
    ipack_reset(p);
}

void Finish(ipack& p, Run& run) {
    // The segment still being built belongs to the comparison too.
    run.out.push_back(0xEE);
    run.out.insert(run.out.end(), p.buf.get(), p.buf.get() + p.fill);
    const int32_t state[] = {p.parse_pos, p.pes_length, p.limit, p.mpeg_version, p.mpeg1_step};
    const auto* s = reinterpret_cast<const uint8_t*>(state);
    run.out.insert(run.out.end(), s, s + sizeof state);
    run.out.insert(run.out.end(), p.pts_bytes, p.pts_bytes + 5);
    ipack_destroy(p);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const size_t k = control & 0x0F;
    if (size < 1 + k)
        return 0;
    const uint8_t* cuts = data + 1;
    const uint8_t* stream = data + 1 + k;
    const size_t n = size - 1 - k;
    const int32_t capacity = (control & 0x10) ? kIpackMinCapacity + (control >> 5) * 97 : kCapacity;

    // Chunks of the pattern, and the unit starts where they begin.
    std::vector<size_t> starts;
    std::vector<bool> unit_start;
    for (size_t pos = 0, i = 0; pos < n; ++i) {
        const uint8_t cut = k ? cuts[i % k] : 0x7F;
        starts.push_back(pos);
        unit_start.push_back((cut & 0x80) != 0);
        pos += k ? (cut & 0x7F) + 1u : n;
    }
    starts.push_back(n);

    Run chunked;
    ipack a;
    Check(ipack_create(a, capacity, Collect, &chunked));
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        if (unit_start[i])
            UnitStart(a);
        const size_t end = std::min(starts[i + 1], n);
        ipack_feed(a, stream + starts[i], end - starts[i]);
    }
    Finish(a, chunked);

    Run whole;
    ipack b;
    Check(ipack_create(b, capacity, Collect, &whole));
    size_t from = 0;
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        if (!unit_start[i])
            continue;
        ipack_feed(b, stream + from, starts[i] - from);
        from = starts[i];
        UnitStart(b);
    }
    ipack_feed(b, stream + from, n - from);
    Finish(b, whole);

    Check(chunked.out == whole.out);
    return 0;
}
