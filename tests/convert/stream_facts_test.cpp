// A recording's length and stream formats: the clips against ffprobe on the
// joined stream, damaged and cut recordings, and synthetic streams for what
// clips do not reach (time stamps that wrap between the ends, parts larger
// than the windows read, a window cut anywhere).

#include "convert/stream_facts.h"

#include "convert/recording_files.h"
#include "convert/ts_builder.h"
#include "recording/RecordingName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace dz;
using namespace dz::convert;
using namespace dz::test;
namespace fs = std::filesystem;

namespace {

// The part files of a fixture recording, in part order.
std::vector<fs::path> FixtureParts(const std::string& folder) {
    std::vector<fs::path> parts;
    for (const auto& entry : fs::directory_iterator(Fixture("rec") / folder))
        if (entry.path().extension() == ".AVR")
            parts.push_back(entry.path());
    std::sort(parts.begin(), parts.end());
    return parts;
}

// The transport stream of the parts joined as the conversion joins them:
// each from its header's stream offset on.
Bytes JoinedStream(const std::vector<fs::path>& parts) {
    Bytes joined;
    for (const fs::path& part : parts) {
        const Bytes bytes = ReadFile(part);
        const size_t offset = std::min<size_t>(bytes.size(), (bytes[8] << 8) | bytes[9]);
        joined.insert(joined.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                      bytes.end());
    }
    return joined;
}

struct Probed {
    double duration = -1;
    std::vector<std::map<std::string, std::string>> streams; // by ffprobe's index
};

// What ffprobe says of a stream file: its duration and each stream's fields.
Probed ProbeStreams(const fs::path& file) {
    const std::string output = RunFfprobe(
        {"-v", "error", "-of", "default=nw=1", "-show_entries",
         "format=duration:stream=index,codec_name,width,height,display_aspect_ratio,r_frame_rate,"
         "sample_rate,channels",
         FfprobePath(file)});
    Probed probed;
    std::map<int, std::map<std::string, std::string>> byIndex;
    int index = -1;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::string s = line.substr(0, line.find_first_of("\r\n"));
        const size_t eq = s.find('=');
        const std::string key = s.substr(0, eq), value = s.substr(eq + 1);
        // Only the format is asked for its duration.
        if (key == "duration")
            probed.duration = std::atof(value.c_str());
        else if (key == "index")
            index = std::atoi(value.c_str());
        else if (index >= 0)
            byIndex[index][key] = value;
    }
    for (auto& [i, fields] : byIndex)
        probed.streams.push_back(fields);
    return probed;
}

double Seconds(const RecordingFacts& facts) {
    return facts.length ? static_cast<double>(*facts.length) / kPtsClock : -1;
}

// Our facts of a recording against ffprobe's of its joined stream.
void ExpectAgreesWithFfprobe(const std::vector<fs::path>& parts, const TempDir& dir,
                             const std::string& what) {
    SCOPED_TRACE(what);
    const fs::path joined = dir / (what + ".ts");
    WriteFile(joined, JoinedStream(parts));
    const Probed probed = ProbeStreams(joined);
    ASSERT_GT(probed.duration, 0) << "ffprobe gave no duration";
    const RecordingFacts facts = ReadRecordingFacts(Text(parts.front()));
    EXPECT_NEAR(Seconds(facts), probed.duration, 0.1);
    ASSERT_EQ(facts.streams.size(), probed.streams.size());
    for (size_t k = 0; k < facts.streams.size(); ++k) {
        const StreamFormat& s = facts.streams[k];
        auto field = [&](const char* key) {
            const auto found = probed.streams[k].find(key);
            return found == probed.streams[k].end() ? std::string() : found->second;
        };
        EXPECT_EQ(s.codec, field("codec_name"));
        if (s.kind == StreamKind::Video) {
            EXPECT_EQ(std::to_string(s.width), field("width"));
            EXPECT_EQ(std::to_string(s.height), field("height"));
            EXPECT_EQ(s.aspect, field("display_aspect_ratio"));
            EXPECT_EQ(std::to_string(s.frameRateNum) + "/" + std::to_string(s.frameRateDen),
                      field("r_frame_rate"));
        } else {
            EXPECT_EQ(std::to_string(s.sampleRate), field("sample_rate"));
            EXPECT_EQ(std::to_string(s.channels), field("channels"));
        }
    }
}

