#pragma once
// Synthetic transport streams for the converter's tests: PES packets built
// byte by byte, cut into 188-byte transport packets, read back through an
// in-memory block source.

#include "convert/conversion_files.h"
#include "stream/pes_builder.h"

#include <algorithm>
#include <functional>

namespace dz::test {

constexpr uint16_t kVideoPid = 0x100;
constexpr uint16_t kAudioPid = 0x101;
constexpr uint16_t kOtherPid = 0x1FF;

// A video sequence header: 720x576, 4:3, 25 fps, the given bit rate.
inline Bytes SequenceHeader(uint32_t bitRate) {
    const uint32_t value = bitRate / 400;
    Bytes h = {0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x23};
    h.resize(20, 0);
    h[8] = static_cast<uint8_t>(value >> 10);
    h[9] = static_cast<uint8_t>(value >> 2);
    h[10] = static_cast<uint8_t>(((value & 3) << 6) | 0x20);
    return h;
}

// An MPEG-1 Layer II frame header, 192 kbit/s, 48 kHz, and its data.
inline Bytes AudioFrame(size_t n, uint8_t seed) {
    return Cat({{0xFF, 0xFD, 0xA4, 0x00}, Filler(n, seed)});
}

// Cuts PES bytes into transport packets; the last one is padded with an
// adaptation field of stuffing.
struct TsWriter {
    Bytes stream;

    void Pes(uint16_t pid, const Bytes& pes) {
        size_t at = 0;
        do {
            const size_t n = std::min<size_t>(184, pes.size() - at);
            Packet(pid, at == 0, Bytes(pes.begin() + at, pes.begin() + at + n));
            at += n;
        } while (at < pes.size());
    }
    // One packet; a payload shorter than 184 bytes gets stuffing in front.
    void Packet(uint16_t pid, bool unitStart, const Bytes& payload) {
        const size_t stuffing = 184 - payload.size();
        stream.push_back(0x47);
        stream.push_back(static_cast<uint8_t>((unitStart ? 0x40 : 0) | (pid >> 8)));
        stream.push_back(static_cast<uint8_t>(pid));
        stream.push_back(static_cast<uint8_t>((stuffing ? 0x30 : 0x10) | (m_cc++ & 0x0F)));
        if (stuffing) {
            stream.push_back(static_cast<uint8_t>(stuffing - 1));
            if (stuffing > 1)
                stream.push_back(0x00);
            for (size_t i = 2; i < stuffing; ++i)
                stream.push_back(0xFF);
        }
        stream.insert(stream.end(), payload.begin(), payload.end());
    }
    // Packets of a PID nobody selects, up to the next block boundary.
    void PadToBlock() {
        while (stream.size() % convert::kBlockSize != 0)
            Packet(kOtherPid, false, Filler(184, 99));
    }
    unsigned m_cc = 0;
};

// The stream in memory; counts reads and can act before a given one.
struct MemorySource final : convert::BlockSource {
    explicit MemorySource(Bytes bytes) : m_bytes(std::move(bytes)) {}
    size_t read_block(uint8_t* buffer, size_t n) override {
        ++reads;
        if (beforeRead)
            beforeRead(reads);
        const size_t k = std::min(n, m_bytes.size() - m_position);
        std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_position), k, buffer);
        m_position += k;
        return k;
    }
    uint64_t position() const override { return m_position; }
    bool seek(uint64_t offset) override {
        if (offset > m_bytes.size())
            return false;
        m_position = static_cast<size_t>(offset);
        return true;
    }
    int reads = 0;
    std::function<void(int read)> beforeRead;
    Bytes m_bytes;
    size_t m_position = 0;
};

} // namespace dz::test
