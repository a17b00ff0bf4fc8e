#include "convert/es_headers.h"

#include <algorithm>
#include <climits>

namespace dz {

namespace {

// Offsets are returned as int, so a range is never scanned beyond INT_MAX bytes.
size_t ScanLimit(size_t len) {
    return std::min(len, static_cast<size_t>(INT_MAX));
}

// --- MPEG video (ISO/IEC 13818-2 sequence_header) ----------------------------

constexpr uint8_t kSequenceHeaderCode = 0xB3;
// The decoded fields lie within the first 11 bytes, but a header is only taken
// when 17 bytes of it are in the range.
constexpr size_t kSequenceHeaderSpan = 16;
constexpr int32_t kVideoBitRateUnit = 400; // bit/s per bit_rate_value step

const char* const kAspectTexts[] = {nullptr, "1:1", "4:3", "16:9", "2.21:1"};
const char* const kFrameRateTexts[] = {nullptr, "23.976", "24", "25", "29.97", "30", "50", "60"};

bool IsSequenceHeaderAt(const uint8_t* p) {
    return p[0] == 0x00 && p[1] == 0x00 && p[2] == 0x01 && p[3] == kSequenceHeaderCode;
}

// --- MPEG-1 audio (ISO/IEC 11172-3 frame header) -----------------------------

// kbit/s by layer code (0 reserved, 1 Layer III, 2 Layer II, 3 Layer I) and
// bitrate_index; index 0 is free format and index 15 is forbidden, both 0.
constexpr int32_t kAudioBitRates[4][16] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
};
// Hz by sampling_frequency; 3 is reserved.
constexpr int32_t kAudioFrequencies[4] = {44100, 48000, 32000, 0};

// syncword (12 ones) and ID 1 (MPEG-1): 0xFF then the top five bits set.
bool IsAudioSyncAt(const uint8_t* p) {
    return p[0] == 0xFF && (p[1] & 0xF8) == 0xF8;
}

// --- AC-3 (ATSC A/52 syncinfo) ----------------------------------------------

constexpr int kAc3RateCount = 19; // frmsizecod / 2 = 0 .. 18
// Nominal bit rate in kbit/s by frmsizecod / 2.
constexpr int32_t kAc3BitRates[kAc3RateCount] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                                 192, 224, 256, 320, 384, 448, 512, 576, 640};
// 16-bit words per sync frame by fscod (48, 44.1, 32 kHz) and frmsizecod / 2;
// at 44.1 kHz an odd frmsizecod adds one word.
constexpr int32_t kAc3FrameWords[3][kAc3RateCount] = {
    {64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 640, 768, 896, 1024, 1152, 1280},
    {69, 87, 104, 121, 139, 174, 208, 243, 278, 348, 417, 487, 557, 696, 835, 975, 1114, 1253,
     1393},
    {96, 120, 144, 168, 192, 240, 288, 336, 384, 480, 576, 672, 768, 960, 1152, 1344, 1536, 1728,
     1920},
};
constexpr int kAc3Fscod44k = 1;
constexpr int32_t kAc3Frequencies[4] = {48000, 44100, 32000, 0};

// The channels of an AC-3 frame from its bit stream information: acmod (the
// full-range channels), then, depending on it, the mix levels, and lfeon.
// 0 when the frame ends before lfeon.
int32_t Ac3Channels(const uint8_t* frame, size_t len) {
    constexpr size_t kAcmodByte = 6; // after syncinfo (5 bytes) and bsid/bsmod
    constexpr int32_t kFullRange[8] = {2, 1, 2, 3, 3, 4, 4, 5};
    if (len <= kAcmodByte + 1)
        return 0;
    const uint32_t bits = (uint32_t{frame[kAcmodByte]} << 8) | frame[kAcmodByte + 1];
    const int acmod = static_cast<int>(bits >> 13);
    int used = 3;
    if ((acmod & 1) && acmod != 1)
        used += 2; // cmixlev
    if (acmod & 4)
        used += 2; // surmixlev
    if (acmod == 2)
        used += 2; // dsurmod
    const bool lfe = (bits >> (15 - used)) & 1;
    return kFullRange[acmod] + (lfe ? 1 : 0);
}
// The header byte holding fscod and frmsizecod comes this far after the sync word.
constexpr size_t kAc3CodeByte = 4;

} // namespace

