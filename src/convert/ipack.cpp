#include "convert/ipack.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace dz {

// Every length and pointer taken from the stream is checked against the packet
// or the segment that holds it before it is used, and the output does not
// depend on how the input is cut into feeds: a state that needs more bytes
// than one feed holds waits for the next one.

namespace {

// PES packet layout (ISO/IEC 13818-1 PES_packet, ISO/IEC 11172-1 packet).
constexpr int32_t kPesFixedSize = 6;     // prefix, stream_id, PES_packet_length
constexpr int32_t kMpeg1HeaderStart = 7; // the first MPEG-1 header byte ends the scan
constexpr int32_t kMpeg2HeaderSize = 9;  // '10' flags, PTS_DTS_flags, PES_header_data_length
constexpr int32_t kMpeg2PtsEnd = 14;     // the five PTS bytes follow the fixed header
constexpr int32_t kMinSegment = 10;      // a shorter segment carries nothing worth writing
constexpr uint8_t kPtsFlag = 0x80;       // PTS_DTS_flags '10' / '11'
constexpr uint8_t kMpeg2Marker = 0x80;   // '10' in the first header byte
constexpr uint8_t kMpeg2MarkerMask = 0xC0;
// packet_start_code_prefix 00 00 01, then stream_id, then PES_packet_length.
constexpr uint8_t kStartCodePrefix[] = {0x00, 0x00, 0x01};
constexpr int32_t kStreamIdPos = 3;
constexpr int32_t kLengthPos = 4;
constexpr int32_t kFlags1Pos = 6; // MPEG-2 '10' flags, or the first MPEG-1 header byte
constexpr int32_t kFlags2Pos = 7; // PTS_DTS_flags and the other flags
// PTS_DTS_flags in the second MPEG-2 header byte.
constexpr uint8_t kPtsDtsFlagsMask = 0xC0;
constexpr uint8_t kPtsOnly = 0x80;   // '10'
constexpr uint8_t kPtsAndDts = 0xC0; // '11'
constexpr int kPtsDtsFlagsShift = 6;

// MPEG-1 packet header: stuffing, STD_buffer, then PTS or PTS and DTS.
constexpr uint8_t kMpeg1Stuffing = 0xFF;
constexpr uint8_t kMpeg1StdMarker = 0x40; // '01' STD_buffer_scale, STD_buffer_size
constexpr uint8_t kMpeg1StdMarkerMask = 0xC0;
// '0010' PTS only, '0011' PTS and DTS: the two bits that tell them apart
// from '0000' 1111 (none) sit where PTS_DTS_flags sit in MPEG-2's byte.
constexpr uint8_t kMpeg1TimestampBits = 0x30;
constexpr int kMpeg1TimestampShift = 4;
constexpr uint8_t kMpeg1NoTimestamps = 0x0F;
constexpr int32_t kMpeg1StdDone = 2;
constexpr int32_t kMpeg1TimestampsStart = 3;
constexpr int32_t kMpeg1PtsEnd = 7;     // step after the fifth PTS byte
constexpr int32_t kMpeg1PtsDtsEnd = 12; // step after the fifth DTS byte
constexpr int32_t kMpeg1Finished = 2000;

// DVD-style sub-stream header in front of AC-3 in private stream 1:
// sub-stream id 0x80..0x87, number of frames, first access unit pointer.
constexpr uint8_t kPrivateStream1 = 0xBD;
constexpr uint8_t kAc3SubStreamId = 0x80;
constexpr uint8_t kSubStreamMask = 0xF8;
constexpr int32_t kSubStreamHeaderSize = 4;
constexpr size_t kAc3SyncInfoSize = 6; // sync word, crc1, fscod/frmsizecod, and one more
// Offset of the frame a first access unit pointer designates, past the sub-stream id.
constexpr int32_t kAccessUnitPointerBase = 3;

enum : uint8_t { kAc3NotReached = 0, kAc3Searching = 1, kAc3Decided = 2 };

enum class StartKind { None, WithHeader, Headerless };

StartKind ClassifyStreamId(uint8_t id) {
    switch (id) {
    case 0xBC: // program_stream_map
    case 0xBE: // padding_stream
    case 0xBF: // private_stream_2
    case 0xF0: // ECM
    case 0xF1: // EMM
    case 0xF2: // DSMCC
    case 0xF3: // ISO/IEC 13522
    case 0xFF: // program_stream_directory
        return StartKind::Headerless;
    default:
        break;
    }
    if (id == kPrivateStream1 || (id >= 0xC0 && id <= 0xEF))
        return StartKind::WithHeader;
    return StartKind::None;
}

int64_t PacketEnd(const ipack& p) {
    return int64_t{p.pes_length} + kPesFixedSize;
}

bool LengthKnown(const ipack& p) {
    return p.parse_pos >= kPesFixedSize;
}

// A packet never takes bytes beyond its declared length, not even header bytes
// of a malformed one: they belong to whatever follows.
bool PacketComplete(const ipack& p) {
    return LengthKnown(p) && p.parse_pos >= PacketEnd(p);
}

bool HeaderScanned(const ipack& p) {
    if (p.no_header_ext)
        return p.parse_pos >= kPesFixedSize;
    if (p.mpeg_version == 1)
        return p.parse_pos >= kMpeg1HeaderStart;
    if (p.mpeg_version == 2)
        return p.parse_pos >= kMpeg2HeaderSize;
    return false;
}

void TakeLength(ipack& p) {
    p.pes_length = (p.length_bytes[0] << 8) | p.length_bytes[1];
    // Known at once, so that a packet closed at the next unit start is seen
    // as unbounded however its header was cut.
    if (p.pes_length == 0)
        p.pes_length = UNBOUNDED_PES_LENGTH;
}

// The start code, one byte at a time: 00 00 01, where 00 00 00 keeps the
// prefix and anything else starts the search again.
const uint8_t* ScanStartCode(ipack& p, const uint8_t* cur, const uint8_t* end) {
    if (p.parse_pos == 0) {
        // Anything but 00 leaves the search where it is.
        const void* zero = std::memchr(cur, kStartCodePrefix[0], static_cast<size_t>(end - cur));
        if (!zero)
            return end;
        cur = static_cast<const uint8_t*>(zero);
    }
    const uint8_t b = *cur++;
    if (b == kStartCodePrefix[p.parse_pos])
        ++p.parse_pos;
    else if (p.parse_pos < 2 || b != kStartCodePrefix[0])
        p.parse_pos = 0;
    return cur;
}

// The stream id; one of no stream this system packs is examined again as a
// possible first 00.
const uint8_t* TakeStreamId(ipack& p, const uint8_t* cur) {
    p.stream_id = 0;
    const StartKind kind = ClassifyStreamId(*cur);
    if (kind == StartKind::None) {
        p.parse_pos = 0;
        return cur;
    }
    p.no_header_ext = kind == StartKind::Headerless;
    p.stream_id = *cur++;
    p.parse_pos = kLengthPos;
    return cur;
}

const uint8_t* TakeLengthByte(ipack& p, const uint8_t* cur) {
    p.length_bytes[p.parse_pos - kLengthPos] = *cur++;
    if (++p.parse_pos == kPesFixedSize)
        TakeLength(p);
    return cur;
}

// The first byte after the length tells MPEG-2 ('10') from MPEG-1; MPEG-2
// has two more fixed bytes, the flags and PES_header_data_length.
const uint8_t* TakeHeaderByte(ipack& p, const uint8_t* cur) {
    const uint8_t b = *cur++;
    if (p.parse_pos == kFlags1Pos) {
        p.flags1 = b;
        const bool mpeg2 = (b & kMpeg2MarkerMask) == kMpeg2Marker;
        p.mpeg_version = mpeg2 ? 2 : 1;
        if (!mpeg2) {
            p.header_data_length = 0;
            p.mpeg1_step = 0;
            p.flags2 = 0;
        }
    } else if (p.parse_pos == kFlags2Pos) {
        p.flags2 = b;
    } else {
        p.header_data_length = b;
    }
    ++p.parse_pos;
    return cur;
}

// The start-code search and the fixed part of the header, one state per byte.
const uint8_t* ScanHeader(ipack& p, const uint8_t* cur, const uint8_t* end) {
    while (cur < end && !HeaderScanned(p) && !PacketComplete(p)) {
        if (p.parse_pos < kStreamIdPos)
            cur = ScanStartCode(p, cur, end);
        else if (p.parse_pos == kStreamIdPos)
            cur = TakeStreamId(p, cur);
        else if (p.parse_pos < kPesFixedSize)
            cur = TakeLengthByte(p, cur);
        else if (p.parse_pos < kMpeg2HeaderSize)
            cur = TakeHeaderByte(p, cur);
        else
            return cur; // HeaderScanned holds from here on
    }
    return cur;
}

// Bytes of the current packet that may still be taken from [cur, end).
size_t Available(const ipack& p, const uint8_t* cur, const uint8_t* end) {
    const int64_t left = PacketEnd(p) - p.parse_pos;
    if (left <= 0)
        return 0;
    return static_cast<size_t>(std::min<int64_t>(left, end - cur));
}

// Puts bytes that belong to the packet and counts them as taken.
const uint8_t* PutTaken(ipack& p, const uint8_t* cur, size_t k) {
    ipack_put(p, cur, k);
    p.parse_pos += static_cast<int32_t>(k);
    return cur + k;
}

// Whether the MPEG-1 header byte in hand (already put) is the one that
// says which time stamps follow: the first after stuffing and STD_buffer.
bool Mpeg1ByteInHandDecides(const ipack& p) {
    if (p.mpeg1_step == kMpeg1StdDone)
        return true;
    return p.mpeg1_step == 0 && p.mpeg1_byte != kMpeg1Stuffing &&
           (p.mpeg1_byte & kMpeg1StdMarkerMask) != kMpeg1StdMarker;
}

// PTS, PTS and DTS, or no time stamps (0F or anything else), from the byte
// in hand; the PTS's first byte is that byte.
void DecideMpeg1Timestamps(ipack& p) {
    const uint8_t b = p.mpeg1_byte;
    if ((b & kMpeg1TimestampBits) == 0 || b == kMpeg1Stuffing) {
        p.mpeg1_step = kMpeg1Finished;
        return;
    }
    p.pts_bytes[0] = b;
    p.flags2 = static_cast<uint8_t>(((b & kMpeg1TimestampBits) >> kMpeg1TimestampShift)
                                    << kPtsDtsFlagsShift);
    const uint8_t flags = p.flags2 & kPtsDtsFlagsMask;
    const bool timestamps = flags == kPtsOnly || flags == kPtsAndDts;
    p.mpeg1_step = timestamps ? kMpeg1TimestampsStart : kMpeg1Finished;
}

// One byte of stuffing, STD_buffer or time stamps.
void TakeMpeg1Byte(ipack& p, uint8_t byte) {
    if (p.mpeg1_step < kMpeg1StdDone) {
        // Stuffing stays at step 0; STD_buffer's first byte leads to its
        // second (step 1), that one to the byte after it (step 2).
        if (p.mpeg1_step == 1 || p.mpeg1_byte != kMpeg1Stuffing)
            ++p.mpeg1_step;
        p.mpeg1_byte = byte;
        return;
    }
    // Steps 3..11 take the rest of the PTS, then the DTS, which is not kept.
    if (p.mpeg1_step < kMpeg1PtsEnd)
        p.pts_bytes[p.mpeg1_step - (kMpeg1TimestampsStart - 1)] = byte;
    ++p.mpeg1_step;
    const int32_t last = p.flags2 == kPtsAndDts ? kMpeg1PtsDtsEnd : kMpeg1PtsEnd;
    if (p.mpeg1_step == last)
        p.mpeg1_step = kMpeg1Finished;
}

// The MPEG-1 packet header after the length: stuffing bytes, an optional
// STD_buffer field, then PTS, PTS and DTS, or the byte 0F.
const uint8_t* FeedMpeg1Header(ipack& p, const uint8_t* cur, const uint8_t* end) {
    while (p.mpeg1_step < kMpeg1Finished && Available(p, cur, end) > 0) {
        if (Mpeg1ByteInHandDecides(p)) {
            DecideMpeg1Timestamps(p);
            continue;
        }
        TakeMpeg1Byte(p, *cur);
        cur = PutTaken(p, cur, 1);
        ++p.header_data_length; // wraps on absurd stuffing; nothing reads it for MPEG-1
    }
    return cur;
}

// A packet of a stream that has a PES header: its header bytes, then payload.
const uint8_t* FeedPacketBody(ipack& p, const uint8_t* cur, const uint8_t* end) {
    if (p.mpeg_version == 2 && p.parse_pos == kMpeg2HeaderSize) {
        // Taken by the scan; put one by one, as the split rule counts them.
        ipack_put(p, &p.flags1, 1);
        ipack_put(p, &p.flags2, 1);
        ipack_put(p, &p.header_data_length, 1);
    } else if (p.mpeg_version == 1 && p.parse_pos == kMpeg1HeaderStart) {
        ipack_put(p, &p.flags1, 1);
        p.mpeg1_byte = p.flags1;
        p.header_data_length = 1;
    }

    if (p.mpeg_version == 2 && (p.flags2 & kPtsFlag) && p.parse_pos < kMpeg2PtsEnd) {
        const size_t k =
            std::min(Available(p, cur, end), static_cast<size_t>(kMpeg2PtsEnd - p.parse_pos));
        std::memcpy(p.pts_bytes + (p.parse_pos - kMpeg2HeaderSize), cur, k);
        cur = PutTaken(p, cur, k);
        if (p.parse_pos < kMpeg2PtsEnd)
            return cur;
    }
    if (p.mpeg_version == 1 && p.mpeg1_step < kMpeg1Finished) {
        cur = FeedMpeg1Header(p, cur, end);
        if (p.mpeg1_step < kMpeg1Finished)
            return cur;
    }
    // Further header data (DTS, extensions, stuffing) goes through as it is.
    return PutTaken(p, cur, Available(p, cur, end));
}

const uint8_t* SkipPacket(ipack& p, const uint8_t* cur, const uint8_t* end) {
    const size_t k = Available(p, cur, end);
    p.parse_pos += static_cast<int32_t>(k);
    return cur + k;
}

// Segments of at most `capacity` bytes, except that a packet whose rest would
// fill between one and one and a half segments is cut into two halves rather
// than a full one and a small one. The rule is weighed byte by byte, so the
// cut does not depend on how the packet's bytes were fed.
void ApplySplitRule(ipack& p, int64_t still_to_come) {
    if (p.limit != p.capacity || p.pes_length == 0)
        return;
    const int64_t t = still_to_come + 1 + p.fill;
    if (t > p.capacity && t < int64_t{p.capacity} * 3 / 2)
        p.limit = static_cast<int32_t>(t / 2);
}

// The buffer offset of the first payload byte of an MPEG-2 AC-3 packet, where
// a sub-stream header belongs; -1 when this segment has no such place.
int32_t SubStreamHeaderPlace(const ipack& p) {
    if (p.stream_id != kPrivateStream1 || p.mpeg_version != 2 || p.continued)
        return -1;
    return p.header_data_length + kMpeg2HeaderSize;
}

// Looks in the payload gathered so far for the first AC-3 sync word; once its
// header is complete, a sub-stream header pointing at it goes in front of the
// payload, unless the frame size cannot be had from it.
void SearchAc3Sync(ipack& p) {
    uint8_t* b = p.buf.get();
    const int32_t place = SubStreamHeaderPlace(p);
    int32_t i = std::max(p.ac3_search_pos, place);
    while (i + 1 < p.fill && !(b[i] == 0x0B && b[i + 1] == 0x77))
        ++i;
    p.ac3_search_pos = i;
    if (i + static_cast<int32_t>(kAc3SyncInfoSize) > p.fill)
        return; // the sync word or its header is still to come
    p.ac3_header_state = kAc3Decided;
    Ac3Info info;
    if (parse_ac3_header(b + i, kAc3SyncInfoSize, info, false) != 0 || info.frame_size == 0)
        return;
    const int32_t offset = i - place; // of the sync word within the payload
    std::memmove(b + place + kSubStreamHeaderSize, b + place, static_cast<size_t>(p.fill - place));
    // Frames that start in this segment if it is filled up to the limit.
    const auto space = static_cast<uint32_t>(p.limit - place - offset - kSubStreamHeaderSize);
    b[place] = kAc3SubStreamId;
    b[place + 1] = static_cast<uint8_t>(space / static_cast<uint32_t>(info.frame_size) + 1);
    b[place + 2] = static_cast<uint8_t>(offset >> 8); // first access unit pointer
    b[place + 3] = static_cast<uint8_t>(offset);
    p.fill += kSubStreamHeaderSize;
}

// An AC-3 sub-stream header at the start of the segment's payload gets the
// count of frames that start in this segment, and the pointer to carry into
// the continuation is kept in ac3_pointer (0 when there is none to carry).
// Returns the sub-stream id, or -1 when the segment has no such header.
int FixUpSubStreamHeader(ipack& p) {
    p.ac3_pointer = 0;
    if (p.stream_id != kPrivateStream1 || p.mpeg_version != 2)
        return -1;
    uint8_t* b = p.buf.get();
    const int32_t idx = b[8] + kMpeg2HeaderSize; // PES_header_data_length from the stream
    if (idx + kSubStreamHeaderSize > p.fill || (b[idx] & kSubStreamMask) != kAc3SubStreamId)
        return -1;
    const int32_t pointer = (b[idx + 2] << 8) | b[idx + 3];
    const int32_t frame = idx + pointer + kAccessUnitPointerBase;
    if (frame >= p.fill)
        return b[idx];
    Ac3Info info;
    const size_t seen = std::min(static_cast<size_t>(p.fill - frame), kAc3SyncInfoSize);
    if (parse_ac3_header(b + frame, seen, info, false) != 0 || info.frame_size == 0)
        return b[idx];
    const auto frame_size = static_cast<uint32_t>(info.frame_size);
    const uint32_t frames = static_cast<uint32_t>(p.fill - frame) / frame_size + 1;
    b[idx + 1] = static_cast<uint8_t>(frames);
    p.ac3_pointer = static_cast<uint16_t>(static_cast<uint32_t>(pointer) + frames * frame_size -
                                          static_cast<uint32_t>(p.fill));
    return b[idx];
}

} // namespace