TEST(StreamFacts, ClipsAgreeWithFfprobeOnTheJoinedStream) {
    TempDir dir;
    const struct {
        const char* folder;
        const char* what; // what is special about it
        const char* streams;
    } clips[] = {
        {"news", "MPEG-2 with Layer II, three parts", "video mpeg2video 352x288 11:9 25 fps"},
        {"sport", "MPEG-2 with AC-3", "audio ac3 48000 Hz 1 ch 128 kb/s"},
        {"film", "H.264 with Layer II", "video h264 320x240 4:3 25 fps"},
        {"radio", "audio only", "audio mp2 48000 Hz 1 ch 192 kb/s"},
        {"wrap", "time stamps that pass 2^33, 16:9, stereo",
         "video mpeg2video 352x288 16:9 25 fps"},
        {"cut", "a stream that starts mid-packet", "audio mp2 48000 Hz 1 ch 128 kb/s"},
    };
    for (const auto& clip : clips) {
        const std::vector<fs::path> parts = FixtureParts(clip.folder);
        ASSERT_FALSE(parts.empty()) << clip.folder;
        ExpectAgreesWithFfprobe(parts, dir, clip.folder);
        // The same recording named by its last part is the same recording.
        const RecordingFacts facts = ReadRecordingFacts(Text(parts.back()));
        std::vector<std::string> shown;
        for (const StreamFormat& s : facts.streams)
            shown.push_back(StreamText(s));
        EXPECT_NE(std::find(shown.begin(), shown.end(), clip.streams), shown.end())
            << clip.what << ": " << testing::PrintToString(shown);
        EXPECT_LE(facts.bytesRead, kHeadWindow + kTailWindow + parts.size() * kPartHeaderSize);
    }
}

// A copy of a fixture recording in a temporary folder, to damage.
std::vector<fs::path> CopyRecording(const std::string& folder, const fs::path& to) {
    std::vector<fs::path> parts;
    for (const auto& entry : fs::directory_iterator(Fixture("rec") / folder)) {
        fs::copy_file(entry.path(), to / entry.path().filename());
        if (entry.path().extension() == ".AVR")
            parts.push_back(to / entry.path().filename());
    }
    std::sort(parts.begin(), parts.end());
    return parts;
}

TEST(StreamFacts, ADamagedOrCutLastPartEndsAtItsLastGoodTimeStamp) {
    {
        TempDir dir;
        const std::vector<fs::path> parts = CopyRecording("news", dir.path());
        Bytes last = ReadFile(parts.back());
        // The last 40,000 bytes overwritten by something that is no stream.
        std::copy_n(Filler(40000, 7).begin(), 40000, last.end() - 40000);
        WriteFile(parts.back(), last);
        ExpectAgreesWithFfprobe(parts, dir, "damaged");
        EXPECT_LT(Seconds(ReadRecordingFacts(Text(parts.front()))), 3.8);
    }
    {
        TempDir dir;
        const std::vector<fs::path> parts = CopyRecording("news", dir.path());
        Bytes last = ReadFile(parts.back());
        last.resize(last.size() - 20000 - 77); // the disk filled mid-packet
        WriteFile(parts.back(), last);
        ExpectAgreesWithFfprobe(parts, dir, "cut");
    }
}

TEST(StreamFacts, TheCompanionSaysWhichPartsTheRecordingHas) {
    TempDir dir;
    const std::vector<fs::path> parts = CopyRecording("news", dir.path());
    const fs::path companion = dir / PartName("NEWS", 1, ".AVF");
    Bytes head = ReadFile(companion);
    head[1741] = 2; // two of the three parts on disk
    WriteFile(companion, head);
    EXPECT_EQ(RecordingStreamParts(Text(parts.back())),
              (std::vector<std::u16string>{Text(parts[0]), Text(parts[1])}));
    const double two = Seconds(ReadRecordingFacts(Text(parts.front())));
    EXPECT_GT(two, 2.4);
    EXPECT_LT(two, 3.0);
    // Without a companion the named file is read alone.
    fs::remove(companion);
    EXPECT_EQ(RecordingStreamParts(Text(parts[1])), std::vector<std::u16string>{Text(parts[1])});
}

TEST(StreamFacts, WhatCannotBeToldIsUnknownNeverAGuess) {
    TempDir dir;
    const std::vector<fs::path> parts = CopyRecording("news", dir.path());
    // The last part gone: the formats are known, the length is not.
    fs::remove(parts.back());
    RecordingFacts facts = ReadRecordingFacts(Text(parts.front()));
    EXPECT_FALSE(facts.length);
    EXPECT_EQ(facts.streams.size(), 2u);
    EXPECT_EQ(LengthText(facts.length), u"?");

    // Part 1 holds no stream at all: no first time stamp, so no length;
    // the formats are those of the end. Then a header whose stream offset
    // lies beyond the file.
    WriteFile(parts.front(), Cat({Bytes(134, 0), Filler(300000, 3)}));
    fs::copy_file(parts[1], parts.back());
    facts = ReadRecordingFacts(Text(parts.front()));
    EXPECT_FALSE(facts.length);
    EXPECT_EQ(facts.streams.size(), 2u);
    WriteFile(parts.front(), Bytes{0, 0, 0, 0, 0, 0, 0, 1, 0xFF, 0xFF});
    EXPECT_FALSE(ReadRecordingFacts(Text(parts.front())).length);
    EXPECT_FALSE(ReadRecordingFacts(Text(dir / "nothing_#001_200612241930.AVR")).length);
}

