// The converter on synthetic transport streams: which packets reach the
// output, the pack and system header, discovery, alignment and stop.
#include "convert/ts_to_ps.h"

#include "support/temp_dir.h"
#include "ts_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>

namespace dz::convert {
namespace {

using namespace test;

// The pack and system header written field by field, MSB first, the way the
// standard's syntax tables list them.
Bytes ExpectedHeaders(uint64_t scr, uint32_t muxRate) {
    // clang-format off
    const std::pair<int, uint64_t> fields[] = {
        // pack header: start code, SCR in three pieces with markers, mux rate, stuffing
        {32, 0x1BA}, {2, 1}, {3, (scr >> 30) & 7}, {1, 1}, {15, (scr >> 15) & 0x7FFF}, {1, 1},
        {15, scr & 0x7FFF}, {1, 1}, {9, 0}, {1, 1}, {22, muxRate}, {2, 3}, {5, 0x1F}, {3, 0},
        // system header: length, rate bound, audio bound, flags, video bound
        {32, 0x1BB}, {16, 12}, {1, 1}, {22, muxRate}, {1, 1}, {6, 1}, {1, 0}, {1, 0}, {1, 1},
        {1, 1}, {1, 1}, {5, 1}, {1, 0}, {7, 0x7F},
        // stream bounds: video 460 x 1024 bytes, audio 64 x 128 bytes
        {8, 0xE0}, {2, 3}, {1, 1}, {13, 460}, {8, 0xC0}, {2, 3}, {1, 0}, {13, 64}};
    // clang-format on
    Bytes out;
    int count = 0;
    uint8_t acc = 0;
    for (auto [bits, value] : fields) {
        for (int i = bits - 1; i >= 0; --i) {
            acc = static_cast<uint8_t>((acc << 1) | ((value >> i) & 1));
            if (++count % 8 == 0)
                out.push_back(acc);
        }
    }
    return out;
}

struct Converted {
    int result = 0;
    Bytes output;
    std::string log;
};

Converted Convert(MemorySource& source, ConversionState& state, StopEvent* stop) {
    MemoryOutputSink sink;
    std::FILE* log = std::tmpfile();
    Converted c{convert_ts_file(source, stop, sink, state, log), sink.bytes,
                std::string(static_cast<size_t>(std::ftell(log)), '\0')};
    std::rewind(log);
    c.log.resize(std::fread(c.log.data(), 1, c.log.size(), log));
    std::fclose(log);
    return c;
}

Converted Convert(const Bytes& stream, ConversionState& state) {
    MemorySource source(stream);
    StopEvent stop;
    return Convert(source, state, &stop);
}

TEST(PackHeader, MatchesTheStandardsFieldLayout) {
    // Clock and mux rate: zero, bits in every SCR field, all ones (bit 32 stays 0), rate 1.
    const std::pair<uint32_t, uint32_t> rows[] = {
        {0, 15480}, {0x12345678, 1320}, {0xFFFFFFFF, 0x3FFFFF}, {86400, 1}};
    for (const auto& [scr, muxRate] : rows) {
        uint8_t out[kPackHeaderSize + kSystemHeaderSize];
        write_pack_and_system_header(out, scr, static_cast<int32_t>(muxRate));
        EXPECT_EQ(Bytes(out, out + sizeof out), ExpectedHeaders(scr, muxRate)) << scr;
    }
}

// Three blocks of discovery (video seen in the first, audio in the third),
// then: audio A1, video V1 with a sequence header, audio A2, video V2 (whose
// unit start finishes V1), audio A3.
struct AvStream {
    Bytes stream, v1, a1, a2, a3;
};
AvStream MakeAvStream(int64_t videoPts) {
    TsWriter ts;
    ts.Pes(kVideoPid, Pes(0xE0, Filler(200, 1), 0, 1000));
    ts.PadToBlock();
    ts.Packet(kOtherPid, false, Filler(184, 2));
    ts.PadToBlock();
    ts.Pes(kAudioPid, Pes(0xC0, AudioFrame(100, 3), -1, 2000));
    ts.PadToBlock(); // discovery ends here, after three blocks
    AvStream av;
    av.a1 = Pes(0xC0, AudioFrame(150, 4), -1, 3000);
    av.v1 = Pes(0xE0, Cat({SequenceHeader(6000000), Filler(300, 5)}), 0, videoPts);
    av.a2 = Pes(0xC0, AudioFrame(150, 6), -1, 4000);
    av.a3 = Pes(0xC0, AudioFrame(150, 8), -1, 5000);
    ts.Pes(kAudioPid, av.a1);
    ts.Pes(kVideoPid, av.v1);
    ts.Pes(kAudioPid, av.a2);
    ts.Pes(kVideoPid, Pes(0xE0, Filler(300, 7), 0, videoPts + 3600));
    ts.Pes(kAudioPid, av.a3);
    // The unbounded video packet gets its real length when it is closed.
    av.v1[4] = static_cast<uint8_t>((av.v1.size() - 6) >> 8);
    av.v1[5] = static_cast<uint8_t>(av.v1.size() - 6);
    av.stream = ts.stream;
    return av;
}

TEST(ConvertTsFile, VideoOutputStartsWithHeadersAndTheFirstSequenceHeaderSegment) {
    // The SCR is the PTS less 3,600, wrapping in 32 bits below it.
    struct Row {
        int64_t pts;
        uint32_t scr;
    } rows[] = {{90000, 86400}, {3600, 0}, {3599, 0xFFFFFFFF}, {0x1FFFFFFFF, 0xFFFFF1EF}};
    for (const Row& row : rows) {
        const AvStream av = MakeAvStream(row.pts);
        ConversionState state;
        const Converted c = Convert(av.stream, state);
        EXPECT_EQ(c.result, kConvertDone);
        // Mux rate (192,000 + 6,000,000) / 400. The discovery blocks are not
        // in the output, nor A1 and A2, finished before V1 was; nor V2, still
        // open at the end.
        EXPECT_EQ(c.output, Cat({ExpectedHeaders(row.scr, 15480), av.v1, av.a3}))
            << "pts " << row.pts;
        EXPECT_EQ(state.mode, ConversionMode::kAv);
        EXPECT_EQ(state.mux_rate, 15480);
        EXPECT_EQ(c.log.find("vpid"), std::string::npos) << "discovery found both: no probe";
    }
    // The next part of the same conversion writes no second header: from the
    // first segment on, everything goes out.
    const AvStream av = MakeAvStream(90000);
    ConversionState state;
    Convert(av.stream, state);
    EXPECT_EQ(Convert(av.stream, state).output, Cat({av.a1, av.a2, av.v1, av.a3}));
}

// Audio PES packets of one transport packet each; their bytes back to back.
Bytes AudioPackets(TsWriter& ts, int count) {
    Bytes all;
    for (int i = 0; i < count; ++i) {
        const Bytes pes = Pes(0xC0, AudioFrame(166, uint8_t(i)), -1, 3000 * i);
        ts.Pes(kAudioPid, pes);
        all.insert(all.end(), pes.begin(), pes.end());
    }
    return all;
}

// Bytes [from, to) of `b`, in transport packets' payloads of 184 bytes.
Bytes Payloads(const Bytes& b, size_t from, size_t to) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(184 * from),
                 b.begin() + static_cast<std::ptrdiff_t>(std::min(184 * to, b.size())));
}