bool ipack_create(ipack& p, int32_t capacity, ipack_consumer consumer, void* context) {
    if (capacity < kIpackMinCapacity || capacity > kIpackMaxCapacity)
        return false;
    // The caller reports a failure; the process goes on either way.
    std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[static_cast<size_t>(capacity)]());
    if (!buf)
        return false;
    p.buf = std::move(buf);
    p.capacity = capacity;
    p.consumer = consumer;
    p.consumer_context = context;
    p.audio_info_valid = false;
    p.video_info_valid = false;
    std::memset(p.pts_bytes, 0, sizeof p.pts_bytes);
    p.ac3_pointer = 0;
    ipack_reset(p);
    return true;
}

void ipack_reset(ipack& p) {
    p.parse_pos = 0;
    p.stream_id = 0;
    p.pes_length = 0;
    p.flags1 = 0;
    p.flags2 = 0;
    p.header_data_length = 0;
    p.mpeg_version = 0;
    p.mpeg1_byte = 0;
    p.mpeg1_step = 0;
    p.no_header_ext = false;
    p.fill = 0;
    p.limit = p.capacity;
    p.continued = false;
    p.ac3_header_state = kAc3NotReached;
    p.ac3_search_pos = 0;
}

void ipack_destroy(ipack& p) {
    p.buf.reset();
}

