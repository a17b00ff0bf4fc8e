#include "convert/ts_to_ps.h"

#include "convert/es_headers.h"
#include "convert/ts_packet.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace dz::convert {
namespace {

// A sync byte counts as a packet start unless the place of the next packet,
// while still well inside the block, holds something else.
bool IsPacketStartInBlock(const uint8_t* block, size_t n, size_t i) {
    if (block[i] != kTsSyncByte)
        return false;
    return !(i + kTsPacketSize + kStreamIdInPacket < n && block[i + kTsPacketSize] != kTsSyncByte);
}

struct PidScan {
    uint16_t vpid = 0;
    uint16_t apid = 0;
    uint16_t ac3pid = 0; // AC-3 in private stream 1: taken only when no MPEG audio shows
};

// One discovery block: packet starts with the unit-start bit give the PID of
// the stream id they carry (a later one overwrites an earlier one).
void ScanDiscoveryBlock(const uint8_t* block, size_t n, ConversionMode mode, PidScan& scan) {
    for (size_t i = 0; i + kStreamIdInPacket < n;) {
        if (!IsPacketStartInBlock(block, n, i)) {
            ++i;
        } else {
            if (block[i + 1] & kPayloadUnitStart) {
                const size_t id = i + kStreamIdInPacket + AdaptationShare(block + i);
                if (id < n) {
                    if (IsVideoStreamId(block[id]))
                        scan.vpid = pid_of(block + i);
                    else if (IsMpegAudioStreamId(block[id]))
                        scan.apid = pid_of(block + i);
                    else if (block[id] == kPrivateStream1 && block[id - 1] == 1 &&
                             block[id - 2] == 0 && block[id - 3] == 0 &&
                             CarriesAc3(block + id - kStreamIdInPes,
                                        block + std::min(n, i + kTsPacketSize)))
                        scan.ac3pid = pid_of(block + i);
                }
            }
            i += kTsPacketSize;
        }
        if (scan.vpid != 0 && scan.apid != 0)
            return;
        if (scan.apid != 0 && mode == ConversionMode::kAudioOnly)
            return;
    }
}

// Frees the ipack's buffer however the conversion of a part ends.
class IpackGuard {
public:
    explicit IpackGuard(ipack& p) : m_p(p) {}
    ~IpackGuard() {
        if (m_created)
            ipack_destroy(m_p);
    }
    IpackGuard(const IpackGuard&) = delete;
    IpackGuard& operator=(const IpackGuard&) = delete;
    bool create(ConvertContext& context) {
        m_created = ipack_create(m_p, kSegmentCapacity, ps_emit_segment, &context);
        return m_created;
    }

private:
    ipack& m_p;
    bool m_created = false;
};

enum class Alignment { kAligned, kEmpty, kNoSync };

// The first sync byte among the first packet's worth of bytes, then the
// buffer filled up to one whole packet from there; `held` gives the bytes
// held. A part with no stream bytes at all is empty, not foreign.
Alignment AlignToSync(BlockSource& source, uint8_t* block, size_t& held) {
    const size_t got = source.read_block(block, kTsPacketSize);
    if (got == 0)
        return Alignment::kEmpty;
    const auto* sync = static_cast<const uint8_t*>(std::memchr(block, kTsSyncByte, got));
    if (!sync)
        return Alignment::kNoSync;
    const size_t k = static_cast<size_t>(sync - block);
    std::memmove(block, block + k, got - k);
    held = got - k;
    if (held < kTsPacketSize)
        held += source.read_block(block + held, kTsPacketSize - held);
    return Alignment::kAligned;
}

// The AC-3 frame header in the payload of a private stream 1 segment, past
// its sub-stream header when it has one.
bool Ac3BitRate(const uint8_t* segment, size_t fill, Ac3Info& info) {
    constexpr size_t kFixedHeader = 9;     // start code to PES_header_data_length
    constexpr size_t kSubStreamHeader = 4; // sub-stream id, frame count, pointer
    if (fill <= kFixedHeader)
        return false;
    size_t payload = kFixedHeader + segment[kFixedHeader - 1];
    if (payload < fill && (segment[payload] & 0xF8) == 0x80)
        payload += kSubStreamHeader;
    if (payload >= fill)
        return false;
    return parse_ac3_header(segment + payload, fill - payload, info, false) >= 0 &&
           info.frame_size > 0 && info.bit_rate > 0;
}

} // namespace

