#pragma once
// PES packets built byte by byte, for the repacketiser's and the converter's
// tests.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace dz::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Bytes told apart by their seed that never form a sync byte, a start code
// or an audio sync word (0x10..0x3F).
inline Bytes Filler(size_t n, uint8_t seed = 0) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(0x10 + (seed * 7 + i) % 0x30);
    return b;
}

// The five bytes of a time stamp ('0010' prefix for a PTS alone, markers set).
inline Bytes PtsBytes(uint64_t pts, uint8_t prefix = 0x2) {
    return {static_cast<uint8_t>(prefix << 4 | ((pts >> 29) & 0x0E) | 1),
            static_cast<uint8_t>(pts >> 22), static_cast<uint8_t>(((pts >> 14) & 0xFE) | 1),
            static_cast<uint8_t>(pts >> 7), static_cast<uint8_t>(((pts << 1) & 0xFE) | 1)};
}

// An MPEG-2 PES packet; `declared` -1 gives its true length, 0 an unbounded
// one; a negative `pts` leaves the time stamp out.
inline Bytes Pes(uint8_t id, const Bytes& payload, int declared = -1, int64_t pts = 90000) {
    const Bytes stamp = pts < 0 ? Bytes{} : PtsBytes(static_cast<uint64_t>(pts));
    const Bytes body =
        Cat({{0x80, static_cast<uint8_t>(pts < 0 ? 0 : 0x80), static_cast<uint8_t>(stamp.size())},
             stamp,
             payload});
    const size_t length = declared < 0 ? body.size() : static_cast<size_t>(declared);
    return Cat(
        {{0, 0, 1, id, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)}, body});
}

} // namespace dz::test
