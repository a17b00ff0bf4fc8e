#include "media/thumbnail.h"

#include "convert/conversion_files.h"
#include "convert/stream_facts.h"
#include "convert/ts_packet.h"
#include "convert/ts_to_ps.h"
#include "media/png_writer.h"
#include "platform/platform.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>

namespace dz::media {
namespace {

using convert::kTsPacketSize;
using convert::kTsSyncByte;

// --- the recording's stream: its parts joined, each past its header -------

class JoinedStream final : public convert::BlockSource {
public:
    // False when the first part cannot be opened. A later part that cannot
    // be opened ends the stream there: what came before still has pictures.
    bool Open(const std::vector<std::u16string>& paths) {
        uint64_t start = 0;
        for (const std::u16string& path : paths) {
            convert::SourceFile file;
            if (!file.open_source(path))
                break;
            file.skip_recording_header();
            const uint64_t offset = file.position();
            const uint64_t length = file.size() - std::min(file.size(), offset);
            m_parts.push_back({path, start, offset, length});
            start += length;
        }
        m_size = start;
        return !m_parts.empty() && OpenPart(0);
    }
    uint64_t size() const { return m_size; }
    bool read_failed() const { return m_failed; }

    size_t read_block(uint8_t* buffer, size_t n) override {
        size_t done = 0;
        while (done < n && m_current < m_parts.size()) {
            const size_t got = m_file.read_block(buffer + done, n - done);
            if (m_file.read_failed()) {
                m_failed = true;
                m_current = m_parts.size();
            } else if (got == 0 && !OpenPart(m_current + 1)) {
                m_current = m_parts.size();
            }
            done += got;
            m_position += got;
        }
        return done;
    }
    uint64_t position() const override { return m_position; }
    bool seek(uint64_t offset) override {
        size_t k = 0;
        while (k + 1 < m_parts.size() && offset >= m_parts[k + 1].start)
            ++k;
        if (k >= m_parts.size() || (k != m_current && !OpenPart(k)))
            return false;
        const Part& part = m_parts[k];
        const uint64_t within = std::min(offset - std::min(offset, part.start), part.length);
        if (!m_file.seek(part.streamOffset + within))
            return false;
        m_position = part.start + within;
        return true;
    }

private:
    struct Part {
        std::u16string path;
        uint64_t start;        // in the joined stream
        uint64_t streamOffset; // in the part file
        uint64_t length;
    };
    bool OpenPart(size_t k) {
        if (k >= m_parts.size())
            return false;
        if (!m_file.open_source(m_parts[k].path)) {
            m_failed = true; // there when the recording was opened, gone now
            return false;
        }
        m_file.skip_recording_header();
        m_current = k;
        m_position = m_parts[k].start;
        return true;
    }

    std::vector<Part> m_parts;
    convert::SourceFile m_file;
    size_t m_current = 0;
    uint64_t m_position = 0;
    uint64_t m_size = 0;
    bool m_failed = false;
};

// --- transport packets -----------------------------------------------------

// Whole packets from the source's position on, at most `budget` bytes read.
// Bytes between packets (a part cut mid-packet, damage) are skipped: a sync
// byte counts when the next packet's place holds one too, or lies beyond
// what is buffered.
class PacketReader {
public:
    PacketReader(convert::BlockSource& source, uint64_t budget)
        : m_source(source), m_budget(budget), m_buffer(kCapacity) {}