void probe_pids(const uint8_t* buffer, size_t length, uint16_t& vpid, uint16_t& apid) {
    vpid = 0;
    apid = 0;
    for (size_t i = 0; i + kStreamIdInPacket < length;) {
        if (buffer[i] != kTsSyncByte) {
            ++i;
            continue;
        }
        // High nibble 0x4: unit start set; error, priority and PID bit 12 clear.
        if ((buffer[i + 1] & 0xF0) == 0x40) {
            const size_t pes = i + kTsHeaderSize + AdaptationShare(buffer + i);
            if (pes + kStreamIdInPes < length && buffer[pes] == 0 && buffer[pes + 1] == 0 &&
                buffer[pes + 2] == 1) {
                const uint8_t id = buffer[pes + kStreamIdInPes];
                if (IsVideoStreamId(id))
                    vpid = pid_of(buffer + i);
                else if (id == kPrivateStream1 || IsMpegAudioStreamId(id))
                    apid = pid_of(buffer + i);
            }
        }
        if (vpid != 0 && apid != 0)
            return;
        i += kTsPacketSize;
    }
}

DiscoveredPids discover_pids(BlockSource& source, uint8_t* block, ConversionMode mode) {
    DiscoveredPids found;
    PidScan scan;
    uint64_t scanned = 0;
    // MPEG audio is taken wherever it shows within the budget; AC-3 only
    // when none does, so discovery that settles for it has read all it may.
    const auto settle = [&] {
        found.vpid = scan.vpid;
        found.apid = scan.apid != 0 ? scan.apid : scan.ac3pid;
        return found;
    };
    for (;;) {
        found.vpid = scan.vpid;
        found.apid = scan.apid;
        if (scan.vpid != 0 && scan.apid != 0) {
            found.complete = true;
            return found;
        }
        if (scanned > kDiscoveryBudget)
            return settle();
        const size_t n = source.read_block(block, kBlockSize);
        if (n == 0)
            return settle();
        scanned += n;
        if (n > kStreamIdInPacket) // a shorter block holds no packet start worth a look
            ScanDiscoveryBlock(block, n, mode, scan);
        if (scan.apid != 0 && mode == ConversionMode::kAudioOnly) {
            found.vpid = scan.vpid;
            found.apid = scan.apid;
            found.complete = true;
            return found;
        }
    }
}

// One field group per line, as the pack_header and system_header tables of
// ISO/IEC 13818-1 list them.
// clang-format off
void write_pack_and_system_header(uint8_t* out, uint32_t scr, int32_t mux_rate) {
    const auto rate = static_cast<uint32_t>(mux_rate);
    uint8_t* p = out; // pack_header
    p[0] = 0x00;                                                // pack_start_code
    p[1] = 0x00;
    p[2] = 0x01;
    p[3] = 0xBA;
    p[4] = 0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03); // '01', SCR[32..30], marker, SCR[29..28]
    p[5] = (scr >> 20) & 0xFF;                                  // SCR[27..20]
    p[6] = ((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 0x03);  // SCR[19..15], marker, SCR[14..13]
    p[7] = (scr >> 5) & 0xFF;                                   // SCR[12..5]
    p[8] = ((scr << 3) & 0xF8) | 0x04;                          // SCR[4..0], marker, SCR_extension[8..7] = 0
    p[9] = 0x01;                                                // SCR_extension[6..0] = 0, marker
    p[10] = (rate >> 14) & 0xFF;                                // program_mux_rate[21..14]
    p[11] = (rate >> 6) & 0xFF;                                 // program_mux_rate[13..6]
    p[12] = ((rate << 2) & 0xFC) | 0x03;                        // program_mux_rate[5..0], marker, marker
    p[13] = 0xF8;                                               // reserved '11111', pack_stuffing_length 0

    uint8_t* s = out + kPackHeaderSize; // system_header
    s[0] = 0x00;                                // system_header_start_code
    s[1] = 0x00;
    s[2] = 0x01;
    s[3] = 0xBB;
    s[4] = 0x00;                                // header_length[15..8]
    s[5] = kSystemHeaderSize - kPesLengthEnd;   // header_length[7..0] = 12
    s[6] = 0x80 | ((rate >> 15) & 0x7F);        // marker, rate_bound[21..15]
    s[7] = (rate >> 7) & 0xFF;                  // rate_bound[14..7]
    s[8] = ((rate << 1) & 0xFE) | 0x01;         // rate_bound[6..0], marker
    s[9] = 0x04;                                // audio_bound 1, fixed_flag 0, CSPS_flag 0
    s[10] = 0xE1;                               // system_audio_lock_flag 1, system_video_lock_flag 1, marker, video_bound 1
    s[11] = 0x7F;                               // packet_rate_restriction_flag 0, reserved_bits '1111111'
    s[12] = 0xE0;                               // stream_id: video stream 0
    s[13] = 0xE1;                               // '11', P-STD_buffer_bound_scale 1, P-STD_buffer_size_bound[12..8]
    s[14] = 0xCC;                               // P-STD_buffer_size_bound[7..0]: 460 x 1024 bytes
    s[15] = 0xC0;                               // stream_id: audio stream 0
    s[16] = 0xC0;                               // '11', P-STD_buffer_bound_scale 0, P-STD_buffer_size_bound[12..8]
    s[17] = 0x40;                               // P-STD_buffer_size_bound[7..0]: 64 x 128 bytes
}
// clang-format on

