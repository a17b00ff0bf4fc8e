#include "convert/ipack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <new>
#include <vector>

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

using Bytes = std::vector<uint8_t>;
using Segments = std::vector<Bytes>;

constexpr int32_t kCapacity = 2048;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Payload bytes that never form 00 00 01 or an AC-3 sync word by accident.
Bytes Payload(size_t n, uint8_t seed = 0) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(0x10 + (seed + i) % 0xE0);
    return out;
}

// The five PTS bytes of a PES header ('0010' or '0011' prefix, markers set).
Bytes PtsBytes(uint64_t pts, uint8_t prefix = 0x2) {
    return {static_cast<uint8_t>(prefix << 4 | ((pts >> 29) & 0x0E) | 1),
            static_cast<uint8_t>(pts >> 22), static_cast<uint8_t>(((pts >> 14) & 0xFE) | 1),
            static_cast<uint8_t>(pts >> 7), static_cast<uint8_t>(((pts << 1) & 0xFE) | 1)};
}

// An MPEG-2 PES packet; `declared` -1 gives its true length, 0 an unbounded one.
Bytes Pes2(uint8_t id, const Bytes& payload, int declared = -1, bool pts = true) {
    const Bytes optional = pts ? PtsBytes(90000) : Bytes{};
    Bytes body =
        Cat({{0x80, static_cast<uint8_t>(pts ? 0x80 : 0x00), static_cast<uint8_t>(optional.size())},
             optional,
             payload});
    const size_t length = declared < 0 ? body.size() : static_cast<size_t>(declared);
    return Cat(
        {{0x00, 0x00, 0x01, id, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)},
         body});
}

Bytes Pes1(uint8_t id, const Bytes& header, const Bytes& payload) {
    const size_t length = header.size() + payload.size();
    return Cat(
        {{0x00, 0x00, 0x01, id, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)},
         header,
         payload});
}

