// The converter on synthetic transport streams: which packets reach the
// output, the pack and system header, discovery, alignment and stop.
#include "convert/ts_to_ps.h"

#include "support/temp_dir.h"
#include "ts_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace dz::convert {
namespace {

using test::Bytes;
using test::Concat;
using test::Filler;
using test::kAudioPid;
using test::kVideoPid;
using test::MakePes;
using test::MemorySource;
using test::TsWriter;

// Writes fields MSB first, the way the standard's syntax tables list them.
class BitWriter {
public:
    void Put(int bits, uint64_t value) {
        for (int i = bits - 1; i >= 0; --i) {
            m_acc = static_cast<uint8_t>((m_acc << 1) | ((value >> i) & 1));
            if (++m_count == 8) {
                bytes.push_back(m_acc);
                m_count = 0;
            }
        }
    }
    Bytes bytes;

private:
    uint8_t m_acc = 0;
    int m_count = 0;
};

Bytes ExpectedHeaders(uint64_t scr, uint32_t muxRate) {
    BitWriter w;
    w.Put(32, 0x000001BA); // pack_start_code
    w.Put(2, 1);
    w.Put(3, (scr >> 30) & 7);
    w.Put(1, 1);
    w.Put(15, (scr >> 15) & 0x7FFF);
    w.Put(1, 1);
    w.Put(15, scr & 0x7FFF);
    w.Put(1, 1);
    w.Put(9, 0); // system_clock_reference_extension
    w.Put(1, 1);
    w.Put(22, muxRate);
    w.Put(2, 3);
    w.Put(5, 0x1F);        // reserved
    w.Put(3, 0);           // pack_stuffing_length
    w.Put(32, 0x000001BB); // system_header_start_code
    w.Put(16, 12);         // header_length
    w.Put(1, 1);
    w.Put(22, muxRate); // rate_bound
    w.Put(1, 1);
    w.Put(6, 1); // audio_bound
    w.Put(1, 0); // fixed_flag
    w.Put(1, 0); // CSPS_flag
    w.Put(1, 1); // system_audio_lock_flag
    w.Put(1, 1); // system_video_lock_flag
    w.Put(1, 1);
    w.Put(5, 1); // video_bound
    w.Put(1, 0); // packet_rate_restriction_flag
    w.Put(7, 0x7F);
    for (auto [id, scale, size] : {std::tuple{0xE0, 1, 460}, std::tuple{0xC0, 0, 64}}) {
        w.Put(8, id);
        w.Put(2, 3);
        w.Put(1, scale);
        w.Put(13, size);
    }
    return w.bytes;
}

std::string ReadLog(std::FILE* log) {
    std::string text;
    std::rewind(log);
    for (int c; (c = std::fgetc(log)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

// Where two byte strings part, for a readable failure.
std::string Mismatch(const Bytes& got, const Bytes& want) {
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    char text[96];
    std::snprintf(text, sizeof text, "\n%zu and %zu bytes, first difference at %zu", got.size(),
                  want.size(), i);
    return text;
}

struct Converted {
    int result = 0;
    Bytes output;
    std::string log;
    int reads = 0;
};

Converted Convert(MemorySource& source, ConversionState& state, StopEvent* stop) {
    Converted c;
    MemoryOutputSink sink;
    std::FILE* log = std::tmpfile();
    c.result = convert_ts_file(source, stop, sink, state, log);
    c.output = sink.bytes;
    c.log = ReadLog(log);
    std::fclose(log);
    c.reads = source.reads;
    return c;
}

Converted Convert(const Bytes& stream, ConversionState& state) {
    MemorySource source(stream);
    StopEvent stop;
    return Convert(source, state, &stop);
}

TEST(PackHeader, MatchesTheStandardsFieldLayout) {
    struct Row {
        uint32_t scr;
        int32_t muxRate;
        const char* what;
    } rows[] = {
        {0, 15480, "zero clock"},
        {0x12345678, 1320, "every SCR field has bits"},
        {0xFFFFFFFF, 0x3FFFFF, "all ones: bit 32 stays 0"},
        {86400, 1, "rate of one"},
    };
    for (const Row& row : rows) {
        uint8_t out[kPackHeaderSize + kSystemHeaderSize];
        write_pack_and_system_header(out, row.scr, row.muxRate);
        EXPECT_EQ(Bytes(out, out + sizeof out),
                  ExpectedHeaders(row.scr, static_cast<uint32_t>(row.muxRate)))
            << row.what;
    }
}

// Three blocks of discovery (video seen in the first, audio in the third),
// then: audio A1, video V1 with a sequence header, audio A2, video V2 (whose
// unit start finishes V1), audio A3.
struct AvStream {
    Bytes stream, v1, a1, a2, a3;
};
AvStream MakeAvStream(uint64_t videoPts) {
    TsWriter ts;
    ts.Pes(kVideoPid, MakePes(0xE0, 1000, Filler(200, 1), false));
    ts.PadToBlock();
    ts.Packet(test::kOtherPid, false, Filler(184, 2));
    ts.PadToBlock();
    ts.Pes(kAudioPid, MakePes(0xC0, 2000, Concat(test::AudioFrameHeader(), Filler(100, 3)), true));
    ts.PadToBlock(); // discovery ends here, after three blocks
    AvStream av;
    av.a1 = MakePes(0xC0, 3000, Concat(test::AudioFrameHeader(), Filler(150, 4)), true);
    av.v1 = MakePes(0xE0, videoPts, Concat(test::SequenceHeader(6000000), Filler(300, 5)), false);
    av.a2 = MakePes(0xC0, 4000, Concat(test::AudioFrameHeader(), Filler(150, 6)), true);
    ts.Pes(kAudioPid, av.a1);
    ts.Pes(kVideoPid, av.v1);
    ts.Pes(kAudioPid, av.a2);
    ts.Pes(kVideoPid, MakePes(0xE0, videoPts + 3600, Filler(300, 7), false));
    av.a3 = MakePes(0xC0, 5000, Concat(test::AudioFrameHeader(), Filler(150, 8)), true);
    ts.Pes(kAudioPid, av.a3);
    // The unbounded video packet gets its real length when it is closed.
    const size_t length = av.v1.size() - 6;
    av.v1[4] = static_cast<uint8_t>(length >> 8);
    av.v1[5] = static_cast<uint8_t>(length);
    av.stream = ts.stream;
    return av;
}

TEST(ConvertTsFile, VideoOutputStartsWithHeadersAndTheFirstSequenceHeaderSegment) {
    // The SCR is the PTS less 3,600, wrapping in 32 bits below it.
    struct Row {
        uint64_t pts;
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
        const Bytes expected = Concat(Concat(ExpectedHeaders(row.scr, 15480), av.v1), av.a3);
        EXPECT_EQ(c.output, expected) << "pts " << row.pts << Mismatch(c.output, expected);
        EXPECT_EQ(state.mode, MODE_AV);
        EXPECT_EQ(state.mux_rate, 15480);
        EXPECT_TRUE(state.header_written);
        EXPECT_EQ(c.log.find("vpid"), std::string::npos) << "discovery found both: no probe";
    }
}

TEST(ConvertTsFile, SecondPartOfAConversionWritesNoSecondHeader) {
    const AvStream av = MakeAvStream(90000);
    ConversionState state;
    Convert(av.stream, state);
    const Converted second = Convert(av.stream, state);
    // Header already written: from the first segment on, everything goes out.
    const Bytes expected = Concat(Concat(Concat(av.a1, av.a2), av.v1), av.a3);
    EXPECT_EQ(second.output, expected) << Mismatch(second.output, expected);
}

// Audio PES packets of one transport packet each.
std::vector<Bytes> AudioPackets(TsWriter& ts, int count) {
    std::vector<Bytes> pes;
    for (int i = 0; i < count; ++i) {
        pes.push_back(MakePes(0xC0, 3000u * i,
                              Concat(test::AudioFrameHeader(), Filler(166, uint8_t(i))), true));
        ts.Pes(kAudioPid, pes.back());
    }
    return pes;
}

Bytes Join(const std::vector<Bytes>& parts, size_t from, size_t to) {
    Bytes out;
    for (size_t i = from; i < to; ++i)
        out = Concat(out, parts[i]);
    return out;
}

TEST(ConvertTsFile, AudioOnlyIsThePesAloneFromTheSyncByteOnWithoutTrailingPartialPacket) {
    struct Row {
        size_t junk;     // bytes in front of the first sync byte
        size_t trailing; // bytes of a cut-off packet at the end
    } rows[] = {{0, 0}, {1, 0}, {50, 100}, {187, 187}, {0, 1}};
    for (const Row& row : rows) {
        TsWriter ts;
        const std::vector<Bytes> pes = AudioPackets(ts, 30);
        TsWriter tail;
        AudioPackets(tail, 1);
        Bytes stream(row.junk, 0x11);
        stream = Concat(stream, ts.stream);
        stream.insert(stream.end(), tail.stream.begin(),
                      tail.stream.begin() + static_cast<std::ptrdiff_t>(row.trailing));

        // First conversion: discovery runs out without a video PID and its
        // blocks are read again, so nothing of the recording is lost.
        ConversionState first;
        const Converted c = Convert(stream, first);
        EXPECT_EQ(c.result, kConvertDone);
        EXPECT_EQ(c.output, Join(pes, 0, pes.size())) << "junk " << row.junk;
        EXPECT_EQ(first.mode, MODE_AUDIO_ONLY);
        EXPECT_EQ(first.mux_rate, kAudioOnlyMuxRate);

        // A later part: audio only is known, discovery stops after its first
        // block and that block is consumed; the grid is found again at k.
        ConversionState later{MODE_AUDIO_ONLY, kAudioOnlyMuxRate, 192000, 0, true};
        const Converted d = Convert(stream, later);
        EXPECT_EQ(d.output, Join(pes, 10, pes.size())) << "junk " << row.junk;
    }
}

TEST(ConvertTsFile, StopEndsBeforeTheBlockIsProcessed) {
    TsWriter ts;
    const std::vector<Bytes> pes = AudioPackets(ts, 40);
    ConversionState audioOnly{MODE_AUDIO_ONLY, kAudioOnlyMuxRate, 192000, 0, true};

    // Reads: 1 discovery block, 2 the aligning packet, 3 the rest of that
    // block, 4 the next block: stopped there, packets 20.. never go out.
    MemorySource source(ts.stream);
    StopEvent stop;
    source.beforeRead = [&](int read) {
        if (read == 4)
            stop.Set();
    };
    ConversionState state = audioOnly;
    const Converted c = Convert(source, state, &stop);
    EXPECT_EQ(c.result, kConvertStopped);
    EXPECT_EQ(c.output, Join(pes, 10, 20));
    EXPECT_EQ(c.reads, 4);
    EXPECT_FALSE(stop.IsSet()) << "the wait resets the event";

    // No stop event at all counts as stopped at the first block.
    MemorySource again(ts.stream);
    state = audioOnly;
    const Converted d = Convert(again, state, nullptr);
    EXPECT_EQ(d.result, kConvertStopped);
    EXPECT_TRUE(d.output.empty());
}

TEST(ConvertTsFile, NoSyncByteInTheFirstPacketIsNotATransportStream) {
    ConversionState state;
    const Converted c = Convert(Bytes(5000, 0x11), state);
    EXPECT_EQ(c.result, kConvertStopped);
    EXPECT_TRUE(c.output.empty());
    EXPECT_EQ(c.log, "Not a TS\n");

    ConversionState empty;
    EXPECT_EQ(Convert(Bytes(), empty).result, kConvertStopped);
}

TEST(ConvertTsFile, VideoWithAc3AudioWritesNothing) {
    TsWriter ts;
    for (int i = 0; i < 20; ++i) {
        ts.Pes(kVideoPid, MakePes(0xE0, 90000 + 3600u * i,
                                  Concat(test::SequenceHeader(6000000), Filler(300, 1)), false));
        ts.Pes(kAudioPid, MakePes(0xBD, 90000 + 2880u * i,
                                  Concat({0x0B, 0x77, 0x00, 0x00, 0x1C}, Filler(200, 2)), true));
    }
    ConversionState state;
    const Converted c = Convert(ts.stream, state);
    EXPECT_EQ(c.result, kConvertDone);
    EXPECT_TRUE(c.output.empty());
    EXPECT_EQ(state.mode, MODE_NONE);
    // Discovery takes no private stream; the packet probe brings the AC-3 PID in.
    EXPECT_NE(c.log.find("apid 257 (0x101)\n"), std::string::npos) << c.log;
}

TEST(ConvertTsFile, AFailedWriteEndsTheConversion) {
    class FullDisk final : public OutputSink {
    protected:
        bool put(const uint8_t*, size_t) override { return false; }
    };
    TsWriter ts;
    AudioPackets(ts, 40);
    MemorySource source(ts.stream);
    ConversionState state;
    FullDisk sink;
    StopEvent stop;
    std::FILE* log = std::tmpfile();
    EXPECT_EQ(convert_ts_file(source, &stop, sink, state, log), kConvertWriteFailed);
    std::fclose(log);
    EXPECT_LT(source.position(), ts.stream.size()) << "stops at the block that failed";
}

TEST(ConvertTsFile, DamagedStreamsAreConvertedWithoutHarm) {
    const Bytes clip = test::ReadFile(std::filesystem::path(DEZADIDE_FIXTURES) / "av_mp2.ts");
    ASSERT_GT(clip.size(), 100000u);
    uint32_t random = 12345;
    const auto next = [&random] { return random = random * 1103515245u + 12345u; };
    for (int round = 0; round < 8; ++round) {
        Bytes damaged(clip.begin(), clip.begin() + 60000 + round * 5000);
        // Bytes changed anywhere: headers, lengths, adaptation fields.
        for (size_t i = 0; i < damaged.size() / (20 + round * 40); ++i)
            damaged[(next() >> 8) % damaged.size()] = static_cast<uint8_t>(next() >> 16);
        ConversionState state;
        const Converted c = Convert(damaged, state);
        EXPECT_EQ(c.result, kConvertDone) << "round " << round;
    }
}

TEST(DiscoverPids, ReadsUntilBothAreKnownOrTheBudgetIsSpent) {
    uint8_t block[kBlockSize];
    {
        const AvStream av = MakeAvStream(90000);
        MemorySource source(av.stream);
        const DiscoveredPids found = discover_pids(source, block, MODE_NONE);
        EXPECT_EQ(found.vpid, kVideoPid);
        EXPECT_EQ(found.apid, kAudioPid);
        EXPECT_TRUE(found.complete);
        EXPECT_EQ(source.reads, 3);
        EXPECT_EQ(source.position(), 3 * kBlockSize);
    }
    TsWriter ts;
    AudioPackets(ts, 5000); // 940,000 bytes of audio, no video
    {
        MemorySource source(ts.stream);
        const DiscoveredPids found = discover_pids(source, block, MODE_NONE);
        EXPECT_EQ(found.apid, kAudioPid);
        EXPECT_EQ(found.vpid, 0);
        EXPECT_FALSE(found.complete);
        EXPECT_EQ(source.reads, 401) << "752,000 bytes scanned is not yet more than the budget";
    }
    {
        MemorySource source(ts.stream);
        const DiscoveredPids found = discover_pids(source, block, MODE_AUDIO_ONLY);
        EXPECT_TRUE(found.complete);
        EXPECT_EQ(source.reads, 1);
    }
}

TEST(ProbePids, FindsPesStartsOfBothKinds) {
    const auto packet = [](uint8_t byte1, const Bytes& payload) {
        Bytes p = {0x47, byte1, 0x42, 0x10};
        p = Concat(p, payload);
        p.resize(188, 0xFF);
        return p;
    };
    const Bytes video = {0x00, 0x00, 0x01, 0xE3};
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
        {Concat(packet(0x41, video), packet(0x40, {0, 0, 1, 0xC1})), 0x142, 0x042, "both"},
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