// --- synthetic streams ------------------------------------------------------

constexpr int64_t kFrameTicks = 3600; // 25 fps

// Video frames 40 ms apart from `firstPts` (wrapping in 33 bits), each
// `frameBytes` long, frame `sequenceAt` with a sequence header (720x576 4:3
// 25 fps); a Layer II audio PES at the start. Padding packets in front, so
// any cut into the first packets loses nothing, and `trailing` bytes of them
// at the end.
Bytes SyntheticStream(int64_t firstPts, int frames, size_t frameBytes, int sequenceAt = 0,
                      size_t trailing = 0) {
    TsWriter ts;
    for (int k = 0; k < 2; ++k)
        ts.Packet(kOtherPid, false, Filler(184, 9));
    ts.Pes(kAudioPid, Pes(0xC0, AudioFrame(572, 1), -1, firstPts % kPtsWrap));
    // MPEG-2: a sequence extension follows the sequence header.
    const Bytes extension = {0, 0, 1, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00};
    for (int f = 0; f < frames; ++f) {
        const Bytes picture = f == sequenceAt
                                  ? Cat({SequenceHeader(6000000), extension, Filler(frameBytes, 2)})
                                  : Filler(frameBytes, static_cast<uint8_t>(f));
        ts.Pes(kVideoPid, Pes(0xE0, picture, 0, (firstPts + f * kFrameTicks) % kPtsWrap));
    }
    for (size_t n = 0; n < trailing; n += kTsPacketSize)
        ts.Packet(kOtherPid, false, Filler(184, 9));
    return ts.stream;
}

// The stream cut into part streams of the given sizes (the last takes the rest).
std::vector<Bytes> CutInto(const Bytes& stream, std::vector<size_t> sizes) {
    std::vector<Bytes> parts;
    size_t at = 0;
    for (size_t size : sizes) {
        parts.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                           stream.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    parts.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.end());
    return parts;
}

TEST(StreamFacts, ALongRecordingIsReadAtItsEndsOnly) {
    // 20 s from 5 s before the wrap: the ends lie on both sides of it.
    const int frames = 500;
    const Bytes stream = SyntheticStream(kPtsWrap - 5 * kPtsClock, frames, 6000);
    ASSERT_GT(stream.size(), 2 * (kHeadWindow + kTailWindow));
    const struct {
        const char* what;
        std::vector<size_t> sizes;
    } layouts[] = {
        {"three even parts, cut mid-packet", {stream.size() / 3 + 77, stream.size() / 3}},
        // The last part holds only the end of the last picture: its time
        // stamp lies in the part before.
        {"a last part of a few packets", {stream.size() / 2, stream.size() / 2 - 1880}},
        {"one part", {}},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.what);
        TempDir dir;
        const auto parts =
            WriteRecording(dir.path(), "LONG", CutInto(stream, layout.sizes), -1, 436);
        const RecordingFacts facts = ReadRecordingFacts(Text(parts.front()));
        EXPECT_EQ(facts.length, int64_t{frames} * kFrameTicks);
        EXPECT_EQ(LengthText(facts.length), u"0:00:20");
        ASSERT_EQ(facts.streams.size(), 2u);
        EXPECT_EQ(StreamText(facts.streams[0]), "video mpeg2video 720x576 4:3 25 fps");
        EXPECT_EQ(StreamText(facts.streams[1]), "audio mp2 48000 Hz 2 ch 192 kb/s");
        // Both ends told all at the first look.
        EXPECT_LE(facts.bytesRead, kHeadStep + kTailStep + parts.size() * kPartHeaderSize);
        EXPECT_GE(facts.bytesRead, kHeadStep + kTailStep - 1024);
    }
}