void ipack_feed(ipack& p, const uint8_t* data, size_t n) {
    if (!p.buf || !data)
        return;
    const uint8_t* cur = data;
    const uint8_t* const end = data + n;
    for (;;) {
        cur = ScanHeader(p, cur, end);
        if (cur < end && HeaderScanned(p) && !PacketComplete(p))
            cur = p.no_header_ext ? SkipPacket(p, cur, end) : FeedPacketBody(p, cur, end);
        if (PacketComplete(p)) {
            ipack_emit(p);
            ipack_reset(p);
            continue;
        }
        if (cur == end)
            return;
    }
}

namespace {

// A segment begins with the start code; its stream id and length are set
// when it is emitted.
void StartSegment(ipack& p) {
    if (p.fill >= kPesFixedSize)
        return;
    std::memcpy(p.buf.get(), kStartCodePrefix, sizeof kStartCodePrefix);
    p.fill = kPesFixedSize;
}

// At the first payload byte of an AC-3 packet: one of 80..87 is a
// sub-stream header already; otherwise one is searched for.
void NoteSubStreamHeader(ipack& p, uint8_t first) {
    const int32_t place = SubStreamHeaderPlace(p);
    if (p.ac3_header_state != kAc3NotReached || place != p.fill)
        return;
    const bool has_one = (first & kSubStreamMask) == kAc3SubStreamId;
    p.ac3_header_state = has_one ? kAc3Decided : kAc3Searching;
    p.ac3_search_pos = place;
}

// How many of the waiting bytes go into the segment now: as many as there
// is room for, and none past the place of a sub-stream header not yet decided.
size_t Portion(const ipack& p, size_t waiting, int32_t room) {
    size_t k = std::min(waiting, static_cast<size_t>(room));
    const int32_t place = SubStreamHeaderPlace(p);
    if (p.ac3_header_state == kAc3NotReached && place > p.fill)
        k = std::min(k, static_cast<size_t>(place - p.fill));
    return k;
}

} // namespace

