#include "convert/es_headers.h"
#include "stream/pes_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace dz;

namespace {

using namespace dz::test;

// Runs one scanner with its diagnostic text on, and gives that text.
template <typename Info, typename Scan>
std::string Said(Scan scan, const Bytes& data, Info& info, int& result) {
    std::FILE* log = std::tmpfile();
    result = scan(data.data(), data.size(), info, true, log);
    std::string text(static_cast<size_t>(std::ftell(log)), '\0');
    std::rewind(log);
    text.resize(std::fread(text.data(), 1, text.size(), log));
    std::fclose(log);
    return text;
}

Bytes Fixture(const char* name) {
    return ReadFile(std::filesystem::path(DEZADIDE_FIXTURES) / "es" / name);
}

// 720x576, bit rate 0x3FFFF; byte 7 holds aspect ratio and frame rate codes.
Bytes SequenceHeader(uint8_t aspect_rate = 0x23, size_t tail = 6) {
    Bytes h = {0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, aspect_rate, 0xFF, 0xFF, 0xE0};
    h.resize(h.size() + tail, 0x11);
    return h;
}

TEST(VideoSequenceHeader, SizeRatesAndText) {
    struct Case {
        uint8_t aspect_rate;
        const char* text; // between "Videostream: " and the bit rate; null: no header
    };
    const Case cases[] = {
        {0x23, "ASPECT: 4:3  Size = 720x576  FRate: 25 fps"},
        {0x11, "ASPECT: 1:1  Size = 720x576  FRate: 23.976 fps"},
        {0x34, "ASPECT: 16:9  Size = 720x576  FRate: 29.97 fps"},
        {0x46, "ASPECT: 2.21:1  Size = 720x576  FRate: 50 fps"},
        {0x58, "ASPECT: reserved  Size = 720x576"}, // rate 8: no text
        {0x03, nullptr},                            // aspect 0 is forbidden
    };
    for (const Case& c : cases) {
        VideoInfo info;
        int r = 0;
        const std::string text =
            Said(parse_video_sequence_header, SequenceHeader(c.aspect_rate), info, r);
        EXPECT_EQ(r, c.text ? 0 : -1);
        EXPECT_EQ(text,
                  c.text ? "Videostream: " + std::string(c.text) + "  BRate: 104.86 Mbit/s\n" : "")
            << std::hex << int(c.aspect_rate);
        if (c.text) {
            EXPECT_EQ(info.horizontal_size, 720);
            EXPECT_EQ(info.vertical_size, 576);
            EXPECT_EQ(info.bit_rate, 0x3FFFF * 400);
        }
    }

    // Found behind other bytes, and only with 17 bytes from the start code on.
    VideoInfo info;
    const Bytes at5 = Cat({{0, 0, 1, 0, 0}, SequenceHeader()});
    EXPECT_EQ(parse_video_sequence_header(at5.data(), at5.size(), info, false), 5);
    EXPECT_EQ(info.offset, 5);
    const Bytes short_by_one = SequenceHeader(0x23, 5);
    EXPECT_EQ(parse_video_sequence_header(short_by_one.data(), 16, info, false), -1);
    EXPECT_EQ(parse_video_sequence_header(short_by_one.data(), 3, info, false), -1);
    EXPECT_EQ(parse_video_sequence_header(nullptr, 0, info, false), -1);
    const Bytes zeros(64, 0x00);
    EXPECT_EQ(parse_video_sequence_header(zeros.data(), zeros.size(), info, false), -1);
}

TEST(MpegAudioHeader, LayerRateFrequencyAndText) {
    struct Case {
        Bytes data;
        int result;
        int32_t layer, bit_rate, frequency;
        const char* text; // behind "Audiostream: Layer: "
    };
    const Case cases[] = {
        {{0xFF, 0xFD, 0x94, 0}, 0, 2, 160000, 48000, "2  BRate: 160 kb/s  Freq: 48.0 kHz"},
        {{0x47, 0xFF, 0x12, 0xFF, 0xFF, 0xE0, 0},
         3,
         3,
         448000,
         44100,
         "1  BRate: 448 kb/s  Freq: 44.1 kHz"},
        {{0xFF, 0xFB, 0xE8, 0}, 0, 1, 320000, 32000, "3  BRate: 320 kb/s  Freq: 32.0 kHz"},
        {{0xFF, 0xFD, 0x04, 0}, 0, 2, 0, 48000, "2  Bit rate: free  Freq: 48.0 kHz"},
        {{0xFF, 0xFD, 0xFC, 0}, 0, 2, 0, 0, "2  Bit rate: free  Freq: 0.0 kHz"},
        // Layer code 0 is reserved: found, with no bit rate.
        {{0xFF, 0xF9, 0x94, 0}, 0, 0, 0, 48000, "4  Bit rate: free  Freq: 48.0 kHz"},
        // MPEG-2 low sampling frequencies (ID bit 0) are not taken.
        {{0xFF, 0xF5, 0x94, 0, 0}, -1, 0, 0, 0, nullptr},
        // A sync word with fewer than four bytes of header left.
        {{0, 0xFF, 0xFD, 0x94}, -1, 0, 0, 0, nullptr},
        {{0, 0, 0xFF}, -1, 0, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        AudioInfo info;
        int r = 0;
        EXPECT_EQ(Said(parse_mpeg_audio_header, c.data, info, r),
                  c.text ? "Audiostream: Layer: " + std::string(c.text) + "\n" : "");
        ASSERT_EQ(r, c.result);
        if (r < 0)
            continue;
        EXPECT_EQ(info.offset, r);
        EXPECT_EQ(info.layer, c.layer);
        EXPECT_EQ(info.bit_rate, c.bit_rate);
        EXPECT_EQ(info.frequency, c.frequency);
    }
}

TEST(Ac3Header, FrameSizesOffsetAndBounds) {
    struct Case {
        uint8_t code; // fscod << 6 | frmsizecod
        int32_t bit_rate, frame_size;
    };
    const Case cases[] = {
        {0x1C, 384000, 1536}, // 48 kHz: 768 words
        {0x54, 192000, 834},  // 44.1 kHz: 417 words
        {0x55, 192000, 836},  // ... and one more for an odd frmsizecod
        {0x5C, 384000, 1670}, // 835 words
        {0x5D, 384000, 1672}, // 836 words
        {0x80, 32000, 192},   // 32 kHz: 96 words
        {0xA5, 640000, 3840}, // 1920 words
        {0x26, 0, 0},         // frmsizecod 38 and above: nothing
    };
    for (const Case& c : cases) {
        const Bytes data = {0x0B, 0x77, 0x12, 0x34, c.code, 0x00};
        Ac3Info info;
        EXPECT_EQ(parse_ac3_header(data.data(), data.size(), info, false), 0);
        EXPECT_EQ(info.bit_rate, c.bit_rate) << std::hex << int(c.code);
        EXPECT_EQ(info.frame_size, c.frame_size) << std::hex << int(c.code);
    }

    Ac3Info info;
    int r = 0;
    const Bytes data = {0x0B, 0x00, 0x0B, 0x77, 0xAA, 0xBB, 0x1C, 0x00};
    EXPECT_EQ(Said(parse_ac3_header, data, info, r), "  BRate: 384 kb/s  Framesize 1536\n");
    EXPECT_EQ(r, 2);
    EXPECT_EQ(info.offset, 2);
    // The code byte must be followed by one more byte; a 0B at the end is no sync.
    EXPECT_EQ(parse_ac3_header(data.data() + 2, 5, info, false), -1);
    EXPECT_EQ(parse_ac3_header(data.data(), 1, info, false), -1);
}

// Streams encoded by ffmpeg (tests/fixtures/es/make_es.sh): the scanners must
// agree with an independent encoder.
TEST(EncodedStreams, ScannersAgreeWithTheEncoder) {
    for (const char* name :
         {"ac3_48k_384.ac3", "ac3_44k_384.ac3", "ac3_44k_192.ac3", "ac3_32k_640.ac3"}) {
        const Bytes data = Fixture(name);
        ASSERT_GT(data.size(), 1000u) << name;
        size_t at = 0;
        int frames = 0;
        for (; at < data.size(); ++frames) { // frame after frame, to the last byte
            Ac3Info info;
            ASSERT_EQ(parse_ac3_header(data.data() + at, data.size() - at, info, false), 0)
                << name << " frame " << frames;
            ASSERT_GT(info.frame_size, 0);
            at += static_cast<size_t>(info.frame_size);
        }
        EXPECT_EQ(at, data.size()) << name;
        EXPECT_GE(frames, 3) << name;
    }

    struct Case {
        const char* name;
        int32_t layer, bit_rate, frequency;
    };
    for (const Case& c :
         {Case{"mp2_48k_192.mp2", 2, 192000, 48000}, Case{"mp2_44k_384.mp2", 2, 384000, 44100},
          Case{"mp3_32k_128.mp3", 1, 128000, 32000}}) {
        const Bytes data = Fixture(c.name);
        AudioInfo info;
        ASSERT_GE(parse_mpeg_audio_header(data.data(), data.size(), info, false), 0) << c.name;
        EXPECT_EQ(info.layer, c.layer) << c.name;
        EXPECT_EQ(info.bit_rate, c.bit_rate) << c.name;
        EXPECT_EQ(info.frequency, c.frequency) << c.name;
    }

    VideoInfo info;
    int r = 0;
    EXPECT_EQ(Said(parse_video_sequence_header, Fixture("m2v_704x576_6M.m2v"), info, r),
              "Videostream: ASPECT: 4:3  Size = 704x576  FRate: 25 fps  BRate: 6.00 Mbit/s\n");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(info.bit_rate, 6000000);
}

} // namespace