const ConversionState kAudioOnly{ConversionMode::kAudioOnly, kAudioOnlyMuxRate, 192000, 0, true};

TEST(ConvertTsFile, AudioOnlyIsThePesAloneFromTheSyncByteOnWithoutTrailingPartialPacket) {
    TsWriter ts;
    const Bytes pes = AudioPackets(ts, 30);
    struct Row {
        size_t junk;     // bytes in front of the first sync byte
        size_t trailing; // bytes of a cut-off packet at the end
    } rows[] = {{0, 0}, {1, 0}, {50, 100}, {187, 187}, {0, 1}};
    for (const Row& row : rows) {
        const Bytes stream = Cat({Bytes(row.junk, 0x11), ts.stream,
                                  Bytes(ts.stream.begin(), ts.stream.begin() + row.trailing)});
        // First conversion: discovery runs out without a video PID and its
        // blocks are read again, so nothing of the recording is lost.
        ConversionState first;
        const Converted c = Convert(stream, first);
        EXPECT_EQ(c.result, kConvertDone);
        EXPECT_EQ(c.output, pes) << "junk " << row.junk;
        EXPECT_EQ(first.mode, ConversionMode::kAudioOnly);
        EXPECT_EQ(first.mux_rate, kAudioOnlyMuxRate);
        // A later part: audio only is known, discovery stops after its first
        // block and that block is consumed; the grid is found again at k.
        ConversionState later = kAudioOnly;
        EXPECT_EQ(Convert(stream, later).output, Payloads(pes, 10, 30)) << "junk " << row.junk;
    }
}