// AC-3 frames of 128 bytes (48 kHz, 32 kbit/s).
constexpr int kAc3Frame = 128;
Bytes Ac3Frames(int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
        Bytes f = Payload(kAc3Frame, static_cast<uint8_t>(i));
        f[0] = 0x0B;
        f[1] = 0x77;
        f[4] = 0x00; // fscod 0, frmsizecod 0
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

// Stream bytes cut where the converter sees a payload unit start.
struct Piece {
    Bytes bytes;
    bool unit_start = true;
};

void Collect(ipack* p, void* context) {
    static_cast<Segments*>(context)->emplace_back(p->buf.get(), p->buf.get() + p->fill);
}

class Packer {
public:
    explicit Packer(int32_t capacity = kCapacity) {
        EXPECT_TRUE(ipack_create(m_p, capacity, Collect, &m_segments));
    }
    ~Packer() { ipack_destroy(m_p); }
    Packer(const Packer&) = delete;
    Packer& operator=(const Packer&) = delete;

    void Feed(const Bytes& data, size_t chunk = 184) {
        for (size_t at = 0; at < data.size(); at += chunk)
            ipack_feed(m_p, data.data() + at, std::min(chunk, data.size() - at));
    }
    // What the converter does at a payload unit start on the stream's PID.
    void UnitStart() {
        if (m_p.pes_length != UNBOUNDED_PES_LENGTH)
            return;
        m_p.pes_length = m_p.parse_pos - 6;
        m_p.parse_pos = 0;
        ipack_emit(m_p);
        ipack_reset(m_p);
    }
    void FeedPieces(const std::vector<Piece>& pieces, size_t chunk) {
        for (const Piece& piece : pieces) {
            if (piece.unit_start)
                UnitStart();
            Feed(piece.bytes, chunk);
        }
    }
    ipack& p() { return m_p; }
    const Segments& segments() const { return m_segments; }

private:
    ipack m_p;
    Segments m_segments;
};

std::vector<size_t> Sizes(const Segments& segments) {
    std::vector<size_t> out;
    for (const Bytes& s : segments)
        out.push_back(s.size());
    return out;
}

size_t LengthField(const Bytes& s) {
    return size_t{s[4]} << 8 | s[5];
}

// The payload a segment carries behind a PES header of `header` bytes.
Bytes Behind(const Bytes& s, size_t header) {
    return Bytes(s.begin() + header, s.end());
}

TEST(Ipack, UnboundedVideoClosedAtTheNextUnitStart) {
    const Bytes payload = Payload(5000 - 14);
    const Bytes pes = Pes2(0xE0, payload, 0);
    ASSERT_EQ(pes.size(), 5000u);
    for (size_t chunk : {184u, 1u, 7u}) {
        Packer k;
        k.Feed(pes, chunk);
        EXPECT_EQ(k.p().pes_length, UNBOUNDED_PES_LENGTH);
        k.UnitStart();
        const Segments& s = k.segments();
        ASSERT_EQ(Sizes(s), (std::vector<size_t>{2048, 2048, 922})) << chunk;
        // The first keeps the incoming header; the others carry 80 00 00.
        EXPECT_TRUE(std::equal(s[0].begin() + 6, s[0].end(), pes.begin() + 6));
        EXPECT_EQ(LengthField(s[0]), 2042u);
        for (size_t i : {1u, 2u}) {
            EXPECT_EQ(Bytes(s[i].begin(), s[i].begin() + 9),
                      (Bytes{0x00, 0x00, 0x01, 0xE0, static_cast<uint8_t>((s[i].size() - 6) >> 8),
                             static_cast<uint8_t>(s[i].size() - 6), 0x80, 0x00, 0x00}));
        }
        EXPECT_EQ(Cat({Behind(s[0], 14), Behind(s[1], 9), Behind(s[2], 9)}), payload);
        EXPECT_EQ(decode_pts(k.p().pts_bytes), 90000u);
    }
}

TEST(Ipack, BoundedPacketOfOneAndAHalfSegmentsIsCutInHalves) {
    const Bytes payload = Payload(2500 - 14);
    const Bytes pes = Pes2(0xC0, payload);
    ASSERT_EQ(LengthField(pes), 2494u);
    for (size_t chunk : {184u, 1u, 2500u}) {
        Packer k;
        k.Feed(pes, chunk);
        const Segments& s = k.segments();
        ASSERT_EQ(Sizes(s), (std::vector<size_t>{1249, 1249, 20})) << chunk;
        EXPECT_EQ(Cat({Behind(s[0], 14), Behind(s[1], 9), Behind(s[2], 9)}), payload);
        // The next packet has the whole buffer again.
        k.Feed(Pes2(0xC0, Payload(4000)));
        EXPECT_EQ(k.segments()[3].size(), 2048u);
    }
}

// Bytes in front of a packet that must not hide it or be taken for one; cut
// into chunks of 1, 2, 3 and 5 bytes, start codes and length fields (also the
// padding packet's) fall apart between feeds. The packet fits one segment and
// comes out as it came in.
TEST(Ipack, StartCodeSearch) {
    const Bytes pes = Pes2(0xC0, Payload(1000 - 14));
    struct Case {
        const char* what;
        Bytes before;
    };
    const Case cases[] = {
        {"nothing", {}},
        {"an extra zero: 00 00 00 01", {0x00}},
        {"many zeros", Bytes(9, 0x00)},
        {"a prefix with a stream id that starts nothing", {0x00, 0x00, 0x01, 0xB9}},
        {"a prefix whose id byte opens the real prefix", {0x00, 0x00, 0x01}},
        {"a lone 00 00", {0x12, 0x00, 0x00, 0x34}},
        {"a padding packet holding a start code", Cat({{0x00, 0x00, 0x01, 0xBE, 0x00, 0x0A},
                                                       {0x00, 0x00, 0x01, 0xC0, 0x00, 0x04},
                                                       Bytes(4, 0xFF)})},
        {"a short private stream 2 packet",
         Cat({{0x00, 0x00, 0x01, 0xBF, 0x00, 0x02, 0xAA, 0xBB}})},
    };
    for (const Case& c : cases) {
        for (size_t chunk : {1u, 2u, 3u, 5u, 184u}) {
            Packer k;
            k.Feed(Cat({c.before, pes}), chunk);
            ASSERT_EQ(k.segments().size(), 1u) << c.what << ", chunk " << chunk;
            EXPECT_EQ(k.segments()[0], pes) << c.what << ", chunk " << chunk;
        }
    }
}

TEST(Ipack, Mpeg1HeadersAreReadForTheirTimeStamps) {
    const Bytes pts = PtsBytes(0x1ABCDEF01ull, 0x2);
    const Bytes pts_dts = Cat({PtsBytes(0x123456789ull, 0x3), PtsBytes(0x100000000ull, 0x1)});
    struct Case {
        const char* what;
        Bytes header;
        uint8_t flags2;
        uint64_t pts;
    };
    const Case cases[] = {
        {"PTS", pts, 0x80, 0x1ABCDEF01ull},
        {"stuffing, STD buffer, PTS and DTS", Cat({{0xFF, 0xFF, 0x40, 0x10}, pts_dts}), 0xC0,
         0x123456789ull},
        {"STD buffer, PTS", Cat({{0x60, 0x20}, pts}), 0x80, 0x1ABCDEF01ull},
        {"no time stamps", {0xFF, 0x0F}, 0x00, 0},
    };
    for (const Case& c : cases) {
        const Bytes pes = Pes1(0xC0, c.header, Payload(400));
        for (size_t chunk : {1u, 2u, 184u}) {
            Packer k;
            k.Feed(pes, chunk);
            EXPECT_EQ(k.p().mpeg_version, 0); // reset after the packet
            ASSERT_EQ(k.segments().size(), 1u) << c.what;
            EXPECT_EQ(k.segments()[0], pes) << c.what;
            EXPECT_EQ(decode_pts(k.p().pts_bytes), c.pts) << c.what << ", chunk " << chunk;
        }
        // Seen before the packet ends: the rebuilt flags and the header length.
        Packer k;
        k.Feed(Bytes(pes.begin(), pes.end() - 1), 1);
        EXPECT_EQ(k.p().mpeg_version, 1);
        EXPECT_EQ(k.p().flags2, c.flags2) << c.what;
        EXPECT_EQ(k.p().header_data_length, c.header.size()) << c.what;
    }
}

TEST(Ipack, Mpeg1ContinuationHeader) {
    const Bytes payload = Payload(4000);
    Packer k;
    k.Feed(Pes1(0xE0, {0x0F}, payload));
    ASSERT_EQ(Sizes(k.segments()), (std::vector<size_t>{2048, 1966}));
    const Bytes& second = k.segments()[1];
    EXPECT_EQ(Bytes(second.begin(), second.begin() + 7),
              (Bytes{0x00, 0x00, 0x01, 0xE0, 0x07, 0xA8, 0x0F}));
    EXPECT_EQ(Cat({Behind(k.segments()[0], 7), Behind(second, 7)}), payload);
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
        const Bytes payload = Cat({Payload(c.junk), Ac3Frames(6)});
        Packer k;
        k.Feed(Pes2(0xBD, payload), c.chunk);
        ASSERT_EQ(k.segments().size(), 1u) << c.what;
        const Bytes& s = k.segments()[0];
        ASSERT_EQ(s.size(), 14 + 4 + payload.size()) << c.what;
        EXPECT_EQ(LengthField(s), s.size() - 6);
        // Frames that would start in a full segment; the offset of the sync word.
        const auto frames = static_cast<uint8_t>((2048 - 14 - c.junk - 4) / kAc3Frame + 1);
        EXPECT_EQ(
            Bytes(s.begin() + 14, s.begin() + 18),
            (Bytes{0x80, frames, static_cast<uint8_t>(c.junk >> 8), static_cast<uint8_t>(c.junk)}))
            << c.what;
        EXPECT_EQ(Behind(s, 18), payload) << c.what;
    }
}

