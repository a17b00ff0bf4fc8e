#pragma once
// What is inside a recording without playing it: its running time and the
// format of each of its streams, read from a bounded amount of its transport
// stream (the start of part 1 and the end of the last part), never from the
// whole recording.

#include "common/list_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dz::convert {

// Presentation time stamps count a 90 kHz clock in 33 bits.
using dz::kPtsClock;
inline constexpr int64_t kPtsWrap = int64_t{1} << 33;
// Bytes read at each end of a recording: a first look at each (the start's
// with part 1's header), doubled while that end has not told what it can,
// up to the window (together 1 MiB). The start needs a picture that carries
// a sequence header; the end only the last few pictures. Each look is one read: on a cold disk the
// reads, not the bytes, take the time.
inline constexpr size_t kHeadStep = 128 * 1024;
inline constexpr size_t kTailStep = 128 * 1024;
inline constexpr size_t kHeadWindow = 640 * 1024;
inline constexpr size_t kTailWindow = 384 * 1024;

enum class StreamKind { Video, Audio };

// One elementary stream as its headers describe it. Codec names are the
// ones FFmpeg's tools print ("mpeg2video", "h264", "mp2", "ac3"), so a script
// can hold one against the other. 0 (or empty) where the stream did not say.
struct StreamFormat {
    StreamKind kind = StreamKind::Video;
    uint16_t pid = 0;
    std::string codec;
    // Video.
    int32_t width = 0, height = 0;
    std::string aspect;                         // "4:3", "16:9", "1:1", "2.21:1"
    int32_t frameRateNum = 0, frameRateDen = 0; // 25/1, 30000/1001
    // Audio.
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bitRate = 0; // bit/s, as the header gives it (video: the maximum)
    bool operator==(const StreamFormat&) const = default;
};

struct RecordingFacts {
    // Running time in 90 kHz ticks; nothing when the stream does not tell
    // (no time stamps found, a part that cannot be read).
    std::optional<int64_t> length;
    std::vector<StreamFormat> streams; // in PID order
    uint64_t bytesRead = 0;            // from the part files, headers included
    bool operator==(const RecordingFacts&) const = default;
};

// Whether more bytes at an end could tell more: the head is complete when
// it holds the video's format and first time stamp (without video, only the
// whole head window tells that there is none); the tail when it holds
// several time stamps of the stream the length is taken from (pictures come
// out of order: the latest time stamp is among the last few). A stream's
// format comes from either end.
struct EndsComplete {
    bool head = false;
    bool tail = false;
};

// The facts of a transport stream held in two pieces: its first bytes and
// its last bytes (the same bytes when the stream is short). Either may start
// or end mid-packet.
RecordingFacts FactsOfStreamEnds(const uint8_t* head, size_t headSize, const uint8_t* tail,
                                 size_t tailSize, EndsComplete* complete = nullptr);

// The facts of the recording a part file path names (any part: its part 1
// is found; a file with no companion is read as a recording of itself),
// reading at most kHeadWindow bytes at its start and kTailWindow at its end. Never fails: what
// cannot be told is left empty.
RecordingFacts ReadRecordingFacts(const std::u16string& partPath);
// The part files a recording's stream is read from, in order: the parts its
// companion counts, or the named file alone without a companion; and the
// facts of such a list.
std::vector<std::u16string> RecordingStreamParts(const std::u16string& partPath);
RecordingFacts ReadFactsOfParts(const std::vector<std::u16string>& parts);

// One stream on one line: "video mpeg2video 720x576 16:9 25 fps",
// "audio mp2 48000 Hz 2 ch".
std::string StreamText(const StreamFormat& stream);

} // namespace dz::convert
