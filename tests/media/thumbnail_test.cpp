// A picture of a recording: its size and aspect, that it is a picture and
// not one flat colour (read back by FFmpeg's own PNG decoder), the time it
// is taken from, and the failures of streams that hold no picture.
#include "media/png_writer.h"
#include "media/thumbnail.h"
#include "platform/platform.h"

#include "convert/recording_files.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

namespace {

using namespace dz::media;
using dz::test::Fixture;
using dz::test::TempDir;

std::u16string Part1(const std::string& folder, const std::string& name) {
    return dz::test::Text(Fixture("rec/" + folder) / dz::test::PartName(name, 1));
}

// What FFmpeg reads in a PNG file: its size, and the spread of its
// brightness (the 90th minus the 10th percentile of luma, 0 for one flat
// colour). Width 0 when it cannot decode it.
struct PngSeen {
    int width = 0;
    int height = 0;
    int spread = -1;
};

PngSeen ReadPng(const std::filesystem::path& png) {
    // The file name inside a filter graph: quoted, and its colons (Wine's
    // "c:" folder) escaped from the filter's option syntax.
    std::string name;
    for (const char c : dz::test::FfprobePath(png))
        name += c == ':' ? std::string("\\:") : std::string(1, c);
    const std::string output = dz::test::RunFfprobe(
        {"-v", "error", "-f", "lavfi", "-i", "movie='" + name + "',signalstats", "-show_entries",
         "frame=width,height:frame_tags=lavfi.signalstats.YLOW,"
         "lavfi.signalstats.YHIGH",
         "-of", "default=nw=1"});
    PngSeen seen;
    int low = -1, high = -1;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "width")
            seen.width = value;
        else if (key == "height")
            seen.height = value;
        else if (key == "TAG:lavfi.signalstats.YLOW")
            low = value;
        else if (key == "TAG:lavfi.signalstats.YHIGH")
            high = value;
    }
    if (low >= 0 && high >= 0)
        seen.spread = high - low;
    return seen;
}

ThumbnailRequest Request(std::u16string recording, int width = 320,
                         std::optional<double> at = std::nullopt) {
    ThumbnailRequest r;
    r.recording = std::move(recording);
    r.width = width;
    r.atSeconds = at;
    return r;
}

TEST(Thumbnail, PicturesOfMpeg2AndH264RecordingsKeepTheirDisplayAspect) {
    TempDir dir;
    struct Case {
        std::u16string recording;
        int width;
        int height; // the display aspect's
    };
    const Case cases[] = {
        {Part1("news", "NEWS"), 320, 262}, // MPEG-2 352x288, square samples, three parts
        {Part1("wrap", "WRAP"), 320, 180}, // MPEG-2 352x288 for a 16:9 screen
        {Part1("film", "FILM"), 160, 120}, // H.264 320x240
        {Part1("wrap", "WRAP"), 33, 19},   // an odd width rounds the height
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::filesystem::path png = dir / ("p" + std::to_string(n++) + ".png");
        ASSERT_EQ(WriteThumbnail(Request(c.recording, c.width), dz::test::Text(png)),
                  ThumbnailResult::kDone);
        const PngSeen seen = ReadPng(png);
        EXPECT_EQ(seen.width, c.width) << png;
        EXPECT_EQ(seen.height, c.height) << png;
        EXPECT_GT(seen.spread, 40) << png << ": one flat colour";
    }
}

TEST(Thumbnail, TimeChoosesThePicture) {
    const std::u16string news = Part1("news", "NEWS");
    RgbPicture early, late, again, end;
    ASSERT_EQ(TakePicture(Request(news, 64, 0.0), early), ThumbnailResult::kDone);
    ASSERT_EQ(TakePicture(Request(news, 64, 3.0), late), ThumbnailResult::kDone);
    ASSERT_EQ(TakePicture(Request(news, 64, 0.0), again), ThumbnailResult::kDone);
    EXPECT_EQ(early.rgb, again.rgb); // the same time, the same picture
    EXPECT_NE(early.rgb, late.rgb);  // the clip's clock has moved on
    // After the last key frame no picture follows: the one before is taken.
    EXPECT_EQ(TakePicture(Request(news, 64, 3.9), end), ThumbnailResult::kDone);
    EXPECT_EQ(end.width, 64);
    RgbPicture none;
    EXPECT_EQ(TakePicture(Request(news, 64, 4.5), none), ThumbnailResult::kPastTheEnd);
    EXPECT_TRUE(none.rgb.empty());
    // Time stamps that pass their 33-bit wrap early on still measure the
    // recording: its later seconds are there to be shown.
    const std::u16string wrap = Part1("wrap", "WRAP");
    RgbPicture start, middle;
    ASSERT_EQ(TakePicture(Request(wrap, 64, 0.0), start), ThumbnailResult::kDone);
    ASSERT_EQ(TakePicture(Request(wrap, 64, 2.5), middle), ThumbnailResult::kDone);
    EXPECT_NE(start.rgb, middle.rgb);
}

