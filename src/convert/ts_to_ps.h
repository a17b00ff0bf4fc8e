#pragma once
// The transport stream to program stream converter: one part file's
// transport packets in, program-stream bytes appended to the output. It
// finds the video and audio PIDs, repacketises their PES packets through one
// ipack each, and lets through the first pack header + system header and
// every segment from the first video sequence header on (or, without video,
// every audio segment).

#include "convert/conversion_files.h"
#include "convert/ipack.h"
#include "convert/stop_event.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace dz::convert {

inline constexpr uint8_t kTsSyncByte = 0x47;
// Discovery gives up before reading once more than this was scanned.
inline constexpr uint64_t kDiscoveryBudget = 752000;
inline constexpr int32_t kSegmentCapacity = 2048;
inline constexpr size_t kPackHeaderSize = 14;
inline constexpr size_t kSystemHeaderSize = 18;
// The presentation time that becomes system clock reference 0 (40 ms at 90 kHz).
inline constexpr uint32_t kScrLead = 3600;
// Program mux rate of audio-only output, in units of 50 bytes/s.
inline constexpr int32_t kAudioOnlyMuxRate = 1152;

enum class ConversionMode {
    kNone,
    kAv,        // video and audio PIDs known
    kAudioOnly, // audio PID known, no video PID
};

// What one conversion learns and keeps across its part files. A fresh one
// per conversion, so every output file starts with its own pack header.
struct ConversionState {
    ConversionMode mode = ConversionMode::kNone;
    int32_t mux_rate = 0;       // units of 50 bytes/s; 0 = not yet known
    int32_t audio_bit_rate = 0; // bit/s; 0 = not yet analysed
    int32_t video_bit_rate = 0;
    bool header_written = false;
};

// Results of convert_ts_file.
inline constexpr int kConvertDone = 0;
inline constexpr int kConvertStopped = -1;     // stop event set or absent, no memory
inline constexpr int kConvertWriteFailed = -2; // the output could not be written
inline constexpr int kConvertNotATs = -3;      // no sync byte where the stream should start

struct ConvertContext {
    ConversionState* state = nullptr;
    OutputSink* output = nullptr;
    std::FILE* log = stderr;
    // The segments of the private stream 1 packet being repacketised, held
    // until the packet is complete (see ps_emit_segment).
    std::vector<uint8_t> heldPrivate{};
};

// Converts from the source's current position to its end into the output.
int convert_ts_file(BlockSource& source, StopEvent* stop, OutputSink& output,
                    ConversionState& state, std::FILE* log = stderr);

struct DiscoveredPids {
    uint16_t vpid = 0; // 0 = not found
    uint16_t apid = 0;
    bool complete = false; // stopped because it knew enough, not for budget or end of input
};
// Reads blocks from the source's position until both PIDs are known (or the
// audio PID, when the mode already says audio only), the budget is spent or
// the input ends. MPEG video and MPEG audio stream ids are taken; AC-3 in
// private stream 1 becomes the audio PID only when no MPEG audio was seen by
// the end (then `complete` is false: the blocks read are read again).
DiscoveredPids discover_pids(BlockSource& source, uint8_t* block, ConversionMode mode);

// One pass over a buffer for PES starts: video PID (0xE0-0xEF) and audio PID
// (0xBD or 0xC0-0xDF), 0 when absent.
void probe_pids(const uint8_t* buffer, size_t length, uint16_t& vpid, uint16_t& apid);

// The consumer of both ipacks: decides what reaches the output.
void ps_emit_segment(ipack* p, void* context);

// The 14-byte pack header + 18-byte system header that begin video output.
void write_pack_and_system_header(uint8_t* out, uint32_t scr, int32_t mux_rate);

inline uint16_t pid_of(const uint8_t* packet) {
    return static_cast<uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
}

} // namespace dz::convert
