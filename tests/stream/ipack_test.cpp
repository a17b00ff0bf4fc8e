#include "convert/ipack.h"
#include "stream/pes_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <new>

using namespace dz;

// Lets a test make the next buffer allocation of ipack_create fail.
static bool g_fail_next_nothrow_array_new = false;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (g_fail_next_nothrow_array_new) {
        g_fail_next_nothrow_array_new = false;
        return nullptr;
    }
    try {
        return ::operator new[](size); // freed by the usual delete[]
    } catch (...) {
        return nullptr;
    }
}

namespace {

using namespace dz::test;
using Segments = std::vector<Bytes>;
using Sizes = std::vector<size_t>;

Bytes Pes1(uint8_t id, const Bytes& header, const Bytes& payload) {
    const size_t length = header.size() + payload.size();
    return Cat({{0, 0, 1, id, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)},
                header,
                payload});
}

// AC-3 frames of 128 bytes (48 kHz, 32 kbit/s).
constexpr int kAc3Frame = 128;
Bytes Ac3Frames(int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
        Bytes f = Filler(kAc3Frame, static_cast<uint8_t>(i));
        f[0] = 0x0B, f[1] = 0x77, f[4] = 0x00; // fscod 0, frmsizecod 0
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

void Collect(ipack* p, void* context) {
    static_cast<Segments*>(context)->emplace_back(p->buf.get(), p->buf.get() + p->fill);
}

struct Packer {
    Packer() { EXPECT_TRUE(ipack_create(p, 2048, Collect, &segments)); }
    ~Packer() { ipack_destroy(p); }

    void Feed(const Bytes& data, size_t chunk = 184) {
        for (size_t at = 0; at < data.size(); at += chunk)
            ipack_feed(p, data.data() + at, std::min(chunk, data.size() - at));
    }
    // What the converter does at a payload unit start on the stream's PID.
    void UnitStart() { ipack_close_unbounded(p); }
    Sizes sizes() const {
        Sizes out;
        for (const Bytes& s : segments)
            out.push_back(s.size());
        return out;
    }
    ipack p;
    Segments segments;
};

Bytes Head(const Bytes& s, size_t n) {
    return Bytes(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}
// The payload a segment carries behind a PES header of `header` bytes.
Bytes Behind(const Bytes& s, size_t header) {
    return Bytes(s.begin() + static_cast<std::ptrdiff_t>(header), s.end());
}

// A packet longer than the buffer: an unbounded video packet closed by the
// next unit start, and a bounded one of one and a half buffers whose limit
// is halved. The first segment keeps the incoming header; the others carry
// a 9-byte continuation header.
TEST(Ipack, LongPacketsAreSplit) {
    struct Case {
        uint8_t id;
        int declared;
        size_t length;
        Sizes sizes;
    };
    for (const Case& c :
         {Case{0xE0, 0, 5000, {2048, 2048, 922}}, Case{0xC0, -1, 2500, {1249, 1249, 20}}}) {
        const Bytes payload = Filler(c.length - 14);
        const Bytes pes = Pes(c.id, payload, c.declared);
        for (size_t chunk : {184u, 1u, 7u, 2500u}) {
            Packer k;
            k.Feed(pes, chunk);
            k.UnitStart();
            const Segments& s = k.segments;
            ASSERT_EQ(k.sizes(), c.sizes) << chunk;
            EXPECT_EQ(Head(s[0], 14),
                      Cat({Head(pes, 4),
                           {uint8_t((s[0].size() - 6) >> 8), uint8_t(s[0].size() - 6)},
                           Bytes(pes.begin() + 6, pes.begin() + 14)}));
            for (size_t i : {1u, 2u})
                EXPECT_EQ(Head(s[i], 9), (Bytes{0, 0, 1, c.id, uint8_t((s[i].size() - 6) >> 8),
                                                uint8_t(s[i].size() - 6), 0x80, 0, 0}));
            EXPECT_EQ(Cat({Behind(s[0], 14), Behind(s[1], 9), Behind(s[2], 9)}), payload);
            EXPECT_EQ(decode_pts(k.p.pts_bytes), 90000u);
        }
    }
    // After a halved packet the next one has the whole buffer again.
    Packer k;
    k.Feed(Cat({Pes(0xC0, Filler(2486)), Pes(0xC0, Filler(4000))}));
    EXPECT_EQ(k.sizes()[3], 2048u);
}

// Bytes in front of a packet that must not hide it or be taken for one; cut
// into chunks of 1, 2, 3 and 5 bytes, start codes and length fields (also the
// padding packet's) fall apart between feeds. The packet comes out as it
// came in.
TEST(Ipack, StartCodeSearch) {
    const Bytes pes = Pes(0xC0, Filler(986));
    struct Case {
        const char* what;
        Bytes before;
    };
    const Case cases[] = {
        {"nothing", {}},
        {"an extra zero: 00 00 00 01", {0x00}},
        {"many zeros", Bytes(9, 0x00)},
        {"a prefix with a stream id that starts nothing", {0, 0, 1, 0xB9}},
        {"a prefix whose id byte opens the real prefix", {0, 0, 1}},
        {"a lone 00 00", {0x12, 0, 0, 0x34}},
        {"a padding packet holding a start code",
         Cat({{0, 0, 1, 0xBE, 0, 0x0A}, {0, 0, 1, 0xC0, 0, 4}, Bytes(4, 0xFF)})},
        {"a short private stream 2 packet", {0, 0, 1, 0xBF, 0, 2, 0xAA, 0xBB}},
    };
    for (const Case& c : cases) {
        for (size_t chunk : {1u, 2u, 3u, 5u, 184u}) {
            Packer k;
            k.Feed(Cat({c.before, pes}), chunk);
            EXPECT_EQ(k.segments, Segments{pes}) << c.what << ", chunk " << chunk;
        }
    }
}

TEST(Ipack, Mpeg1HeadersAreReadForTheirTimeStamps) {
    const Bytes pts = PtsBytes(0x1ABCDEF01ull, 0x2);
    const Bytes pts_dts = Cat({PtsBytes(0x123456789ull, 0x3), PtsBytes(0x100000000ull, 0x1)});
    struct Case {
        const char* what;
        Bytes header;
        uint64_t pts;
    };
    const Case cases[] = {
        {"PTS", pts, 0x1ABCDEF01ull},
        {"stuffing, STD buffer, PTS and DTS", Cat({{0xFF, 0xFF, 0x40, 0x10}, pts_dts}),
         0x123456789ull},
        {"STD buffer, PTS", Cat({{0x60, 0x20}, pts}), 0x1ABCDEF01ull},
        {"no time stamps", {0xFF, 0x0F}, 0},
    };
    for (const Case& c : cases) {
        const Bytes pes = Pes1(0xC0, c.header, Filler(400));
        for (size_t chunk : {1u, 2u, 184u}) {
            Packer k;
            k.Feed(pes, chunk);
            EXPECT_EQ(k.segments, Segments{pes}) << c.what;
            EXPECT_EQ(decode_pts(k.p.pts_bytes), c.pts) << c.what << ", chunk " << chunk;
        }
    }
    // A long MPEG-1 packet continues with the short MPEG-1 header.
    const Bytes payload = Filler(4000);
    Packer k;
    k.Feed(Pes1(0xE0, {0x0F}, payload));
    ASSERT_EQ(k.sizes(), (Sizes{2048, 1966}));
    EXPECT_EQ(Head(k.segments[1], 7), (Bytes{0, 0, 1, 0xE0, 0x07, 0xA8, 0x0F}));
    EXPECT_EQ(Cat({Behind(k.segments[0], 7), Behind(k.segments[1], 7)}), payload);
}

TEST(Ipack, Ac3GainsASubStreamHeader) {
    struct Case {
        const char* what;
        size_t junk; // bytes in front of the first sync word
        size_t chunk;
    };
    const Case cases[] = {
        {"sync word first", 0, 184},
        {"sync word later in the first chunk", 7, 184},
        {"sync word after the first chunk", 300, 184},
        {"fed byte by byte", 7, 1},
    };
    for (const Case& c : cases) {
        const Bytes payload = Cat({Filler(c.junk), Ac3Frames(6)});
        Packer k;
        k.Feed(Pes(0xBD, payload), c.chunk);
        ASSERT_EQ(k.segments.size(), 1u) << c.what;
        const Bytes& s = k.segments[0];
        ASSERT_EQ(s.size(), 14 + 4 + payload.size()) << c.what;
        EXPECT_EQ(size_t{s[4]} << 8 | s[5], s.size() - 6);
        // Frames that would start in a full segment; the offset of the sync word.
        const auto frames = static_cast<uint8_t>((2048 - 14 - c.junk - 4) / kAc3Frame + 1);
        EXPECT_EQ(Bytes(s.begin() + 14, s.begin() + 18),
                  (Bytes{0x80, frames, uint8_t(c.junk >> 8), uint8_t(c.junk)}))
            << c.what;
        EXPECT_EQ(Behind(s, 18), payload) << c.what;
    }
    // No usable sync word: the payload is left as it is.
    Bytes bad_rate = Ac3Frames(2);
    bad_rate[4] = 0x3F; // frmsizecod 63: no frame size
    for (const Bytes& payload : {Filler(900), bad_rate, Cat({Filler(2025), Ac3Frames(10)})}) {
        const Bytes pes = Pes(0xBD, payload);
        Packer k;
        k.Feed(pes);
        ASSERT_FALSE(k.segments.empty());
        const size_t n = k.segments[0].size(); // the length field may differ
        EXPECT_EQ(Behind(k.segments[0], 6), Bytes(pes.begin() + 6, pes.begin() + n));
    }
}

TEST(Ipack, Ac3SubStreamHeaderFromTheSourceGetsItsFrameCount) {
    // 80 nn pp pp with the frame one byte after the pointer field.
    const Bytes frames = Ac3Frames(24);
    Packer k;
    k.Feed(Pes(0xBD, Cat({{0x80, 0x55, 0x00, 0x01}, frames}), 0));
    k.UnitStart();
    const Segments& s = k.segments;
    ASSERT_EQ(k.sizes(), (Sizes{2048, 13 + 3072 - 2030}));
    // The first frame starts at 18: (2048 - 18) / 128 + 1 = 16 frames begin here.
    EXPECT_EQ(Bytes(s[0].begin() + 14, s[0].begin() + 18), (Bytes{0x80, 16, 0x00, 0x01}));
    EXPECT_EQ(Behind(s[0], 18), Head(frames, 2030));
    // The continuation repeats the sub-stream id, with the pointer carried on.
    EXPECT_EQ(Head(s[1], 13), (Bytes{0, 0, 1, 0xBD, 0x04, 0x19, 0x80, 0, 0, 0x80, 0, 0, 1}));
    EXPECT_EQ(Behind(s[1], 13), Bytes(frames.begin() + 2030, frames.end()));
}

// Lengths and pointers from the stream that point outside the segment.
TEST(Ipack, DamagedHeadersStayInsideTheirPacket) {
    const Bytes next = Pes(0xC0, Filler(200));
    Bytes long_header = Pes(0xBD, Ac3Frames(1));
    long_header[8] = 0xFF; // header data length beyond the packet
    struct Case {
        const char* what;
        Bytes packet;
        size_t segments;
    };
    const Case cases[] = {
        {"declared length 1", {0, 0, 1, 0xC0, 0, 1, 0x80}, 0},
        {"declared length 3", {0, 0, 1, 0xE0, 0, 3, 0x80, 0x80, 0x05}, 0},
        {"PTS flag in a 7-byte packet", {0, 0, 1, 0xE0, 0, 7, 0x80, 0x80, 0x05, 0x21, 0, 1, 0}, 1},
        {"MPEG-1 stuffing up to the length", Pes1(0xC0, Bytes(5, 0xFF), {}), 1},
        {"AC-3 pointer beyond the segment", Pes(0xBD, Cat({{0x80, 1, 0xFF, 0xFF}, Ac3Frames(2)})),
         1},
        {"header data length beyond the packet", long_header, 1},
    };
    for (const Case& c : cases) {
        for (size_t chunk : {1u, 184u}) {
            Packer k;
            k.Feed(Cat({c.packet, next}), chunk);
            const Segments want = c.segments ? Segments{c.packet, next} : Segments{next};
            EXPECT_EQ(k.segments, want) << c.what << ", chunk " << chunk;
        }
    }
}

TEST(Ipack, CreateFailsWithoutHarmAndResetKeepsTheTimeStamp) {
    ipack p;
    EXPECT_FALSE(ipack_create(p, kIpackMinCapacity - 1, Collect, nullptr));
    EXPECT_FALSE(ipack_create(p, kIpackMaxCapacity + 1, Collect, nullptr));
    g_fail_next_nothrow_array_new = true;
    EXPECT_FALSE(ipack_create(p, 2048, Collect, nullptr));
    EXPECT_FALSE(p.buf);

    Segments out;
    ASSERT_TRUE(ipack_create(p, 2048, Collect, &out));
    const Bytes pes = Pes(0xE0, Filler(100), 0);
    ipack_feed(p, pes.data(), pes.size());
    ipack_reset(p);
    EXPECT_EQ(p.fill, 0);
    EXPECT_EQ(p.parse_pos, 0);
    EXPECT_EQ(decode_pts(p.pts_bytes), 90000u);
    ipack_destroy(p);
    EXPECT_FALSE(p.buf);
    ipack_feed(p, pes.data(), pes.size()); // nothing to write into: ignored
    ipack_emit(p);
    EXPECT_TRUE(out.empty());
}

// Packets of every kind handled here, each behind a converter's unit start.
std::vector<Bytes> MixedStream() {
    return {Pes(0xE0, Filler(5000), 0),
            Pes(0xE0, Filler(2040), 0),
            Pes(0xE0, Filler(9000, 3), 0, -1),
            Pes(0xC0, Filler(2500)),
            Pes(0xC0, Filler(2030)),
            Pes(0xC0, Filler(2037)),
            Pes(0xC0, Filler(4100)),
            Pes(0xBD, Cat({Filler(3), Ac3Frames(40)})),
            Pes(0xBD, Cat({Filler(200), Ac3Frames(3)}), 0),
            Pes(0xBD, Cat({{0x80, 0, 0, 5}, Filler(4), Ac3Frames(30)})),
            Pes(0xBD, Ac3Frames(20), -1, -1),
            Pes1(0xC0, Cat({{0xFF, 0x40, 0x10}, PtsBytes(5, 0x3), PtsBytes(1, 0x1)}), Filler(3000)),
            Cat({{0, 0, 1, 0xBE, 0x01, 0x00},
                 Bytes(0x100, 0xFF),
                 {0, 0, 0, 1, 0xB9, 0},
                 Pes(0xC0, Filler(700))}),
            Pes(0xE0, Filler(3000), 0)};
}

// The payloads of the transport packets that carry `stream_id` in a clip
// made by ffmpeg, cut at its unit starts.
std::vector<Bytes> PidPayloads(const char* clip, uint8_t stream_id) {
    const Bytes ts = ReadFile(std::filesystem::path(DEZADIDE_FIXTURES) / clip);
    std::vector<Bytes> pieces;
    int pid = -1;
    for (size_t at = 0; at + 188 <= ts.size(); at += 188) {
        const uint8_t* t = ts.data() + at;
        const size_t start = 4 + ((t[3] & 0x20) ? t[4] + 1u : 0u);
        const bool unit_start = t[1] & 0x40;
        if (pid < 0 && unit_start && start + 4 <= 188 &&
            Bytes(t + start, t + start + 4) == Bytes{0, 0, 1, stream_id})
            pid = (t[1] & 0x1F) << 8 | t[2];
        if (((t[1] & 0x1F) << 8 | t[2]) != pid || !(t[3] & 0x10) || start >= 188)
            continue;
        if (unit_start)
            pieces.emplace_back();
        pieces.back().insert(pieces.back().end(), t + start, t + 188);
    }
    return pieces;
}

// The state machine must not depend on how the input is cut: every chunk
// size from 1 to 184 gives the same segments as byte by byte.
TEST(Ipack, AnyCutOfTheInputGivesTheSameSegments) {
    struct Case {
        const char* what;
        std::vector<Bytes> stream;
        uint8_t stream_id; // of every segment; 0 for a mixed stream
    };
    const Case cases[] = {{"synthetic", MixedStream(), 0},
                          {"av_ac3.ts audio", PidPayloads("av_ac3.ts", 0xBD), 0xBD},
                          {"av_mp2.ts video", PidPayloads("av_mp2.ts", 0xE0), 0xE0},
                          {"av_mp2.ts audio", PidPayloads("av_mp2.ts", 0xC0), 0xC0}};
    for (const Case& c : cases) {
        const auto pack = [&c](Packer& k, size_t chunk) {
            for (const Bytes& piece : c.stream) {
                k.UnitStart();
                k.Feed(piece, chunk);
            }
            k.UnitStart();
        };
        Packer reference;
        pack(reference, 1);
        ASSERT_GT(reference.segments.size(), 10u) << c.what;
        for (const Bytes& s : reference.segments)
            EXPECT_TRUE(c.stream_id == 0 || s[3] == c.stream_id) << c.what;
        for (size_t chunk = 2; chunk <= 184; chunk += c.stream_id ? 13 : 1) {
            Packer k;
            pack(k, chunk);
            ASSERT_EQ(k.segments, reference.segments) << c.what << ", chunk " << chunk;
        }
    }
}

} // namespace