TEST(Thumbnail, DisplayAspectGivesTheHeight) {
    EXPECT_EQ(ScaledHeight(384, 720, 576, 16, 15), 288); // 4:3 PAL
    EXPECT_EQ(ScaledHeight(384, 720, 576, 64, 45), 216); // 16:9 PAL
    EXPECT_EQ(ScaledHeight(320, 320, 240, 0, 1), 240);   // unknown: square samples
    EXPECT_EQ(ScaledHeight(320, 1920, 1088, 1, 1), 181);
    EXPECT_EQ(ScaledHeight(1, 1920, 1080, 1, 1), 1); // never 0 rows
    // A sample aspect no picture has cannot ask for an endless picture.
    EXPECT_EQ(ScaledHeight(320, 720, 576, 1, 100000), 4 * kMaxThumbnailWidth);
}

// Part files of a recording made from a transport stream's bytes.
std::u16string Recording(const TempDir& dir, const std::string& name,
                         const std::vector<std::vector<uint8_t>>& streams, int count = -1) {
    return dz::test::Text(dz::test::WriteRecording(dir.path(), name, streams, count).front());
}

constexpr size_t kPacket = 188;
uint16_t PidOf(const uint8_t* p) {
    return static_cast<uint16_t>(((p[1] & 0x1F) << 8) | p[2]);
}
// The PID of the clip's video (its first packet with a video PES start).
uint16_t VideoPid(const std::vector<uint8_t>& ts) {
    for (size_t i = 0; i + kPacket <= ts.size(); i += kPacket) {
        const uint8_t* p = ts.data() + i;
        const size_t payload = (p[3] & 0x20) ? 5 + p[4] : 4;
        if ((p[1] & 0x40) && payload + 4 < kPacket && p[payload + 3] >= 0xE0 &&
            p[payload + 3] <= 0xEF)
            return PidOf(p);
    }
    return 0;
}

TEST(Thumbnail, StreamsWithoutAPictureFailClearly) {
    TempDir dir;
    RgbPicture picture;
    // Sound alone.
    EXPECT_EQ(TakePicture(Request(Part1("radio", "RADIO")), picture), ThumbnailResult::kNoVideo);
    // No part file at all.
    EXPECT_EQ(TakePicture(Request(dz::test::Text(dir / dz::test::PartName("GONE", 1))), picture),
              ThumbnailResult::kCantOpenSource);
    // Bytes that are no transport stream.
    std::mt19937 random(7);
    std::vector<uint8_t> noise(300000);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(random() % 0x47); // never a sync byte
    EXPECT_EQ(TakePicture(Request(Recording(dir, "NOISE", {noise})), picture),
              ThumbnailResult::kNotATransportStream);
    // The video's packets damaged through and through, PES headers included.
    std::vector<uint8_t> ts = dz::test::ReadFile(Fixture("av_mp2.ts"));
    const uint16_t vpid = VideoPid(ts);
    ASSERT_NE(vpid, 0);
    std::vector<uint8_t> damaged = ts;
    for (size_t i = 0; i + kPacket <= damaged.size(); i += kPacket)
        if (PidOf(damaged.data() + i) == vpid && !(damaged[i + 1] & 0x40))
            for (size_t k = 4; k < kPacket; ++k)
                damaged[i + k] = static_cast<uint8_t>(random());
    EXPECT_EQ(TakePicture(Request(Recording(dir, "BROKEN", {damaged})), picture),
              ThumbnailResult::kNoPicture);
    EXPECT_TRUE(picture.rgb.empty());
}