void ps_emit_segment(ipack* p, void* context) {
    auto& ctx = *static_cast<ConvertContext*>(context);
    ConversionState& state = *ctx.state;
    const uint8_t* segment = p->buf.get();
    const auto fill = static_cast<size_t>(p->fill);

    if (p->mpeg_version != 2)
        return;

    if (IsVideoStreamId(p->stream_id) && !p->video_info_valid &&
        parse_video_sequence_header(segment, fill, p->video_info, true, ctx.log) >= 0) {
        p->video_info_valid = true;
        state.video_bit_rate = p->video_info.bit_rate;
    } else if (IsMpegAudioStreamId(p->stream_id) && !p->audio_info_valid &&
               parse_mpeg_audio_header(segment, fill, p->audio_info, true, ctx.log) >= 0) {
        p->audio_info_valid = true;
        state.audio_bit_rate = p->audio_info.bit_rate;
    } else if (p->stream_id == kPrivateStream1 && !p->audio_info_valid) {
        // AC-3's bit rate counts towards the mux rate as MPEG audio's does.
        Ac3Info ac3;
        if (Ac3BitRate(segment, fill, ac3)) {
            p->audio_info_valid = true;
            p->audio_info.bit_rate = ac3.bit_rate;
            state.audio_bit_rate = ac3.bit_rate;
        }
    }

    if (p->video_info_valid && state.video_bit_rate != 0 && state.mux_rate == 0)
        state.mux_rate = (state.audio_bit_rate + state.video_bit_rate) / 400;
    else if (state.mode == ConversionMode::kAudioOnly)
        state.mux_rate = kAudioOnlyMuxRate;

    if (state.mode == ConversionMode::kAv && state.mux_rate != 0 && !state.header_written &&
        state.video_bit_rate != 0) {
        const auto pts = static_cast<uint32_t>(decode_pts(p->pts_bytes));
        uint8_t header[kPackHeaderSize + kSystemHeaderSize];
        write_pack_and_system_header(header, pts - kScrLead, state.mux_rate);
        ctx.output->write(header, sizeof header);
        state.header_written = true;
    }
    // Audio-only output carries no pack header; it starts with this segment.
    if (state.mode == ConversionMode::kAudioOnly && state.mux_rate != 0 && !state.header_written)
        state.header_written = true;

    if (p->stream_id == kPrivateStream1) {
        // An AC-3 frame runs across segments. A packet cut short by the end
        // of a part would hand the decoder the head of a frame and then the
        // next frame, which it decodes as garbage; so a packet's segments go
        // out together once the packet is complete, or not at all.
        ctx.heldPrivate.insert(ctx.heldPrivate.end(), segment, segment + fill);
        const bool complete = p->parse_pos == 0 || p->parse_pos >= p->pes_length + kPesLengthEnd;
        if (!complete)
            return;
        if (state.header_written)
            ctx.output->write(ctx.heldPrivate.data(), ctx.heldPrivate.size());
        ctx.heldPrivate.clear();
        return;
    }
    if (state.header_written)
        ctx.output->write(segment, fill);
}