TEST(ConvertTsFile, StopEndsBeforeTheBlockIsProcessed) {
    TsWriter ts;
    const Bytes pes = AudioPackets(ts, 40);
    // Reads: 1 discovery block, 2 the aligning packet, 3 the rest of that
    // block, 4 the next block: stopped there, packets 20.. never go out.
    MemorySource source(ts.stream);
    StopEvent stop;
    source.beforeRead = [&](int read) {
        if (read == 4)
            stop.Set();
    };
    ConversionState state = kAudioOnly;
    const Converted c = Convert(source, state, &stop);
    EXPECT_EQ(c.result, kConvertStopped);
    EXPECT_EQ(c.output, Payloads(pes, 10, 20));
    EXPECT_EQ(source.reads, 4);
    EXPECT_FALSE(stop.IsSet()) << "the wait resets the event";

    // No stop event at all counts as stopped at the first block.
    MemorySource again(ts.stream);
    state = kAudioOnly;
    const Converted d = Convert(again, state, nullptr);
    EXPECT_EQ(d.result, kConvertStopped);
    EXPECT_TRUE(d.output.empty());
}

TEST(ConvertTsFile, DamagedStreamsAreConvertedWithoutHarm) {
    const Bytes clip = ReadFile(std::filesystem::path(DEZADIDE_FIXTURES) / "av_mp2.ts");
    ASSERT_GT(clip.size(), 100000u);
    std::minstd_rand next(12345);
    for (int round = 0; round < 8; ++round) {
        Bytes damaged(clip.begin(), clip.begin() + 60000 + round * 5000);
        // Bytes changed anywhere: headers, lengths, adaptation fields.
        for (size_t i = 0; i < damaged.size() / (20 + round * 40); ++i)
            damaged[(next() >> 8) % damaged.size()] = static_cast<uint8_t>(next() >> 16);
        ConversionState state;
        EXPECT_EQ(Convert(damaged, state).result, kConvertDone) << "round " << round;
    }
}

TEST(DiscoverPids, ReadsUntilBothAreKnownOrTheBudgetIsSpent) {
    uint8_t block[kBlockSize];
    TsWriter audio;
    AudioPackets(audio, 5000); // 940,000 bytes of audio, no video
    struct Row {
        const char* what;
        Bytes stream;
        ConversionMode mode;
        uint16_t vpid;
        bool complete;
        int reads; // and all of them consumed
    } rows[] = {
        {"video and audio", MakeAvStream(90000).stream, ConversionMode::kNone, kVideoPid, true, 3},
        // 752,000 bytes scanned is not yet more than the budget.
        {"audio without video", audio.stream, ConversionMode::kNone, 0, false, 401},
        {"audio only known", audio.stream, ConversionMode::kAudioOnly, 0, true, 1},
    };
    for (const Row& row : rows) {
        MemorySource source(row.stream);
        const DiscoveredPids found = discover_pids(source, block, row.mode);
        EXPECT_EQ(found.vpid, row.vpid) << row.what;
        EXPECT_EQ(found.apid, kAudioPid) << row.what;
        EXPECT_EQ(found.complete, row.complete) << row.what;
        EXPECT_EQ(source.reads, row.reads) << row.what;
        EXPECT_EQ(source.position(), row.reads * kBlockSize) << row.what;
    }
}

