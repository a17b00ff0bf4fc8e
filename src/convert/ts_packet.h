#pragma once
// The transport packet and PES header fields that both the converter and the
// stream facts reader look at (ISO/IEC 13818-1 transport_packet and
// PES_packet), so that both read a packet the same way.

#include "convert/conversion_files.h"

#include <cstddef>
#include <cstdint>

namespace dz::convert {

// Transport packet header bits.
inline constexpr uint8_t kTransportError = 0x80;   // byte 1
inline constexpr uint8_t kPayloadUnitStart = 0x40; // byte 1
inline constexpr uint8_t kAdaptationField = 0x20;  // byte 3
inline constexpr uint8_t kPayloadPresent = 0x10;   // byte 3
inline constexpr size_t kTsHeaderSize = 4;
// Payload offset of the PES stream id: after 00 00 01.
inline constexpr size_t kStreamIdInPes = 3;
// Where the stream id of a packet without adaptation field lies; the scans
// stop this far before the end of what they look at.
inline constexpr size_t kStreamIdInPacket = kTsHeaderSize + kStreamIdInPes;
// Start code, stream id and PES_packet_length: the bytes the length does not count.
inline constexpr int32_t kPesLengthEnd = 6;
// PES header: flags byte with PTS_DTS_flags, PES_header_data_length, and the
// fixed part before the optional fields.
inline constexpr size_t kPesFlags2 = 7;
inline constexpr size_t kPesHeaderDataLength = 8;
inline constexpr size_t kPesFixedHeader = 9;
inline constexpr uint8_t kPesHasPts = 0x80;
inline constexpr uint8_t kPrivateStream1 = 0xBD;

inline bool IsVideoStreamId(uint8_t id) {
    return id >= 0xE0 && id <= 0xEF;
}
inline bool IsMpegAudioStreamId(uint8_t id) {
    return id >= 0xC0 && id <= 0xDF;
}

// Bytes the adaptation field takes in front of the payload (its length byte included).
inline size_t AdaptationShare(const uint8_t* packet) {
    return (packet[3] & kAdaptationField) ? size_t{packet[4]} + 1 : 0;
}

// Where the payload of a packet without transport error begins. A packet
// that carries no payload, has its transport error bit set, or whose
// adaptation length runs past its end (damaged) has none to offer.
inline bool PacketPayload(const uint8_t* packet, size_t& offset) {
    if ((packet[1] & kTransportError) || !(packet[3] & kPayloadPresent))
        return false;
    offset = kTsHeaderSize + AdaptationShare(packet);
    return offset < kTsPacketSize;
}

// Whether the bytes at `pes` up to `end` begin a PES packet of an MPEG-2
// header layout ('10' marker bits), long enough to hold its header.
inline bool IsMpeg2PesHeader(const uint8_t* pes, const uint8_t* end) {
    if (end - pes < static_cast<std::ptrdiff_t>(kPesFixedHeader))
        return false;
    if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1 || (pes[6] & 0xC0) != 0x80)
        return false;
    return end - pes >= static_cast<std::ptrdiff_t>(kPesFixedHeader + pes[kPesHeaderDataLength]);
}

// Whether the PES packet that starts at `pes` (00 00 01 BD) carries AC-3:
// its payload begins with an AC-3 sync word, as broadcasts align it, or with
// the sub-stream id of AC-3 (0x80-0x87). Teletext and subtitles, which use
// the same stream id, begin with their data identifier instead.
inline bool CarriesAc3(const uint8_t* pes, const uint8_t* end) {
    if (end - pes < static_cast<std::ptrdiff_t>(kPesFixedHeader))
        return false;
    const uint8_t* payload = pes + kPesFixedHeader + pes[kPesHeaderDataLength];
    if (end - payload < 2)
        return false;
    return (payload[0] == 0x0B && payload[1] == 0x77) || (payload[0] & 0xF8) == 0x80;
}

} // namespace dz::convert