TEST(Thumbnail, WithoutTimeStampsOnlyTheTenthOfTheWayIsKnown) {
    // Every PES header of the clip says it carries no time stamps.
    TempDir dir;
    std::vector<uint8_t> ts = dz::test::ReadFile(Fixture("av_mp2.ts"));
    for (size_t i = 0; i + kPacket <= ts.size(); i += kPacket) {
        uint8_t* p = ts.data() + i;
        const size_t pes = (p[3] & 0x20) ? 5 + p[4] : 4;
        if ((p[1] & 0x40) && pes + 9 < kPacket && p[pes] == 0 && p[pes + 1] == 0 &&
            p[pes + 2] == 1 && p[pes + 3] >= 0xC0)
            p[pes + 7] &= 0x3F; // PTS_DTS_flags '00'
    }
    const std::u16string recording = Recording(dir, "UNTIMED", {ts});
    RgbPicture picture;
    EXPECT_EQ(TakePicture(Request(recording, 64), picture), ThumbnailResult::kDone);
    EXPECT_EQ(TakePicture(Request(recording, 64, 1.0), picture), ThumbnailResult::kNoLength);
}

TEST(Thumbnail, ALongDamagedStreamEndsWithinItsBudget) {
    // 40 MiB of video whose pictures never decode, then the clip whole: the
    // reading stops after its budget instead of going on to the pictures at
    // the end, however long the recording.
    TempDir dir;
    const std::vector<uint8_t> ts = dz::test::ReadFile(Fixture("av_mp2.ts"));
    const uint16_t vpid = VideoPid(ts);
    std::mt19937 random(11);
    std::vector<uint8_t> stream;
    while (stream.size() < (40u << 20)) {
        for (size_t i = 0; i + kPacket <= ts.size(); i += kPacket) {
            const uint8_t* p = ts.data() + i;
            stream.insert(stream.end(), p, p + 4);
            for (size_t k = 4; k < kPacket; ++k)
                stream.push_back(PidOf(p) == vpid && !(p[1] & 0x40) ? static_cast<uint8_t>(random())
                                                                    : p[k]);
        }
    }
    stream.insert(stream.end(), ts.begin(), ts.end());
    RgbPicture picture;
    EXPECT_EQ(TakePicture(Request(Recording(dir, "LONG", {stream})), picture),
              ThumbnailResult::kNoPicture);
}

TEST(Thumbnail, PartsJoinAndAMissingLaterPartLeavesTheFirst) {
    TempDir dir;
    const std::vector<uint8_t> ts = dz::test::ReadFile(Fixture("h264_mp2.ts"));
    // Split at an odd byte, as the recorder cuts: the packet that spans the
    // two parts is whole again once they are joined.
    const size_t cut = ts.size() / 3 + 77;
    const std::vector<uint8_t> first(ts.begin(), ts.begin() + cut),
        second(ts.begin() + cut, ts.end());
    RgbPicture joined, alone;
    ASSERT_EQ(TakePicture(Request(Recording(dir, "TWO", {first, second}), 160, 2.5), joined),
              ThumbnailResult::kDone);
    EXPECT_EQ(joined.height, 120);
    // The companion counts three parts, only one is there: its pictures still show.
    ASSERT_EQ(TakePicture(Request(Recording(dir, "ONE", {first}, 3), 160), alone),
              ThumbnailResult::kDone);
    EXPECT_EQ(alone.height, 120);
}

TEST(Thumbnail, WritingReplacesTheTargetWholeOrLeavesIt) {
    TempDir dir;
    const std::filesystem::path png = dir / "out.png";
    dz::test::WriteFile(png, std::string("old"));
    ASSERT_EQ(WriteThumbnail(Request(Part1("film", "FILM"), 80), dz::test::Text(png)),
              ThumbnailResult::kDone);
    EXPECT_EQ(ReadPng(png).width, 80);
    // A folder that is not there: nothing written, the failure said.
    EXPECT_EQ(WriteThumbnail(Request(Part1("film", "FILM"), 80),
                             dz::test::Text(dir / "missing" / "out.png")),
              ThumbnailResult::kCantWriteTarget);
    // A failure to decode leaves the target as it was.
    dz::test::WriteFile(png, std::string("old"));
    EXPECT_EQ(WriteThumbnail(Request(Part1("radio", "RADIO")), dz::test::Text(png)),
              ThumbnailResult::kNoVideo);
    EXPECT_EQ(dz::test::ReadFile(png).size(), 3u);
    // Only our own temporaries could be left: none are.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST(PngWriter, RefusesPicturesWhoseRowsDoNotMatchTheirSize) {
    RgbPicture p;
    EXPECT_TRUE(EncodePng(p).empty());
    p.width = 2;
    p.height = 2;
    p.rgb.assign(11, 0);
    EXPECT_TRUE(EncodePng(p).empty());
    p.rgb.assign(12, 0);
    const std::vector<uint8_t> png = EncodePng(p);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
}

} // namespace