// AC-3 in private stream 1 is the audio when no MPEG audio shows; teletext,
// which shares the stream id, never is. MPEG audio anywhere wins.
TEST(DiscoverPids, TakesAc3OnlyWithoutMpegAudio) {
    uint8_t block[kBlockSize];
    const Bytes ac3 = Pes(0xBD, Cat({{0x0B, 0x77, 0x12, 0x34, 0x14, 0x40}, Filler(200, 3)}));
    const Bytes teletext = Pes(0xBD, Cat({{0x10, 0x02, 0x2C}, Filler(200, 4)}));
    const auto stream = [&](bool withAc3, bool withMpeg) {
        TsWriter ts;
        ts.Pes(kVideoPid, Pes(0xE0, Filler(200, 1), 0, 1000));
        ts.Pes(kOtherPid, teletext);
        if (withAc3)
            ts.Pes(kAudioPid, ac3);
        ts.PadToBlock();
        for (int i = 0; i < 30; ++i) // more blocks, then maybe MPEG audio at the end
            ts.Packet(0x1FE, false, Filler(184, 5));
        if (withMpeg)
            ts.Pes(0x102, Pes(0xC0, AudioFrame(100, 6), -1, 2000));
        ts.PadToBlock();
        return ts.stream;
    };
    struct Row {
        const char* what;
        bool ac3, mpeg;
        uint16_t apid;
        bool complete;
    } rows[] = {
        {"AC-3 alone: taken once the input has ended", true, false, kAudioPid, false},
        {"AC-3 and later MPEG audio: the MPEG audio", true, true, 0x102, true},
        {"teletext alone: no audio", false, false, 0, false},
    };
    for (const Row& row : rows) {
        MemorySource source(stream(row.ac3, row.mpeg));
        const DiscoveredPids found = discover_pids(source, block, ConversionMode::kNone);
        EXPECT_EQ(found.vpid, kVideoPid) << row.what;
        EXPECT_EQ(found.apid, row.apid) << row.what;
        EXPECT_EQ(found.complete, row.complete) << row.what;
    }

    // Converted, the AC-3 segments reach the output behind the video's
    // headers, with the sub-stream header in front of the first frame.
    TsWriter ts;
    ts.Pes(kVideoPid, Pes(0xE0, Cat({SequenceHeader(6000000), Filler(300, 5)}), 0, 9000));
    ts.Pes(kAudioPid, ac3);
    ts.Pes(kVideoPid, Pes(0xE0, Filler(300, 7), 0, 12600));
    ts.Pes(kAudioPid, ac3);
    ConversionState state;
    const Converted c = Convert(ts.stream, state);
    EXPECT_EQ(c.result, kConvertDone);
    EXPECT_EQ(state.mode, ConversionMode::kAv);
    const Bytes withSubStream = {0, 0, 1, 0xBD};
    const auto at =
        std::search(c.output.begin(), c.output.end(), withSubStream.begin(), withSubStream.end());
    ASSERT_NE(at, c.output.end()) << "no AC-3 segment in the output";
    const size_t payload = static_cast<size_t>(at - c.output.begin()) + 9 + at[8];
    ASSERT_LT(payload + 6, c.output.size());
    EXPECT_EQ(c.output[payload], 0x80) << "sub-stream id of AC-3";
    EXPECT_EQ(c.output[payload + 4], 0x0B);
    EXPECT_EQ(c.output[payload + 5], 0x77);
    EXPECT_EQ(c.output.size() >= 32 ? c.output[3] : 0, 0xBA) << "the pack header comes first";
}

// A part with no sync byte where its stream should begin is not a transport
// stream: a result of its own, not a stop. A part with no stream bytes at all
// is merely empty.
TEST(ConvertTsFile, NotATransportStreamAndAnEmptyPart) {
    ConversionState state;
    const Converted junk = Convert(Filler(5000, 1), state);
    EXPECT_EQ(junk.result, kConvertNotATs);
    EXPECT_EQ(junk.log, "Not a TS\n");
    EXPECT_TRUE(junk.output.empty());
    const Converted empty = Convert(Bytes{}, state);
    EXPECT_EQ(empty.result, kConvertDone);
    EXPECT_EQ(empty.log, "");
}

TEST(ProbePids, FindsPesStartsOfBothKinds) {
    const auto packet = [](uint8_t byte1, const Bytes& payload) {
        Bytes p = Cat({{0x47, byte1, 0x42, 0x10}, payload});
        p.resize(188, 0xFF);
        return p;
    };
    const Bytes video = {0, 0, 1, 0xE3};
    Bytes withAdaptation = packet(0x41, {7, 0, 1, 1, 1, 1, 1, 1, 0, 0, 1, 0xE0});
    withAdaptation[3] = 0x30;
    struct Row {
        Bytes buffer;
        uint16_t vpid, apid;
        const char* what;
    } rows[] = {
        {packet(0x41, video), 0x142, 0, "video"},
        {packet(0x41, {0, 0, 1, 0xC0}), 0, 0x142, "MPEG audio"},
        {packet(0x41, {0, 0, 1, 0xBD}), 0, 0x142, "AC-3 in private stream 1"},
        {packet(0x41, {0, 0, 1, 0xBE}), 0, 0, "padding stream"},
        {packet(0x01, video), 0, 0, "no unit start"},
        {packet(0xC1, video), 0, 0, "transport error bit"},
        {packet(0x41, {0, 1, 1, 0xE0}), 0, 0, "no start code prefix"},
        {Cat({packet(0x41, video), packet(0x40, {0, 0, 1, 0xC1})}), 0x142, 0x042, "both"},
        {withAdaptation, 0x142, 0, "payload behind an adaptation field"},
    };
    for (const Row& row : rows) {
        uint16_t v = 1, a = 1;
        probe_pids(row.buffer.data(), row.buffer.size(), v, a);
        EXPECT_EQ(v, row.vpid) << row.what;
        EXPECT_EQ(a, row.apid) << row.what;
    }
}

} // namespace
} // namespace dz::convert