    const uint8_t* Next() {
        for (;;) {
            if (m_fill - m_at <= kTsPacketSize && !m_ended)
                Refill();
            if (m_fill - m_at < kTsPacketSize)
                return nullptr;
            const uint8_t* p = m_buffer.data() + m_at;
            if (p[0] == kTsSyncByte &&
                (m_at + kTsPacketSize >= m_fill || p[kTsPacketSize] == kTsSyncByte)) {
                m_at += kTsPacketSize;
                ++m_packets;
                return p;
            }
            ++m_at;
        }
    }
    // Whether reading stopped for the budget rather than the stream's end.
    bool budgetSpent() const { return m_read >= m_budget; }
    uint64_t packets() const { return m_packets; }

private:
    static constexpr size_t kCapacity = 348 * kTsPacketSize; // about 64 KiB
    void Refill() {
        std::memmove(m_buffer.data(), m_buffer.data() + m_at, m_fill - m_at);
        m_fill -= m_at;
        m_at = 0;
        while (m_fill <= kTsPacketSize && !m_ended) {
            const uint64_t room = std::min<uint64_t>(kCapacity - m_fill, m_budget - m_read);
            const size_t got = room == 0 ? 0 : m_source.read_block(m_buffer.data() + m_fill, room);
            if (got == 0)
                m_ended = true;
            m_fill += got;
            m_read += got;
        }
    }
    convert::BlockSource& m_source;
    uint64_t m_budget;
    std::vector<uint8_t> m_buffer;
    size_t m_fill = 0;
    size_t m_at = 0;
    uint64_t m_read = 0;
    uint64_t m_packets = 0;
    bool m_ended = false;
};

bool StartsUnit(const uint8_t* packet) {
    return (packet[1] & convert::kPayloadUnitStart) != 0;
}

// --- which decoder -----------------------------------------------------------

AVCodecID CodecNamed(const std::string& name) {
    if (name == "mpeg1video")
        return AV_CODEC_ID_MPEG1VIDEO;
    if (name == "mpeg2video")
        return AV_CODEC_ID_MPEG2VIDEO;
    if (name == "h264")
        return AV_CODEC_ID_H264;
    return AV_CODEC_ID_NONE;
}

// When the start of the recording did not tell, the start codes from the
// picture's place on do: MPEG video has codes that an H.264 unit's first
// byte cannot be (its forbidden bit set, or the picture start code 0x00),
// and H.264's emulation prevention keeps 00 00 01 out of everything but a
// unit start, so a sequence parameter set among codes that are all H.264's
// is H.264.
AVCodecID CodecOfElementaryStream(const std::vector<uint8_t>& es) {
    bool sequenceParameterSet = false;
    for (size_t i = 0; i + 3 < es.size(); ++i) {
        if (es[i] != 0 || es[i + 1] != 0 || es[i + 2] != 1)
            continue;
        const uint8_t code = es[i + 3];
        if (code == 0x00 || code >= 0xB0)
            return AV_CODEC_ID_MPEG2VIDEO;
        if ((code & 0x1F) == 7)
            sequenceParameterSet = true;
    }
    return sequenceParameterSet ? AV_CODEC_ID_H264 : AV_CODEC_ID_NONE;
}

// Whether the start of the stream holds transport packets at all.
bool HoldsPackets(JoinedStream& stream) {
    if (!stream.seek(0))
        return false;
    PacketReader packets(stream, convert::kDiscoveryBudget);
    return packets.Next() != nullptr;
}

// --- decoding ----------------------------------------------------------------

void QuietLibraries() {
    static std::once_flag once;
    // The decoder's complaints about a damaged stream are not the program's
    // output; the outcome says what became of the picture.
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

class Decoder {
public:
    ~Decoder() {
        av_packet_free(&m_packet);
        if (m_parser)
            av_parser_close(m_parser);
        avcodec_free_context(&m_context);
    }
    bool Open(AVCodecID id) {
        const AVCodec* codec = avcodec_find_decoder(id);
        if (!codec)
            return false;
        m_context = avcodec_alloc_context3(codec);
        m_parser = av_parser_init(id);
        m_packet = av_packet_alloc();
        m_frame.reset(av_frame_alloc());
        if (!m_context || !m_parser || !m_packet || !m_frame)
            return false;
        // One picture is wanted: threads would only add frames of delay.
        m_context->thread_count = 1;
        return avcodec_open2(m_context, codec, nullptr) == 0;
    }
    // Elementary stream bytes in; true once a whole picture has come out.
    bool Feed(const uint8_t* data, size_t n) {
        while (n > 0 && !m_picture) {
            const int used = av_parser_parse2(
                m_parser, m_context, &m_packet->data, &m_packet->size, data,
                static_cast<int>(std::min<size_t>(n, std::numeric_limits<int>::max())),
                AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0 || (used == 0 && m_packet->size == 0))
                return false;
            data += used;
            n -= static_cast<size_t>(used);
            if (m_packet->size > 0)
                Decode(m_packet);
        }
        return m_picture != nullptr;
    }
    // The end of the bytes: what the parser and the decoder still hold.
    bool Finish() {
        if (!m_picture) {
            av_parser_parse2(m_parser, m_context, &m_packet->data, &m_packet->size, nullptr, 0,
                             AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (m_packet->size > 0)
                Decode(m_packet);
        }
        if (!m_picture)
            Decode(nullptr);
        return m_picture != nullptr;
    }
    const AVFrame* picture() const { return m_picture.get(); }

private:
    void Decode(const AVPacket* packet) {
        // A damaged packet is refused and the next one tried.
        if (avcodec_send_packet(m_context, packet) < 0 && packet)
            return;
        while (!m_picture && avcodec_receive_frame(m_context, m_frame.get()) == 0) {
            if (IsWhole(*m_frame)) {
                m_picture = std::move(m_frame);
                m_frame.reset(av_frame_alloc());
                if (!m_frame)
                    return;
            } else {
                av_frame_unref(m_frame.get());
            }
        }
    }
    // A key frame that decoded without concealed damage.
    static bool IsWhole(const AVFrame& frame) {
        return (frame.key_frame || frame.pict_type == AV_PICTURE_TYPE_I) &&
               !(frame.flags & AV_FRAME_FLAG_CORRUPT) && frame.decode_error_flags == 0 &&
               frame.width > 0 && frame.height > 0;
    }

    AVCodecContext* m_context = nullptr;
    AVCodecParserContext* m_parser = nullptr;
    AVPacket* m_packet = nullptr;
    FramePtr m_frame;
    FramePtr m_picture;
};

enum class Attempt { kPicture, kEnd, kBudget, kNoDecoder };

// Reads the video from the stream's position on, each PES packet from the
// first that starts there, and decodes until the first whole picture.
Attempt DecodeFrom(JoinedStream& stream, uint16_t vpid, AVCodecID codec, FramePtr& picture) {
    constexpr size_t kHandOver = 64 * 1024;
    PacketReader packets(stream, kThumbnailReadBudget);
    Decoder decoder;
    bool open = false;
    std::vector<uint8_t> es; // bytes not yet handed to the decoder
    bool started = false;
    // Hands what is gathered to the decoder, opening it once the decoder is
    // known; nothing while the bytes do not tell which one yet.
    enum class Fed { kMore, kPicture, kNoDecoder };
    const auto handOver = [&](bool last) {
        if (!open) {
            if (codec == AV_CODEC_ID_NONE)
                codec = CodecOfElementaryStream(es);
            if (codec == AV_CODEC_ID_NONE)
                return Fed::kMore; // at the end: no picture, as when nothing decodes
            if (!decoder.Open(codec))
                return Fed::kNoDecoder;
            open = true;
        }
        // The parser and the decoder may read a little past the bytes they
        // are given (whole words at a time); zeros there stop a damaged
        // stream's bitstream reader.
        const size_t n = es.size();
        es.resize(n + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        const bool got = decoder.Feed(es.data(), n) || (last && decoder.Finish());
        es.clear();
        if (!got)
            return Fed::kMore;
        picture.reset(av_frame_clone(decoder.picture()));
        return picture ? Fed::kPicture : Fed::kNoDecoder;
    };
    const auto outcome = [](Fed fed) {
        return fed == Fed::kPicture ? Attempt::kPicture : Attempt::kNoDecoder;
    };
    while (const uint8_t* packet = packets.Next()) {
        size_t offset = 0;
        if (convert::pid_of(packet) != vpid || !convert::PacketPayload(packet, offset))
            continue;
        if (StartsUnit(packet)) {
            const uint8_t* pes = packet + offset;
            if (!convert::IsMpeg2PesHeader(pes, packet + kTsPacketSize))
                continue; // a damaged start: its packet says nothing usable
            started = true;
            offset += convert::kPesFixedHeader + pes[convert::kPesHeaderDataLength];
        }
        if (!started)
            continue;
        es.insert(es.end(), packet + offset, packet + kTsPacketSize);
        if (es.size() >= kHandOver) {
            const Fed fed = handOver(false);
            if (fed != Fed::kMore)
                return outcome(fed);
        }
    }
    const Fed fed = handOver(true);
    if (fed != Fed::kMore)
        return outcome(fed);
    return packets.budgetSpent() ? Attempt::kBudget : Attempt::kEnd;
}

struct SwsFree {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};

bool ScaleToRgb(const AVFrame& frame, int width, RgbPicture& out) {
    const AVRational sample = frame.sample_aspect_ratio;
    const int height = ScaledHeight(width, frame.width, frame.height, sample.num, sample.den);
    std::unique_ptr<SwsContext, SwsFree> scaler(
        sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width,
                       height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler)
        return false;
    // The scaler may write whole vectors past a row's end: rows are padded
    // while scaling and packed afterwards.
    const size_t row = static_cast<size_t>(width) * 3;
    const size_t stride = (row + 63) / 64 * 64;
    std::vector<uint8_t> padded(stride * static_cast<size_t>(height) + 64);
    uint8_t* planes[4] = {padded.data(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(stride), 0, 0, 0};
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) !=
        height)
        return false;
    out.width = width;
    out.height = height;
    out.rgb.resize(row * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(out.rgb.data() + row * static_cast<size_t>(y),
                    padded.data() + stride * static_cast<size_t>(y), row);
    return true;
}

ThumbnailResult TakePictureOf(const ThumbnailRequest& request, RgbPicture& picture) {
    if (request.width < 1 || request.width > kMaxThumbnailWidth)
        return ThumbnailResult::kNoPicture;
    const std::vector<std::u16string> parts = convert::RecordingStreamParts(request.recording);
    JoinedStream stream;
    if (!stream.Open(parts))
        return ThumbnailResult::kCantOpenSource;

    // The video as the converter finds it; its decoder and the recording's
    // length from the stream's ends.
    std::vector<uint8_t> block(convert::kBlockSize);
    const uint16_t vpid =
        convert::discover_pids(stream, block.data(), convert::ConversionMode::kNone).vpid;
    if (stream.read_failed())
        return ThumbnailResult::kCantReadSource;
    if (vpid == 0) {
        const bool packets = HoldsPackets(stream);
        if (stream.read_failed())
            return ThumbnailResult::kCantReadSource;
        return packets || stream.size() == 0 ? ThumbnailResult::kNoVideo
                                             : ThumbnailResult::kNotATransportStream;
    }
    const convert::RecordingFacts facts =
        request.facts ? *request.facts : convert::ReadFactsOfParts(parts);
    AVCodecID codec = AV_CODEC_ID_NONE;
    for (const convert::StreamFormat& format : facts.streams)
        if (format.pid == vpid)
            codec = CodecNamed(format.codec);

    uint64_t position = stream.size() / 10;
    if (request.atSeconds) {
        if (!facts.length || *facts.length <= 0)
            return ThumbnailResult::kNoLength;
        const double length =
            static_cast<double>(*facts.length) / static_cast<double>(convert::kPtsClock);
        if (!(*request.atSeconds >= 0) || *request.atSeconds > length)
            return ThumbnailResult::kPastTheEnd;
        // The stream's bytes stand for its time evenly enough to land near
        // the picture asked for; the key frame that follows is taken.
        position = static_cast<uint64_t>(static_cast<double>(stream.size()) *
                                         (*request.atSeconds / length));
    }

    FramePtr frame;
    if (!stream.seek(position))
        return ThumbnailResult::kCantReadSource;
    Attempt attempt = DecodeFrom(stream, vpid, codec, frame);
    // Near the end no key frame may follow: the last one before is taken.
    if (attempt == Attempt::kEnd && position > 0 && !stream.read_failed()) {
        const uint64_t back = position - std::min(position, kThumbnailReadBudget / 2);
        if (!stream.seek(back))
            return ThumbnailResult::kCantReadSource;
        attempt = DecodeFrom(stream, vpid, codec, frame);
    }
    if (stream.read_failed())
        return ThumbnailResult::kCantReadSource;
    if (attempt != Attempt::kPicture || !frame)
        return ThumbnailResult::kNoPicture;
    return ScaleToRgb(*frame, request.width, picture) ? ThumbnailResult::kDone
                                                      : ThumbnailResult::kNoPicture;
}

} // namespace

int ScaledHeight(int width, int codedWidth, int codedHeight, int sampleNum, int sampleDen) {
    if (width < 1 || codedWidth < 1 || codedHeight < 1)
        return 1;
    if (sampleNum <= 0 || sampleDen <= 0)
        sampleNum = sampleDen = 1;
    // height = width / display aspect, display aspect = codedWidth * sample / codedHeight.
    const double height = static_cast<double>(width) * codedHeight * sampleDen /
                          (static_cast<double>(codedWidth) * sampleNum);
    // A nonsensical sample aspect must not ask for a picture of gigabytes.
    return static_cast<int>(std::clamp(std::lround(height), 1L, long{4 * kMaxThumbnailWidth}));
}

ThumbnailResult TakePicture(const ThumbnailRequest& request, RgbPicture& picture) {
    QuietLibraries();
    picture = {};
    try {
        return TakePictureOf(request, picture);
    } catch (const std::bad_alloc&) {
        return ThumbnailResult::kNoPicture;
    }
}

ThumbnailResult WriteThumbnail(const ThumbnailRequest& request, const std::u16string& target) {
    RgbPicture picture;
    const ThumbnailResult taken = TakePicture(request, picture);
    if (taken != ThumbnailResult::kDone)
        return taken;
    const std::vector<uint8_t> png = EncodePng(picture);
    if (png.empty())
        return ThumbnailResult::kCantWriteTarget;
    if (!platform::WriteFileReplacing(target, png.data(), png.size()))
        return ThumbnailResult::kCantWriteTarget;
    return ThumbnailResult::kDone;
}

} // namespace dz::media