TEST(StreamFacts, AnEndThatDoesNotTellAtFirstIsReadFurther) {
    // The first sequence header 300 KiB in; 200 KiB of other packets after
    // the last picture.
    const int frames = 400;
    const Bytes stream = SyntheticStream(900000, frames, 6000, 50, 200 * 1024);
    TempDir dir;
    const auto parts =
        WriteRecording(dir.path(), "LATE", CutInto(stream, {stream.size() / 3, stream.size() / 3}));
    const RecordingFacts facts = ReadRecordingFacts(Text(parts.front()));
    EXPECT_EQ(facts.length, int64_t{frames} * kFrameTicks);
    ASSERT_EQ(facts.streams.size(), 2u);
    EXPECT_EQ(StreamText(facts.streams[0]), "video mpeg2video 720x576 4:3 25 fps");
    EXPECT_GT(facts.bytesRead, kHeadStep + kTailStep + 100 * 1024);
    EXPECT_LE(facts.bytesRead, kHeadWindow + kTailWindow + parts.size() * kPartHeaderSize);

    // The only sequence header at the very end: the format comes from there.
    const Bytes atEnd = SyntheticStream(900000, frames, 6000, frames - 1);
    const auto atEndParts = WriteRecording(dir.path(), "END", CutInto(atEnd, {atEnd.size() / 2}));
    const RecordingFacts fromEnd = ReadRecordingFacts(Text(atEndParts.front()));
    ASSERT_EQ(fromEnd.streams.size(), 2u);
    EXPECT_EQ(StreamText(fromEnd.streams[0]), "video mpeg2video 720x576 4:3 25 fps");

    // Neither end holds one: the format is not known, the length is, and no
    // more than the windows was read for it.
    const Bytes never = SyntheticStream(900000, frames, 6000, frames / 2);
    const auto neverParts = WriteRecording(dir.path(), "NEVER", CutInto(never, {never.size() / 2}));
    const RecordingFacts unknown = ReadRecordingFacts(Text(neverParts.front()));
    EXPECT_EQ(unknown.length, int64_t{frames} * kFrameTicks);
    ASSERT_EQ(unknown.streams.size(), 2u);
    EXPECT_EQ(StreamText(unknown.streams[0]), "video ?");
    EXPECT_LE(unknown.bytesRead, kHeadWindow + kTailWindow + neverParts.size() * kPartHeaderSize);
}

TEST(StreamFacts, AWindowCutAnywhereGivesTheSameFacts) {
    const Bytes stream = SyntheticStream(123456, 40, 1500);
    const RecordingFacts whole =
        FactsOfStreamEnds(stream.data(), stream.size(), stream.data(), stream.size());
    EXPECT_EQ(whole.length, 40 * kFrameTicks);
    for (size_t cut = 1; cut < 2 * kTsPacketSize; ++cut) {
        const RecordingFacts facts = FactsOfStreamEnds(stream.data() + cut, stream.size() - cut,
                                                       stream.data(), stream.size() - cut % 188);
        ASSERT_EQ(facts, whole) << "cut " << cut;
    }
}

TEST(StreamFacts, ArbitraryBytesNeverHangOrCrash) {
    // Sync bytes on the packet grid with noise between: the worst case for
    // a reader that trusts lengths from the stream.
    uint32_t seed = 1;
    for (size_t size : {0u, 1u, 187u, 188u, 189u, 5000u, 200000u}) {
        Bytes noise(size);
        for (size_t i = 0; i < size; ++i) {
            seed = seed * 1103515245u + 12345u;
            noise[i] = i % 188 == 0 ? 0x47 : static_cast<uint8_t>(seed >> 16);
            if (i % 188 == 1)
                noise[i] |= 0x40; // every packet starts a unit
            if (i % 188 == 4)
                noise[i] = 0; // and its payload starts with a start code
            if (i % 188 == 5)
                noise[i] = 0;
            if (i % 188 == 6)
                noise[i] = 1;
        }
        const RecordingFacts facts =
            FactsOfStreamEnds(noise.data(), noise.size(), noise.data(), noise.size());
        if (facts.length) {
            EXPECT_LT(*facts.length, kPtsWrap);
        }
    }
}

TEST(StreamFacts, LengthAndStreamTexts) {
    EXPECT_EQ(LengthText(std::nullopt), u"?");
    EXPECT_EQ(LengthText(0), u"0:00:00");
    EXPECT_EQ(LengthText(kPtsClock / 2 - 1), u"0:00:00");
    EXPECT_EQ(LengthText((3600 + 2 * 60 + 3) * kPtsClock), u"1:02:03");
    EXPECT_EQ(LengthText(30 * 3600 * kPtsClock), u"30:00:00");
    StreamFormat ntsc{.kind = StreamKind::Video,
                      .codec = "mpeg2video",
                      .width = 720,
                      .height = 480,
                      .aspect = "16:9",
                      .frameRateNum = 30000,
                      .frameRateDen = 1001};
    EXPECT_EQ(StreamText(ntsc), "video mpeg2video 720x480 16:9 29.97 fps");
    EXPECT_EQ(StreamText(StreamFormat{.kind = StreamKind::Audio}), "audio ?");
}

} // namespace