TEST(Ipack, Ac3WithoutAUsableSyncWordIsLeftAlone) {
    Bytes bad_rate = Ac3Frames(2);
    bad_rate[4] = 0x3F; // frmsizecod 63: no frame size
    const Bytes cases[] = {
        Payload(900),                                     // no sync word at all
        bad_rate,                                         // the first sync word says nothing
        Cat({Payload(2048 - 14 - 4 - 5), Ac3Frames(10)}), // too late for this segment
    };
    for (const Bytes& payload : cases) {
        const Bytes pes = Pes2(0xBD, payload);
        Packer k;
        k.Feed(pes);
        ASSERT_FALSE(k.segments().empty());
        EXPECT_EQ(Behind(k.segments()[0], 14),
                  Bytes(pes.begin() + 14, pes.begin() + k.segments()[0].size()));
    }
}

TEST(Ipack, Ac3SubStreamHeaderFromTheSourceGetsItsFrameCount) {
    // 80 nn pp pp with the frame one byte after the pointer field.
    const Bytes frames = Ac3Frames(24);
    const Bytes payload = Cat({{0x80, 0x55, 0x00, 0x01}, frames});
    Packer k;
    k.Feed(Pes2(0xBD, payload, 0));
    k.UnitStart();
    const Segments& s = k.segments();
    ASSERT_EQ(Sizes(s), (std::vector<size_t>{2048, 13 + 3072 - 2030}));
    // The first frame starts at 18: (2048 - 18) / 128 + 1 = 16 frames begin here.
    EXPECT_EQ(Bytes(s[0].begin() + 14, s[0].begin() + 18), (Bytes{0x80, 16, 0x00, 0x01}));
    EXPECT_EQ(Behind(s[0], 18), Bytes(frames.begin(), frames.begin() + 2030));
    // The continuation repeats the sub-stream id, with the pointer carried on.
    EXPECT_EQ(
        Bytes(s[1].begin(), s[1].begin() + 13),
        (Bytes{0x00, 0x00, 0x01, 0xBD, 0x04, 0x19, 0x80, 0x00, 0x00, 0x80, 0x00, 0x00, 0x01}));
    EXPECT_EQ(Behind(s[1], 13), Bytes(frames.begin() + 2030, frames.end()));
}

