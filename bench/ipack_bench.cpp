// The repacketiser against a plain memcpy of the same bytes, in one run.
//
// 64 MiB of transport payloads as the converter hands them over: 184-byte
// chunks (shorter at the end of a PES packet) of an unbounded video stream
// with PES packets of a few hundred KiB, and between them the chunks of an
// audio stream with PES packets of about 1 KiB. The consumer only adds up the
// segment lengths. Prints both rates and their ratio at the end.

#include "convert/ipack.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace dz;

namespace {

constexpr size_t kBufferSize = 64u << 20;
constexpr size_t kTsPayload = 184;
constexpr int32_t kCapacity = 2048;
constexpr size_t kVideoPes = 300 * 1024;
constexpr size_t kAudioPes = 1024;
constexpr size_t kVideoChunksPerAudioPes = 40; // about 6 Mbit/s of video to 192 kbit/s

struct Chunk {
    uint32_t offset;
    uint16_t length;
    bool audio;
    bool unit_start;
};

struct Stream {
    std::vector<uint8_t> bytes; // the chunks one after the other
    std::vector<Chunk> chunks;
};

uint32_t g_random = 0x12345678;
uint8_t RandomByte() {
    g_random ^= g_random << 13;
    g_random ^= g_random >> 17;
    g_random ^= g_random << 5;
    return static_cast<uint8_t>(g_random);
}

std::vector<uint8_t> PesPacket(uint8_t id, size_t total, bool bounded) {
    std::vector<uint8_t> p(total);
    const size_t length = bounded ? total - 6 : 0;
    const uint8_t header[14] = {0x00,
                                0x00,
                                0x01,
                                id,
                                static_cast<uint8_t>(length >> 8),
                                static_cast<uint8_t>(length),
                                0x80,
                                0x80,
                                0x05,
                                0x21,
                                0x00,
                                0x01,
                                0x00,
                                0x01};
    std::memcpy(p.data(), header, sizeof header);
    for (size_t i = sizeof header; i < total; ++i)
        p[i] = RandomByte();
    return p;
}

// Cuts one PES packet into chunks as a transport stream would carry it.
void AddPacket(Stream& s, const std::vector<uint8_t>& pes, bool audio) {
    for (size_t at = 0; at < pes.size(); at += kTsPayload) {
        const size_t n = std::min(kTsPayload, pes.size() - at);
        s.chunks.push_back(
            {static_cast<uint32_t>(s.bytes.size()), static_cast<uint16_t>(n), audio, at == 0});
        s.bytes.insert(s.bytes.end(), pes.begin() + at, pes.begin() + at + n);
    }
}

const Stream& TestStream() {
    static const Stream stream = [] {
        Stream s;
        s.bytes.reserve(kBufferSize + kVideoPes);
        size_t audio_count = 0;
        while (s.bytes.size() < kBufferSize) {
            const std::vector<uint8_t> video = PesPacket(0xE0, kVideoPes, false);
            for (size_t at = 0; at < video.size() && s.bytes.size() < kBufferSize;
                 at += kVideoChunksPerAudioPes * kTsPayload) {
                const size_t n = std::min(kVideoChunksPerAudioPes * kTsPayload, video.size() - at);
                const std::vector<uint8_t> part(video.begin() + at, video.begin() + at + n);
                const size_t first = s.chunks.size();
                AddPacket(s, part, false);
                s.chunks[first].unit_start = at == 0;
                AddPacket(s, PesPacket(0xC0, kAudioPes + (audio_count++ % 7) * 16, true), true);
            }
        }
        s.bytes.resize(kBufferSize);
        while (!s.chunks.empty() && s.chunks.back().offset + s.chunks.back().length > kBufferSize)
            s.chunks.pop_back();
        return s;
    }();
    return stream;
}

size_t PayloadBytes(const Stream& s) {
    size_t n = 0;
    for (const Chunk& c : s.chunks)
        n += c.length;
    return n;
}

void SumLengths(ipack* p, void* context) {
    *static_cast<uint64_t*>(context) += p->fill;
}

void CloseUnbounded(ipack& p) {
    p.pes_length = p.parse_pos - 6;
    p.parse_pos = 0;
    ipack_emit(p);
    ipack_reset(p);
}

void BM_IpackFeed(benchmark::State& state) {
    const Stream& s = TestStream();
    uint64_t written = 0;
    ipack video;
    ipack audio;
    if (!ipack_create(video, kCapacity, SumLengths, &written) ||
        !ipack_create(audio, kCapacity, SumLengths, &written)) {
        state.SkipWithError("no memory for the segment buffers");
        return;
    }
    for (auto _ : state) {
        ipack_reset(video);
        ipack_reset(audio);
        for (const Chunk& c : s.chunks) {
            ipack& p = c.audio ? audio : video;
            if (c.unit_start && p.pes_length == UNBOUNDED_PES_LENGTH)
                CloseUnbounded(p);
            ipack_feed(p, s.bytes.data() + c.offset, c.length);
        }
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * PayloadBytes(s)));
    state.counters["segments_bytes"] = static_cast<double>(written / state.iterations());
    ipack_destroy(video);
    ipack_destroy(audio);
}
BENCHMARK(BM_IpackFeed)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
    const Stream& s = TestStream();
    std::vector<uint8_t> copy(s.bytes.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), s.bytes.data(), s.bytes.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.bytes.size()));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's rate for the closing comparison.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions, the mean stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean")
                continue;
            const auto it = run.counters.find("bytes_per_second");
            if (!run.error_occurred && it != run.counters.end())
                rates[run.run_name.function_name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TestStream(); // built before the clock runs
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto ipack_rate = reporter.rates.find("BM_IpackFeed");
    const auto memcpy_rate = reporter.rates.find("BM_Memcpy");
    if (ipack_rate == reporter.rates.end() || memcpy_rate == reporter.rates.end())
        return 0;
    std::printf("ipack_feed %.0f MB/s, memcpy %.0f MB/s: %.0f %% of memcpy (target 25 %%)\n",
                ipack_rate->second / 1e6, memcpy_rate->second / 1e6,
                100.0 * ipack_rate->second / memcpy_rate->second);
    return 0;
}
