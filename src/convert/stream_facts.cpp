#include "convert/stream_facts.h"

#include "convert/es_headers.h"
#include "convert/ipack.h"
#include "convert/ts_packet.h"
#include "convert/ts_to_ps.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <map>
#include <numeric>

namespace dz::convert {
namespace {

// Elementary stream bytes kept per stream to find its format: a sequence
// header comes with every group of pictures, an audio header with every frame.
constexpr size_t kVideoEsKept = kHeadWindow;
constexpr size_t kAudioEsKept = 16 * 1024;
constexpr size_t kPtsBytes = 5;

enum class Carried { Video, MpegAudio, Ac3 };

// What one window of the stream says about one PID.
struct PidSeen {
    Carried carried = Carried::Video;
    std::vector<uint8_t> es; // payload bytes from its first PES start on
    bool havePts = false;
    int64_t ptsRef = 0; // the first time stamp: the others are taken relative to it
    int64_t minDelta = 0, maxDelta = 0;
    // Payload bytes from the start of the PES packet that holds the latest
    // time stamp on: what plays from it to the end (audio keeps its order).
    uint64_t bytesAfterLastPts = 0;
    std::vector<int64_t> deltas; // of every time stamp, to find the step between them
};
using WindowScan = std::map<uint16_t, PidSeen>;

// A time stamp's distance from a reference, across the 33-bit wrap: the
// nearer of the two ways round.
int64_t PtsDelta(int64_t pts, int64_t ref) {
    const int64_t half = kPtsWrap / 2;
    return ((pts - ref + half) % kPtsWrap + kPtsWrap) % kPtsWrap - half;
}
int64_t PtsAt(int64_t ref, int64_t delta) {
    return ((ref + delta) % kPtsWrap + kPtsWrap) % kPtsWrap;
}

// The marker bits of a time stamp (bit 0 of its first, third and fifth
// byte) are always 1; a damaged header rarely keeps all three.
bool PtsMarkersSet(const uint8_t* p) {
    return (p[0] & 1) && (p[2] & 1) && (p[4] & 1);
}

bool IsPacketAt(const uint8_t* data, size_t n, size_t i) {
    if (data[i] != kTsSyncByte)
        return false;
    // A sync byte whose next packet (when it lies inside the window) does
    // not start with one is a byte of some payload.
    return i + 2 * kTsPacketSize > n || data[i + kTsPacketSize] == kTsSyncByte;
}

void OnPesStart(PidSeen& seen, const uint8_t* pes, const uint8_t* end, bool keepEs) {
    const uint8_t* payload = pes + kPesFixedHeader + pes[kPesHeaderDataLength];
    if ((pes[kPesFlags2] & kPesHasPts) && pes[kPesHeaderDataLength] >= kPtsBytes &&
        PtsMarkersSet(pes + kPesFixedHeader)) {
        const int64_t pts = static_cast<int64_t>(decode_pts(pes + kPesFixedHeader));
        if (!seen.havePts) {
            seen.havePts = true;
            seen.ptsRef = pts;
        }
        const int64_t delta = PtsDelta(pts, seen.ptsRef);
        seen.minDelta = std::min(seen.minDelta, delta);
        if (delta >= seen.maxDelta) {
            seen.maxDelta = delta;
            seen.bytesAfterLastPts = 0;
        }
        seen.deltas.push_back(delta);
    }
    seen.bytesAfterLastPts += static_cast<uint64_t>(end - payload);
    const size_t cap = seen.carried == Carried::Video ? kVideoEsKept : kAudioEsKept;
    if (keepEs && seen.es.size() < cap)
        seen.es.insert(seen.es.end(), payload, end);
}

// Every whole packet of the window; a window that starts or ends mid-packet
// (a part cut anywhere, a read from the middle) finds its grid again.
WindowScan ScanWindow(const uint8_t* data, size_t n, bool keepEs) {
    WindowScan scan;
    size_t i = 0;
    while (i + kTsPacketSize <= n) {
        if (!IsPacketAt(data, n, i)) {
            ++i;
            continue;
        }
        const uint8_t* packet = data + i;
        i += kTsPacketSize;
        size_t payloadAt = 0;
        if (!PacketPayload(packet, payloadAt))
            continue;
        const uint8_t* payload = packet + payloadAt;
        const uint8_t* end = packet + kTsPacketSize;
        const uint16_t pid = pid_of(packet);
        if (packet[1] & kPayloadUnitStart) {
            if (!IsMpeg2PesHeader(payload, end))
                continue;
            const uint8_t id = payload[kStreamIdInPes];
            auto found = scan.find(pid);
            if (found == scan.end()) {
                PidSeen seen;
                if (IsVideoStreamId(id))
                    seen.carried = Carried::Video;
                else if (IsMpegAudioStreamId(id))
                    seen.carried = Carried::MpegAudio;
                else if (id == kPrivateStream1 && CarriesAc3(payload, end))
                    seen.carried = Carried::Ac3;
                else
                    continue;
                found = scan.emplace(pid, std::move(seen)).first;
            }
            OnPesStart(found->second, payload, end, keepEs);
            continue;
        }
        const auto found = scan.find(pid);
        if (found == scan.end())
            continue;
        PidSeen& seen = found->second;
        seen.bytesAfterLastPts += static_cast<uint64_t>(end - payload);
        const size_t cap = seen.carried == Carried::Video ? kVideoEsKept : kAudioEsKept;
        if (keepEs && seen.es.size() < cap)
            seen.es.insert(seen.es.end(), payload, end);
    }
    return scan;
}

// --- H.264 sequence parameter set (ISO/IEC 14496-10 seq_parameter_set_data) ---

class BitReader {
public:
    BitReader(const uint8_t* data, size_t n) {
        // Without the emulation prevention bytes (00 00 03 -> 00 00).
        m_bytes.reserve(n);
        int zeros = 0;
        for (size_t i = 0; i < n; ++i) {
            if (zeros >= 2 && data[i] == 3) {
                zeros = 0;
                continue;
            }
            zeros = data[i] == 0 ? zeros + 1 : 0;
            m_bytes.push_back(data[i]);
        }
    }
    bool ok() const { return !m_over; }
    uint32_t Bits(int count) {
        uint32_t v = 0;
        for (int k = 0; k < count; ++k) {
            if (m_pos >= m_bytes.size() * 8) {
                m_over = true;
                return 0;
            }
            v = (v << 1) | ((m_bytes[m_pos / 8] >> (7 - m_pos % 8)) & 1);
            ++m_pos;
        }
        return v;
    }
    uint32_t Ue() {
        int zeros = 0;
        while (Bits(1) == 0) {
            if (m_over || ++zeros > 31) {
                m_over = true;
                return 0;
            }
        }
        return ((1u << zeros) - 1) + Bits(zeros);
    }
    int32_t Se() {
        const uint32_t v = Ue();
        return (v & 1) ? static_cast<int32_t>((v + 1) / 2) : -static_cast<int32_t>(v / 2);
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_pos = 0;
    bool m_over = false;
};

bool HasChromaFormat(uint32_t profile) {
    constexpr std::array<uint32_t, 13> kHigh = {100, 110, 122, 244, 44,  83, 86,
                                                118, 128, 138, 139, 134, 135};
    return std::find(kHigh.begin(), kHigh.end(), profile) != kHigh.end();
}

void SkipScalingList(BitReader& r, int size) {
    int last = 8, next = 8;
    for (int j = 0; j < size && r.ok(); ++j) {
        if (next != 0)
            next = (last + r.Se() + 256) % 256;
        last = next == 0 ? last : next;
    }
}

std::string ReducedRatio(int64_t a, int64_t b) {
    if (a <= 0 || b <= 0)
        return {};
    const int64_t g = std::gcd(a, b);
    return std::to_string(a / g) + ":" + std::to_string(b / g);
}

// Size, shape and rate of an H.264 picture from its sequence parameter set
// (the NAL unit's bytes after its header byte). False when it is cut short.
bool ParseSps(const uint8_t* data, size_t n, StreamFormat& f) {
    BitReader r(data, n);
    const uint32_t profile = r.Bits(8);
    r.Bits(16); // constraint flags, level
    r.Ue();     // seq_parameter_set_id
    uint32_t chroma = 1;
    bool separatePlanes = false;
    if (HasChromaFormat(profile)) {
        chroma = r.Ue();
        if (chroma == 3)
            separatePlanes = r.Bits(1);
        r.Ue();          // bit_depth_luma_minus8
        r.Ue();          // bit_depth_chroma_minus8
        r.Bits(1);       // qpprime_y_zero_transform_bypass_flag
        if (r.Bits(1)) { // seq_scaling_matrix_present_flag
            for (int i = 0; i < (chroma != 3 ? 8 : 12) && r.ok(); ++i)
                if (r.Bits(1))
                    SkipScalingList(r, i < 6 ? 16 : 64);
        }
    }
    r.Ue(); // log2_max_frame_num_minus4
    const uint32_t pocType = r.Ue();
    if (pocType == 0) {
        r.Ue();
    } else if (pocType == 1) {
        r.Bits(1);
        r.Se();
        r.Se();
        const uint32_t cycle = r.Ue();
        for (uint32_t k = 0; k < cycle && k < 256 && r.ok(); ++k)
            r.Se();
    }
    r.Ue();    // max_num_ref_frames
    r.Bits(1); // gaps_in_frame_num_value_allowed_flag
    const uint32_t widthMbs = r.Ue() + 1;
    const uint32_t heightUnits = r.Ue() + 1;
    const uint32_t frameMbsOnly = r.Bits(1);
    if (!frameMbsOnly)
        r.Bits(1); // mb_adaptive_frame_field_flag
    r.Bits(1);     // direct_8x8_inference_flag
    uint32_t cropL = 0, cropR = 0, cropT = 0, cropB = 0;
    if (r.Bits(1)) {
        cropL = r.Ue();
        cropR = r.Ue();
        cropT = r.Ue();
        cropB = r.Ue();
    }
    if (!r.ok() || widthMbs > 1024 || heightUnits > 1024 || chroma > 3)
        return false;
    const bool mono = chroma == 0 || separatePlanes;
    const int64_t cropX = mono ? 1 : (chroma == 3 ? 1 : 2);
    const int64_t cropY = (mono ? 1 : (chroma == 1 ? 2 : 1)) * (2 - frameMbsOnly);
    const int64_t width = int64_t{widthMbs} * 16 - cropX * (int64_t{cropL} + cropR);
    const int64_t height =
        int64_t{heightUnits} * 16 * (2 - frameMbsOnly) - cropY * (int64_t{cropT} + cropB);
    if (width <= 0 || height <= 0)
        return false;
    f.width = static_cast<int32_t>(width);
    f.height = static_cast<int32_t>(height);

    if (!r.Bits(1)) // vui_parameters_present_flag
        return true;
    int64_t sarW = 0, sarH = 0;
    if (r.Bits(1)) { // aspect_ratio_info_present_flag
        constexpr int kSar[17][2] = {{0, 0},   {1, 1},    {12, 11}, {10, 11}, {16, 11}, {40, 33},
                                     {24, 11}, {20, 11},  {32, 11}, {80, 33}, {18, 11}, {15, 11},
                                     {64, 33}, {160, 99}, {4, 3},   {3, 2},   {2, 1}};
        constexpr uint32_t kExtendedSar = 255;
        const uint32_t idc = r.Bits(8);
        if (idc == kExtendedSar) {
            sarW = r.Bits(16);
            sarH = r.Bits(16);
        } else if (idc < 17) {
            sarW = kSar[idc][0];
            sarH = kSar[idc][1];
        }
    }
    if (r.Bits(1)) // overscan_info_present_flag
        r.Bits(1);
    if (r.Bits(1)) { // video_signal_type_present_flag
        r.Bits(4);
        if (r.Bits(1))
            r.Bits(24);
    }
    if (r.Bits(1)) { // chroma_loc_info_present_flag
        r.Ue();
        r.Ue();
    }
    if (r.Bits(1)) { // timing_info_present_flag
        const uint32_t tick = r.Bits(32);
        const uint32_t scale = r.Bits(32);
        if (r.ok() && tick > 0 && scale > 0) {
            const int64_t num = scale, den = int64_t{tick} * 2;
            const int64_t g = std::gcd(num, den);
            if (num / g <= INT32_MAX && den / g <= INT32_MAX) {
                f.frameRateNum = static_cast<int32_t>(num / g);
                f.frameRateDen = static_cast<int32_t>(den / g);
            }
        }
    }
    if (r.ok() && sarW > 0 && sarH > 0)
        f.aspect = ReducedRatio(width * sarW, height * sarH);
    return true;
}

// --- formats -------------------------------------------------------------------

// The frame rates of MPEG-2 frame_rate_code 1..8.
constexpr int32_t kFrameRates[9][2] = {{0, 0},  {24000, 1001}, {24, 1},
                                       {25, 1}, {30000, 1001}, {30, 1},
                                       {50, 1}, {60000, 1001}, {60, 1}};

bool IsStartCode(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

void VideoFormat(const std::vector<uint8_t>& es, StreamFormat& f) {
    VideoInfo info;
    const int at = parse_video_sequence_header(es.data(), es.size(), info, false);
    if (at >= 0) {
        // A sequence extension (00 00 01 B5, extension id 1) right behind the
        // sequence header is what MPEG-2 adds to MPEG-1.
        f.codec = "mpeg1video";
        const size_t from = static_cast<size_t>(at) + 12;
        for (size_t i = from; i + 4 < es.size() && i < from + 140; ++i) {
            if (IsStartCode(&es[i]) && es[i + 3] == 0xB5 && (es[i + 4] >> 4) == 1) {
                f.codec = "mpeg2video";
                break;
            }
        }
        f.width = info.horizontal_size;
        f.height = info.vertical_size;
        f.bitRate = info.bit_rate;
        constexpr const char* kAspects[5] = {nullptr, nullptr, "4:3", "16:9", "221:100"};
        if (info.aspect_code == 1)
            f.aspect = ReducedRatio(f.width, f.height); // square samples
        else if (info.aspect_code <= 4)
            f.aspect = kAspects[info.aspect_code];
        if (info.frame_rate_code >= 1 && info.frame_rate_code <= 8) {
            f.frameRateNum = kFrameRates[info.frame_rate_code][0];
            f.frameRateDen = kFrameRates[info.frame_rate_code][1];
        }
        return;
    }
    constexpr uint8_t kNalSps = 7;
    for (size_t i = 0; i + 4 < es.size(); ++i) {
        if (!IsStartCode(&es[i]) || (es[i + 3] & 0x80) || (es[i + 3] & 0x1F) != kNalSps)
            continue;
        f.codec = "h264";
        // The NAL unit runs to the next start code.
        size_t end = i + 4;
        while (end + 3 <= es.size() && !IsStartCode(&es[end]))
            ++end;
        if (end + 3 > es.size())
            end = es.size();
        StreamFormat sized = f;
        if (ParseSps(&es[i + 4], end - (i + 4), sized))
            f = sized;
        return;
    }
}

void AudioFormat(const PidSeen& seen, StreamFormat& f) {
    if (seen.carried == Carried::Ac3) {
        Ac3Info info;
        if (parse_ac3_header(seen.es.data(), seen.es.size(), info, false) < 0)
            return;
        const size_t at = static_cast<size_t>(info.offset);
        // bsid above 10 is Enhanced AC-3, whose header differs past syncinfo.
        constexpr int kLastAc3Bsid = 10;
        if (at + 5 < seen.es.size() && (seen.es[at + 5] >> 3) > kLastAc3Bsid) {
            f.codec = "eac3";
            return;
        }
        f.codec = "ac3";
        f.sampleRate = info.frequency;
        f.channels = info.channels;
        f.bitRate = info.bit_rate;
        return;
    }
    AudioInfo info;
    if (parse_mpeg_audio_header(seen.es.data(), seen.es.size(), info, false) < 0 || info.layer == 0)
        return;
    constexpr const char* kCodecs[4] = {nullptr, "mp3", "mp2", "mp1"};
    constexpr int32_t kSingleChannel = 3;
    f.codec = kCodecs[info.layer];
    f.sampleRate = info.frequency;
    f.channels = info.mode == kSingleChannel ? 1 : 2;
    f.bitRate = info.bit_rate;
}

// What plays after the last time stamp of a stream: a video frame (from
// its rate, else from the step between time stamps), the audio bytes at
// its bit rate.
int64_t LastPresentationSpan(const PidSeen& tail, const StreamFormat& f) {
    if (f.kind == StreamKind::Audio && f.bitRate > 0)
        return static_cast<int64_t>(tail.bytesAfterLastPts * 8 * kPtsClock /
                                    static_cast<uint64_t>(f.bitRate));
    if (f.kind == StreamKind::Video && f.frameRateNum > 0 && f.frameRateDen > 0)
        return kPtsClock * f.frameRateDen / f.frameRateNum;
    std::vector<int64_t> sorted = tail.deltas;
    std::sort(sorted.begin(), sorted.end());
    int64_t step = 0;
    for (size_t k = 1; k < sorted.size(); ++k) {
        const int64_t gap = sorted[k] - sorted[k - 1];
        if (gap > 0 && (step == 0 || gap < step))
            step = gap;
    }
    return step;
}

} // namespace

RecordingFacts FactsOfStreamEnds(const uint8_t* head, size_t headSize, const uint8_t* tail,
                                 size_t tailSize, EndsComplete* complete) {
    EndsComplete unused;
    EndsComplete& ends = complete ? *complete : unused;
    ends = {};
    RecordingFacts facts;
    const WindowScan start = ScanWindow(head, headSize, true);
    const WindowScan end = ScanWindow(tail, tailSize, true);
    // Every stream of either end; its format from the start, else from the
    // end (audio that begins behind a large first picture, a stream that
    // joins later).
    std::map<uint16_t, StreamFormat> streams;
    for (const WindowScan* scan : {&start, &end}) {
        for (const auto& [pid, seen] : *scan) {
            StreamFormat& f = streams[pid];
            if (!f.codec.empty())
                continue;
            f.pid = pid;
            f.kind = seen.carried == Carried::Video ? StreamKind::Video : StreamKind::Audio;
            if (f.kind == StreamKind::Video)
                VideoFormat(seen.es, f);
            else
                AudioFormat(seen, f);
        }
    }
    for (auto& [pid, f] : streams)
        facts.streams.push_back(f);

    // The running time is the video's, or without video the first audio's,
    // from its first time stamp at the start.
    const StreamFormat* main = nullptr;
    for (const StreamKind kind : {StreamKind::Video, StreamKind::Audio}) {
        for (const auto& [pid, f] : streams) {
            const auto seen = start.find(pid);
            if (!main && f.kind == kind && seen != start.end() && seen->second.havePts)
                main = &f;
        }
    }
    if (!main)
        return facts;
    const PidSeen& first = start.at(main->pid);
    ends.head = main->kind == StreamKind::Video && !main->codec.empty();
    const auto last = end.find(main->pid);
    if (last == end.end() || !last->second.havePts)
        return facts;
    constexpr size_t kTailStamps = 4;
    ends.tail = last->second.deltas.size() >= kTailStamps;
    const int64_t earliest = PtsAt(first.ptsRef, first.minDelta);
    const int64_t latest = PtsAt(last->second.ptsRef, last->second.maxDelta);
    const int64_t span = ((latest - earliest) % kPtsWrap + kPtsWrap) % kPtsWrap;
    facts.length = span + LastPresentationSpan(last->second, *main);
    return facts;
}

std::string StreamText(const StreamFormat& s) {
    std::string text = s.kind == StreamKind::Video ? "video" : "audio";
    text += ' ';
    text += s.codec.empty() ? "?" : s.codec;
    if (s.kind == StreamKind::Video) {
        if (s.width > 0 && s.height > 0)
            text += ' ' + std::to_string(s.width) + 'x' + std::to_string(s.height);
        if (!s.aspect.empty())
            text += ' ' + s.aspect;
        if (s.frameRateNum > 0 && s.frameRateDen > 0) {
            char rate[32];
            std::snprintf(rate, sizeof rate, " %.5g fps",
                          static_cast<double>(s.frameRateNum) / s.frameRateDen);
            text += rate;
        }
        return text;
    }
    if (s.sampleRate > 0)
        text += ' ' + std::to_string(s.sampleRate) + " Hz";
    if (s.channels > 0)
        text += ' ' + std::to_string(s.channels) + " ch";
    if (s.bitRate > 0)
        text += ' ' + std::to_string(s.bitRate / 1000) + " kb/s";
    return text;
}

} // namespace dz::convert