void ipack_put(ipack& p, const uint8_t* data, size_t len) {
    if (!p.buf || !data)
        return;
    // Bytes of the packet still to come at the first byte of this put.
    const int64_t to_come = PacketEnd(p) - p.parse_pos;
    size_t done = 0;
    while (done < len) {
        StartSegment(p);
        ApplySplitRule(p, to_come - static_cast<int64_t>(done));
        const int32_t limit = std::min(p.limit, p.capacity);
        NoteSubStreamHeader(p, data[done]);
        const bool searching = p.ac3_header_state == kAc3Searching;
        // While searching, room is kept for the sub-stream header.
        const int32_t room = limit - p.fill - (searching ? kSubStreamHeaderSize : 0);
        if (room <= 0 && searching) {
            p.ac3_header_state = kAc3Decided; // no room left: the segment goes without
            continue;
        }
        if (room <= 0) {
            ipack_emit(p);
            continue;
        }
        const size_t k = Portion(p, len - done, room);
        std::memcpy(p.buf.get() + p.fill, data + done, k);
        p.fill += static_cast<int32_t>(k);
        done += k;
        if (searching)
            SearchAc3Sync(p);
        if (p.fill >= limit)
            ipack_emit(p);
    }
}

void ipack_emit(ipack& p) {
    if (!p.buf)
        return;
    if (p.ac3_header_state == kAc3Searching)
        p.ac3_header_state = kAc3Decided;
    if (p.fill < kMinSegment)
        return;
    uint8_t* b = p.buf.get();
    const int32_t length = p.fill - kPesFixedSize;
    b[3] = p.stream_id;
    b[4] = static_cast<uint8_t>(length >> 8); // PES_packet_length
    b[5] = static_cast<uint8_t>(length);

    const int sub_stream = FixUpSubStreamHeader(p);

    if (p.consumer)
        p.consumer(&p, p.consumer_context);

    // The rest of the packet follows behind a minimal header of its own.
    p.continued = true;
    if (p.mpeg_version == 1) {
        b[6] = kMpeg1NoTimestamps;
        p.fill = kMpeg1HeaderStart;
    } else if (p.mpeg_version == 2) {
        b[6] = kMpeg2Marker; // '10', no scrambling, priority, alignment, copyright
        b[7] = 0x00;         // no PTS, DTS or extensions
        b[8] = 0x00;         // PES_header_data_length
        p.fill = kMpeg2HeaderSize;
        if (sub_stream >= 0) {
            b[9] = static_cast<uint8_t>(sub_stream);
            b[10] = 0; // frame count, set at the next emission
            b[11] = static_cast<uint8_t>(p.ac3_pointer >> 8);
            b[12] = static_cast<uint8_t>(p.ac3_pointer);
            p.fill = kMpeg2HeaderSize + kSubStreamHeaderSize;
        }
    } else {
        p.fill = 0; // no header known to continue with: start afresh
    }
}

uint64_t decode_pts(const uint8_t bytes[5]) {
    return (uint64_t{static_cast<uint8_t>((bytes[0] >> 1) & 7)} << 30) |
           (uint64_t{bytes[1]} << 22) | (uint64_t{static_cast<uint8_t>(bytes[2] >> 1)} << 15) |
           (uint64_t{bytes[3]} << 7) | (bytes[4] >> 1);
}

void ipack_close_unbounded(ipack& p) {
    if (p.pes_length != UNBOUNDED_PES_LENGTH)
        return;
    p.pes_length = p.parse_pos - kPesFixedSize;
    p.parse_pos = 0;
    ipack_emit(p);
    ipack_reset(p);
}

} // namespace dz
