#include "convert/es_headers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Captures what a scanner writes to its log.
class Log {
public:
    Log() : m_file(open_memstream(&m_data, &m_size)) {}
    ~Log() {
        std::fclose(m_file);
        std::free(m_data);
    }
    std::FILE* file() { return m_file; }
    std::string text() {
        std::fflush(m_file);
        return std::string(m_data, m_size);
    }

private:
    char* m_data = nullptr;
    size_t m_size = 0;
    std::FILE* m_file;
};

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kSequenceHeader = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x23, 0xFF, 0xFF, 0xE0};
const Bytes kSixMore(6, 0x11);

TEST(VideoSequenceHeader, DecodesSizeRateAndWritesOneLine) {
    Log log;
    VideoInfo info;
    const Bytes data = Cat(kSequenceHeader, kSixMore);
    ASSERT_EQ(parse_video_sequence_header(data.data(), data.size(), info, true, log.file()), 0);
    EXPECT_EQ(info.horizontal_size, 720);
    EXPECT_EQ(info.vertical_size, 576);
    EXPECT_EQ(info.bit_rate, 0x3FFFF * 400);
    EXPECT_EQ(info.offset, 0);
    EXPECT_EQ(log.text(),
              "Videostream: ASPECT: 4:3  Size = 720x576  FRate: 25 fps  BRate: 104.86 Mbit/s\n");
}

TEST(VideoSequenceHeader, FindsTheHeaderAndNeedsSeventeenBytesOfIt) {
    VideoInfo info;
    const Bytes at5 = Cat(Cat(Bytes{0x00, 0x00, 0x01, 0x00, 0x00}, kSequenceHeader), kSixMore);
    EXPECT_EQ(parse_video_sequence_header(at5.data(), at5.size(), info, false), 5);
    EXPECT_EQ(info.offset, 5);

    // 16 bytes from the start code to the end of the range are not enough.
    const Bytes short_by_one = Cat(kSequenceHeader, Bytes(5, 0x11));
    EXPECT_EQ(parse_video_sequence_header(short_by_one.data(), short_by_one.size(), info, false),
              -1);
    EXPECT_EQ(parse_video_sequence_header(kSequenceHeader.data(), 3, info, false), -1);
    EXPECT_EQ(parse_video_sequence_header(nullptr, 0, info, false), -1);
    const Bytes no_header(64, 0x00);
    EXPECT_EQ(parse_video_sequence_header(no_header.data(), no_header.size(), info, false), -1);
}

TEST(VideoSequenceHeader, AspectAndFrameRateTexts) {
    struct Case {
        uint8_t aspect_rate; // byte 7 of the header
        int result;
        const char* text;
    };
    const Case cases[] = {
        {0x11, 0, "Videostream: ASPECT: 1:1  Size = 720x576  FRate: 23.976 fps"},
        {0x34, 0, "Videostream: ASPECT: 16:9  Size = 720x576  FRate: 29.97 fps"},
        {0x46, 0, "Videostream: ASPECT: 2.21:1  Size = 720x576  FRate: 50 fps"},
        {0x58, 0, "Videostream: ASPECT: reserved  Size = 720x576"}, // rate 8: no text
        {0x03, -1, ""}, // aspect 0 is forbidden: not a header, and nothing said
    };
    for (const Case& c : cases) {
        Bytes data = Cat(kSequenceHeader, kSixMore);
        data[7] = c.aspect_rate;
        Log log;
        VideoInfo info;
        EXPECT_EQ(parse_video_sequence_header(data.data(), data.size(), info, true, log.file()),
                  c.result);
        const std::string expected =
            c.result < 0 ? "" : std::string(c.text) + "  BRate: 104.86 Mbit/s\n";
        EXPECT_EQ(log.text(), expected) << std::hex << int(c.aspect_rate);
    }
}