namespace {

// The PIDs a part's packets are routed by; 0 while not known.
struct RoutePids {
    uint16_t video = 0;
    uint16_t audio = 0;
};

// Discovery consumes the blocks it needed. When it ran out of budget or
// input without learning enough, its blocks are read again: they may be all
// there is of an audio-only recording. An audio PID settles the mode.
RoutePids DiscoverPartPids(BlockSource& source, uint8_t* block, ConversionState& state) {
    const uint64_t discoveryStart = source.position();
    const DiscoveredPids found = discover_pids(source, block, state.mode);
    if (!found.complete)
        source.seek(discoveryStart);
    if (found.apid != 0)
        state.mode = found.vpid != 0 ? ConversionMode::kAv : ConversionMode::kAudioOnly;
    return {found.vpid, found.apid};
}

// A PID that discovery did not find is looked for in every block read, and
// taken (and logged) from the first block that shows it.
void ProbeMissingPids(const uint8_t* data, size_t n, ConversionMode mode, RoutePids& pids,
                      std::FILE* log) {
    const bool videoMissing = pids.video == 0 && mode == ConversionMode::kAv;
    if (!videoMissing && pids.audio != 0)
        return;
    uint16_t probedVideo = 0;
    uint16_t probedAudio = 0;
    probe_pids(data, n, probedVideo, probedAudio);
    if (videoMissing && probedVideo != 0) {
        pids.video = probedVideo;
        std::fprintf(log, "vpid %d (0x%02x)\n", pids.video, pids.video);
    }
    if (pids.audio == 0 && probedAudio != 0) {
        pids.audio = probedAudio;
        std::fprintf(log, "apid %d (0x%02x)\n", pids.audio, pids.audio);
    }
}

// Hands the payload of every whole packet of the block that carries one of
// the two PIDs to its repacketiser; a unit start first closes an unbounded
// packet of that stream.
void RoutePackets(const uint8_t* block, size_t total, const RoutePids& pids, ipack* video,
                  ipack& audio) {
    for (size_t offset = 0; offset + kTsPacketSize <= total; offset += kTsPacketSize) {
        const uint8_t* packet = block + offset;
        // A packet off the grid or without payload carries nothing for us.
        if (packet[0] != kTsSyncByte || !(packet[3] & kPayloadPresent))
            continue;
        const uint16_t pid = pid_of(packet);
        ipack* p = nullptr;
        if (video && pids.video != 0 && pid == pids.video)
            p = video;
        else if (pids.audio != 0 && pid == pids.audio)
            p = &audio;
        else
            continue;
        const size_t payload = kTsHeaderSize + AdaptationShare(packet);
        if (payload > kTsPacketSize)
            continue; // adaptation length beyond the packet: damaged
        if (packet[1] & kPayloadUnitStart)
            ipack_close_unbounded(*p);
        ipack_feed(*p, packet + payload, kTsPacketSize - payload);
    }
}

} // namespace

int convert_ts_file(BlockSource& source, StopEvent* stop, OutputSink& output,
                    ConversionState& state, std::FILE* log) {
    uint8_t block[kBlockSize] = {};
    RoutePids pids = DiscoverPartPids(source, block, state);

    ConvertContext context{&state, &output, log};
    ipack audio;
    ipack video;
    IpackGuard audioGuard(audio);
    IpackGuard videoGuard(video);
    const bool haveVideo = state.mode == ConversionMode::kAv;
    if (!audioGuard.create(context) || (haveVideo && !videoGuard.create(context))) {
        std::fputs("Couldn't allocate memory for ipack\n", log);
        return kConvertStopped;
    }

    size_t start = 0;
    switch (AlignToSync(source, block, start)) {
    case Alignment::kAligned:
        break;
    case Alignment::kEmpty:
        return kConvertDone;
    case Alignment::kNoSync:
        std::fputs("Not a TS\n", log);
        return kConvertNotATs;
    }

    for (;;) {
        const size_t got = source.read_block(block + start, kBlockSize - start);
        const size_t total = start + got;
        ProbeMissingPids(block + start, got, state.mode, pids, log);
        if (!stop || stop->TryWait())
            return kConvertStopped;
        RoutePackets(block, total, pids, haveVideo ? &video : nullptr, audio);
        if (output.failed())
            return kConvertWriteFailed;
        if (total == 0)
            return kConvertDone;
        start = 0;
    }
}

} // namespace dz::convert
