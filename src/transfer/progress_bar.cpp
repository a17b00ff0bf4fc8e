#include "transfer/transfer_worker.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace dz {

BarValues ScaleBar(uint64_t length, uint64_t copied) {
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    const int width = std::bit_width(length);
    const int shift = width > 31 ? width - 31 : 0;
    BarValues bar;
    bar.range = static_cast<int32_t>(length >> shift);
    bar.position = static_cast<int32_t>(std::min(copied >> shift, kMax));
    return bar;
}

int32_t RecordingPercent(uint64_t copied, uint64_t totalSize) {
    if (totalSize == 0)
        return 0;
    if (copied >= totalSize)
        return 100;
    const double percent = static_cast<double>(copied) / static_cast<double>(totalSize) * 100.0;
    return std::clamp(static_cast<int32_t>(percent), 0, 100);
}

} // namespace dz