TEST(MpegAudioHeader, DecodesLayerRateAndFrequency) {
    struct Case {
        Bytes data;
        int result;
        int32_t layer, bit_rate, frequency;
        const char* text;
    };
    const Case cases[] = {
        {{0xFF, 0xFD, 0x94, 0x00},
         0,
         2,
         160000,
         48000,
         "Audiostream: Layer: 2  BRate: 160 kb/s  Freq: 48.0 kHz\n"},
        {{0x47, 0xFF, 0x12, 0xFF, 0xFF, 0xE0, 0x00},
         3,
         3,
         448000,
         44100,
         "Audiostream: Layer: 1  BRate: 448 kb/s  Freq: 44.1 kHz\n"},
        {{0xFF, 0xFB, 0xE8, 0x00},
         0,
         1,
         320000,
         32000,
         "Audiostream: Layer: 3  BRate: 320 kb/s  Freq: 32.0 kHz\n"},
        {{0xFF, 0xFD, 0x04, 0x00},
         0,
         2,
         0,
         48000,
         "Audiostream: Layer: 2  Bit rate: free  Freq: 48.0 kHz\n"},
        {{0xFF, 0xFD, 0xFC, 0x00},
         0,
         2,
         0,
         0,
         "Audiostream: Layer: 2  Bit rate: free  Freq: 0.0 kHz\n"},
        // Layer code 0 is reserved: found, with no bit rate.
        {{0xFF, 0xF9, 0x94, 0x00},
         0,
         0,
         0,
         48000,
         "Audiostream: Layer: 4  Bit rate: free  Freq: 48.0 kHz\n"},
        // MPEG-2 low sampling frequencies (ID bit 0) are not taken.
        {{0xFF, 0xF5, 0x94, 0x00, 0x00}, -1, 0, 0, 0, ""},
        // A sync word with fewer than four bytes of header left.
        {{0x00, 0xFF, 0xFD, 0x94}, -1, 0, 0, 0, ""},
        {{0x00, 0x00, 0xFF}, -1, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        Log log;
        AudioInfo info;
        const int r = parse_mpeg_audio_header(c.data.data(), c.data.size(), info, true, log.file());
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(log.text(), c.text);
        if (r < 0)
            continue;
        EXPECT_EQ(info.offset, r);
        EXPECT_EQ(info.layer, c.layer);
        EXPECT_EQ(info.bit_rate, c.bit_rate);
        EXPECT_EQ(info.frequency, c.frequency);
    }
}

TEST(Ac3Header, FrameSizesFollowTheAc3Tables) {
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
}

TEST(Ac3Header, OffsetBoundsAndText) {
    Log log;
    Ac3Info info;
    const Bytes data = {0x0B, 0x00, 0x0B, 0x77, 0xAA, 0xBB, 0x1C, 0x00};
    EXPECT_EQ(parse_ac3_header(data.data(), data.size(), info, true, log.file()), 2);
    EXPECT_EQ(info.offset, 2);
    EXPECT_EQ(log.text(), "  BRate: 384 kb/s  Framesize 1536\n");

    // The code byte must be followed by one more byte; a 0B at the end is no sync.
    EXPECT_EQ(parse_ac3_header(data.data() + 2, 5, info, false), -1);
    const Bytes lone = {0x00, 0x0B};
    EXPECT_EQ(parse_ac3_header(lone.data(), lone.size(), info, false), -1);
}

// Encoded by ffmpeg (tests/fixtures/es/make_es.sh): the scanners must agree
// with an independent encoder about where each frame ends.
std::filesystem::path Fixture(const char* name) {
    return std::filesystem::path(DEZADIDE_FIXTURES) / "es" / name;
}

Bytes Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(Ac3Header, FramesOfAnEncodedStreamFollowOneAnother) {
    for (const char* name :
         {"ac3_48k_384.ac3", "ac3_44k_384.ac3", "ac3_44k_192.ac3", "ac3_32k_640.ac3"}) {
        const Bytes data = Read(Fixture(name));
        ASSERT_GT(data.size(), 1000u) << name;
        size_t at = 0;
        int frames = 0;
        while (at < data.size()) {
            Ac3Info info;
            ASSERT_EQ(parse_ac3_header(data.data() + at, data.size() - at, info, false), 0)
                << name << " frame " << frames;
            ASSERT_GT(info.frame_size, 0);
            at += static_cast<size_t>(info.frame_size);
            ++frames;
        }
        EXPECT_EQ(at, data.size()) << name;
        EXPECT_GE(frames, 3) << name;
    }
}

TEST(MpegAudioHeader, EncodedStreamsGiveTheirRates) {
    struct Case {
        const char* name;
        int32_t layer, bit_rate, frequency;
    };
    const Case cases[] = {
        {"mp2_48k_192.mp2", 2, 192000, 48000},
        {"mp2_44k_384.mp2", 2, 384000, 44100},
        {"mp3_32k_128.mp3", 1, 128000, 32000},
    };
    for (const Case& c : cases) {
        const Bytes data = Read(Fixture(c.name));
        AudioInfo info;
        ASSERT_GE(parse_mpeg_audio_header(data.data(), data.size(), info, false), 0) << c.name;
        EXPECT_EQ(info.layer, c.layer) << c.name;
        EXPECT_EQ(info.bit_rate, c.bit_rate) << c.name;
        EXPECT_EQ(info.frequency, c.frequency) << c.name;
    }
}

TEST(VideoSequenceHeader, EncodedStreamGivesItsSizeAndRate) {
    const Bytes data = Read(Fixture("m2v_704x576_6M.m2v"));
    VideoInfo info;
    Log log;
    ASSERT_EQ(parse_video_sequence_header(data.data(), data.size(), info, true, log.file()), 0);
    EXPECT_EQ(info.horizontal_size, 704);
    EXPECT_EQ(info.vertical_size, 576);
    EXPECT_EQ(info.bit_rate, 6000000);
    EXPECT_EQ(log.text(), "Videostream: ASPECT: 4:3  Size = 704x576  FRate: 25 fps  BRate: 6.00 "
                          "Mbit/s\n");
}

} // namespace
