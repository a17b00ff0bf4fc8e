// Reads arbitrary bytes as the two ends of a recording's transport stream
// (the first byte says where the head ends and the tail begins) and checks
// that what comes out is within what a stream can say.

#include "convert/stream_facts.h"

#include <cstdlib>

using namespace dz::convert;

#define CHECK(condition) ((condition) ? void() : std::abort())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t split = 1 + (size - 1) * data[0] / 255;
    const RecordingFacts facts = FactsOfStreamEnds(data + 1, split - 1, data + split, size - split);
    if (facts.length) {
        // Two stamps in 33 bits, and at most a few seconds after the last.
        CHECK(*facts.length >= 0 && *facts.length < 2 * kPtsWrap);
        (void)dz::LengthText(facts.length);
    }
    for (const StreamFormat& s : facts.streams) {
        CHECK(s.pid < 0x2000);
        CHECK(s.width >= 0 && s.height >= 0 && s.channels >= 0 && s.sampleRate >= 0);
        (void)StreamText(s);
    }
    return 0;
}