// Lengths and pointers from the stream that point outside the segment.
TEST(Ipack, DamagedHeadersStayInsideTheirPacket) {
    const Bytes next = Pes2(0xC0, Payload(200));
    Bytes far_pointer = Pes2(0xBD, Cat({{0x80, 0x01, 0xFF, 0xFF}, Ac3Frames(2)}));
    Bytes long_header = Pes2(0xBD, Ac3Frames(1));
    long_header[8] = 0xFF; // header data length beyond the packet
    struct Case {
        const char* what;
        Bytes packet;
        size_t segments;
    };
    const Case cases[] = {
        {"declared length 1", {0x00, 0x00, 0x01, 0xC0, 0x00, 0x01, 0x80}, 0},
        {"declared length 3", {0x00, 0x00, 0x01, 0xE0, 0x00, 0x03, 0x80, 0x80, 0x05}, 0},
        {"PTS flag in a 7-byte packet",
         {0x00, 0x00, 0x01, 0xE0, 0x00, 0x07, 0x80, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00},
         1},
        {"MPEG-1 stuffing up to the length", Pes1(0xC0, Bytes(5, 0xFF), {}), 1},
        {"AC-3 pointer beyond the segment", far_pointer, 1},
        {"header data length beyond the packet", long_header, 1},
    };
    for (const Case& c : cases) {
        for (size_t chunk : {1u, 184u}) {
            Packer k;
            k.Feed(Cat({c.packet, next}), chunk);
            ASSERT_EQ(k.segments().size(), c.segments + 1) << c.what << ", chunk " << chunk;
            EXPECT_EQ(k.segments().back(), next) << c.what;
            if (c.segments) {
                EXPECT_EQ(k.segments()[0], c.packet) << c.what;
            }
        }
    }
}

TEST(Ipack, CreateResetDestroy) {
    ipack p;
    EXPECT_FALSE(ipack_create(p, kIpackMinCapacity - 1, Collect, nullptr));
    EXPECT_FALSE(ipack_create(p, kIpackMaxCapacity + 1, Collect, nullptr));
    EXPECT_FALSE(p.buf);

    g_fail_next_nothrow_array_new = true;
    EXPECT_FALSE(ipack_create(p, kCapacity, Collect, nullptr));
    EXPECT_FALSE(p.buf);

    Segments out;
    ASSERT_TRUE(ipack_create(p, kCapacity, Collect, &out));
    EXPECT_EQ(p.limit, kCapacity);
    EXPECT_EQ(decode_pts(p.pts_bytes), 0u);
    const Bytes pes = Pes2(0xE0, Payload(100), 0);
    ipack_feed(p, pes.data(), 0);
    ipack_feed(p, pes.data(), pes.size());
    ipack_reset(p);
    EXPECT_EQ(p.fill, 0);
    EXPECT_EQ(p.parse_pos, 0);
    EXPECT_EQ(decode_pts(p.pts_bytes), 90000u); // kept across a reset
    ipack_destroy(p);
    EXPECT_FALSE(p.buf);
    ipack_feed(p, pes.data(), pes.size()); // nothing to write into: ignored
    ipack_emit(p);
    EXPECT_TRUE(out.empty());
}

TEST(Ipack, DecodePts) {
    EXPECT_EQ(decode_pts(PtsBytes(0).data()), 0u);
    EXPECT_EQ(decode_pts(PtsBytes(3600).data()), 3600u);
    EXPECT_EQ(decode_pts(PtsBytes(0x1FFFFFFFFull).data()), 0x1FFFFFFFFull);
    EXPECT_EQ(decode_pts(PtsBytes(0x100000000ull).data()), 0x100000000ull);
}