int parse_video_sequence_header(const uint8_t* data, size_t len, VideoInfo& info, bool verbose,
                                std::FILE* log) {
    if (!data)
        return -1;
    len = ScanLimit(len);
    size_t i = 0;
    while (i + 4 < len && !IsSequenceHeaderAt(data + i))
        ++i;
    if (i + 4 >= len || i + kSequenceHeaderSpan >= len)
        return -1;
    const uint8_t* b = data + i + 4;
    info.horizontal_size = (b[0] << 4) | (b[1] >> 4);
    info.vertical_size = ((b[1] & 0x0F) << 8) | b[2];

    // aspect_ratio_information 0 is forbidden: not a sequence header.
    const int aspect = b[3] >> 4;
    if (aspect == 0)
        return -1;
    info.aspect_code = aspect;
    const bool say = verbose && log;
    if (say) {
        std::fprintf(log, "Videostream: ASPECT: %s",
                     aspect <= 4 ? kAspectTexts[aspect] : "reserved");
        std::fprintf(log, "  Size = %dx%d", info.horizontal_size, info.vertical_size);
    }
    const int frame_rate = b[3] & 0x0F;
    info.frame_rate_code = frame_rate;
    if (say && frame_rate >= 1 && frame_rate <= 7)
        std::fprintf(log, "  FRate: %s fps", kFrameRateTexts[frame_rate]);

    const int32_t bit_rate_value = (b[4] << 10) | (b[5] << 2) | (b[6] >> 6); // 18 bits
    info.bit_rate = bit_rate_value * kVideoBitRateUnit;
    if (say)
        std::fprintf(log, "  BRate: %.2f Mbit/s\n", info.bit_rate * 0.000001);
    info.offset = static_cast<int32_t>(i);
    return info.offset;
}

int parse_mpeg_audio_header(const uint8_t* data, size_t len, AudioInfo& info, bool verbose,
                            std::FILE* log) {
    if (!data)
        return -1;
    len = ScanLimit(len);
    size_t i = 0;
    while (i + 1 < len && !IsAudioSyncAt(data + i))
        ++i;
    if (i + 3 >= len)
        return -1;
    const bool say = verbose && log;
    info.layer = (data[i + 1] >> 1) & 3;
    if (say)
        std::fprintf(log, "Audiostream: Layer: %d", 4 - info.layer);

    info.bit_rate = kAudioBitRates[info.layer][data[i + 2] >> 4] * 1000;
    if (say) {
        if (info.bit_rate == 0)
            std::fputs("  Bit rate: free", log);
        else
            std::fprintf(log, "  BRate: %d kb/s", info.bit_rate / 1000);
    }
    info.frequency = kAudioFrequencies[(data[i + 2] >> 2) & 3];
    info.mode = data[i + 3] >> 6;
    if (say)
        std::fprintf(log, "  Freq: %2.1f kHz\n", info.frequency * 0.001);
    info.offset = static_cast<int32_t>(i);
    return info.offset;
}

int parse_ac3_header(const uint8_t* data, size_t len, Ac3Info& info, bool verbose, std::FILE* log) {
    if (!data)
        return -1;
    len = ScanLimit(len);
    size_t i = 0;
    while (i + 1 < len && !(data[i] == 0x0B && data[i + 1] == 0x77))
        ++i;
    if (i + 1 >= len)
        return -1;
    info.offset = static_cast<int32_t>(i);
    if (i + 5 >= len)
        return -1;
    const uint8_t code = data[i + kAc3CodeByte];
    const int frmsizecod = code & 0x3F;
    const int fscod = code >> 6;
    const int rate = frmsizecod / 2;
    const bool say = verbose && log;

    info.bit_rate = rate < kAc3RateCount ? kAc3BitRates[rate] * 1000 : 0;
    if (say)
        std::fprintf(log, "  BRate: %d kb/s", info.bit_rate / 1000);

    info.frame_size = 0;
    if (rate < kAc3RateCount && fscod < 3) {
        const int32_t pad = (fscod == kAc3Fscod44k && (frmsizecod & 1)) ? 1 : 0;
        info.frame_size = 2 * (kAc3FrameWords[fscod][rate] + pad);
    }
    if (say)
        std::fprintf(log, "  Framesize %d\n", info.frame_size);
    info.frequency = kAc3Frequencies[fscod];
    info.channels = Ac3Channels(data + i, len - i);
    return info.offset;
}

} // namespace dz
