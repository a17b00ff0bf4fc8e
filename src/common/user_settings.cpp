#include "common/user_settings.h"

namespace dz {
namespace {

constexpr int kMinVisibleWidth = 100;
constexpr int kMinVisibleHeight = 60;

} // namespace

std::optional<WindowPlacement> FitPlacement(const WindowPlacement& saved, int screenWidth,
                                            int screenHeight) {
    if (saved.width < kMinVisibleWidth || saved.height < kMinVisibleHeight)
        return std::nullopt;
    const bool onScreen = saved.x + kMinVisibleWidth <= screenWidth &&
                          saved.y + kMinVisibleHeight <= screenHeight &&
                          saved.x + saved.width >= kMinVisibleWidth && saved.y >= 0;
    if (!onScreen)
        return std::nullopt;
    return saved;
}

std::array<int, kListColumns> ScaleColumns(const std::array<int, kListColumns>& widths,
                                           int oldTotal, int newTotal) {
    if (oldTotal <= 0 || newTotal <= 0)
        return widths;
    std::array<int, kListColumns> scaled{};
    for (int i = 0; i < kListColumns; ++i)
        scaled[i] = static_cast<int>(static_cast<long long>(widths[i]) * newTotal / oldTotal);
    return scaled;
}

std::array<int, kListColumns> WithNewColumns(const std::array<int, kListColumns>& widths) {
    std::array<int, kListColumns> whole = widths;
    if (whole[0] <= 0)
        return whole;
    for (int i = 1; i < kListColumns; ++i) {
        if (whole[i] >= 0)
            continue;
        const int share = whole[0] / 4;
        whole[0] -= share;
        whole[i] = share;
    }
    return whole;
}

} // namespace dz