// Mixed packets of every kind this class handles, with the converter's unit
// starts in front of each packet.
std::vector<Piece> MixedStream() {
    std::vector<Piece> pieces;
    auto add = [&](Bytes b, bool unit_start = true) {
        pieces.push_back({std::move(b), unit_start});
    };
    add(Pes2(0xE0, Payload(5000), 0));
    add(Pes2(0xE0, Payload(2040), 0));
    add(Pes2(0xE0, Payload(9000, 3), 0, false));
    add(Pes2(0xC0, Payload(2500)));
    add(Pes2(0xC0, Payload(2030)));
    add(Pes2(0xC0, Payload(2037)));
    add(Pes2(0xC0, Payload(4100)));
    add(Pes2(0xBD, Cat({Payload(3), Ac3Frames(40)})));
    add(Pes2(0xBD, Cat({Payload(200), Ac3Frames(3)}), 0));
    add(Pes2(0xBD, Cat({{0x80, 0x00, 0x00, 0x05}, Payload(4), Ac3Frames(30)})));
    add(Pes2(0xBD, Ac3Frames(20), -1, false));
    add(Pes1(0xC0, Cat({{0xFF, 0x40, 0x10}, PtsBytes(5, 0x3), PtsBytes(1, 0x1)}), Payload(3000)));
    add(Cat({{0x00, 0x00, 0x01, 0xBE, 0x01, 0x00}, Bytes(0x100, 0xFF)}));
    add(Cat({{0x00, 0x00, 0x00, 0x01, 0xB9, 0x00}, Pes2(0xC0, Payload(700))}), false);
    add(Pes2(0xE0, Payload(3000), 0));
    return pieces;
}

TEST(Ipack, AnyCutOfTheInputGivesTheSameSegments) {
    const std::vector<Piece> stream = MixedStream();
    Packer reference;
    reference.FeedPieces(stream, 1);
    reference.UnitStart();
    ASSERT_GT(reference.segments().size(), 30u);
    for (size_t chunk = 2; chunk <= 184; ++chunk) {
        Packer k;
        k.FeedPieces(stream, chunk);
        k.UnitStart();
        ASSERT_EQ(k.segments(), reference.segments()) << "chunk " << chunk;
    }
}

// The payloads of one PID of a transport stream made by ffmpeg, cut at its
// unit starts.
std::vector<Piece> PidPayloads(const char* clip, uint8_t stream_id) {
    std::ifstream in(std::filesystem::path(DEZADIDE_FIXTURES) / clip, std::ios::binary);
    const Bytes ts(std::istreambuf_iterator<char>(in), {});
    std::map<int, std::vector<Piece>> by_pid;
    for (size_t at = 0; at + 188 <= ts.size(); at += 188) {
        const uint8_t* t = ts.data() + at;
        if (t[0] != 0x47 || !(t[3] & 0x10))
            continue;
        const size_t start = 4 + ((t[3] & 0x20) ? t[4] + 1u : 0u);
        if (start >= 188)
            continue;
        std::vector<Piece>& pieces = by_pid[(t[1] & 0x1F) << 8 | t[2]];
        const bool unit_start = (t[1] & 0x40) != 0;
        if (unit_start || pieces.empty())
            pieces.push_back({{}, unit_start});
        pieces.back().bytes.insert(pieces.back().bytes.end(), t + start, t + 188);
    }
    for (auto& [pid, pieces] : by_pid) {
        if (pieces.size() > 1 && pieces[1].bytes.size() > 3 && pieces[1].bytes[3] == stream_id)
            return pieces;
    }
    return {};
}

TEST(Ipack, RecordedStreamsGiveTheSameSegmentsForAnyCut) {
    struct Case {
        const char* clip;
        uint8_t stream_id;
    };
    for (const Case& c :
         {Case{"av_ac3.ts", 0xBD}, Case{"av_mp2.ts", 0xE0}, Case{"av_mp2.ts", 0xC0}}) {
        const std::vector<Piece> pieces = PidPayloads(c.clip, c.stream_id);
        ASSERT_GT(pieces.size(), 10u) << c.clip;
        Packer reference;
        reference.FeedPieces(pieces, 1);
        ASSERT_GT(reference.segments().size(), 10u);
        for (const Bytes& s : reference.segments())
            EXPECT_EQ(s[3], c.stream_id);
        for (size_t chunk : {2u, 3u, 13u, 64u, 183u, 184u, 1000u}) {
            Packer k;
            k.FeedPieces(pieces, chunk);
            ASSERT_EQ(k.segments(), reference.segments()) << c.clip << ", chunk " << chunk;
        }
    }
}

} // namespace
