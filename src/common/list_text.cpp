#include "common/list_text.h"

#include "common/messages.h"
#include "common/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace dz {

std::u16string LengthText(const std::optional<int64_t>& ticks) {
    if (!ticks || *ticks < 0)
        return msg::kUnknownLength;
    const int64_t seconds = (*ticks + kPtsClock / 2) / kPtsClock;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return Ascii(text);
}

std::u16string SizeText(int64_t kib) {
    std::string digits = std::to_string(kib);
    // Commas go in from the right, before every group of three characters,
    // exactly as the list always did (a sign counts as a character).
    for (int64_t pos = static_cast<int64_t>(digits.size()) - 3; pos > 0; pos -= 3)
        digits.insert(static_cast<size_t>(pos), 1, ',');
    return Ascii(digits);
}

std::u16string DateText(int year, int month, int day, int hour, int minute, int second) {
    const bool pm = hour >= 13;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4d-%02d-%02d %s %2d:%02d:%02d", year, month, day,
                  pm ? "PM" : "AM", pm ? hour - 12 : hour, minute, second);
    return Ascii(buf);
}

std::u16string FreeSpaceText(uint64_t bytes) {
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes) / 1024;
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%.0f %s", value, kUnits[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return Ascii(text);
}

std::u16string DriveLabelText(const std::u16string& root, const std::u16string& volumeLabel,
                              const uint64_t* freeBytes) {
    std::u16string text = root;
    if (!volumeLabel.empty())
        text += u"  [" + volumeLabel + u"]";
    if (freeBytes)
        text += u"  " + FreeSpaceText(*freeBytes) + u" free";
    return text;
}

std::u16string SelectionStatusText(int32_t selected, int32_t rows, uint64_t bytes) {
    const int64_t kib = static_cast<int64_t>(std::min<uint64_t>(bytes / 1024, INT64_MAX));
    return FillMessage(FillCounts(msg::kStatusSelection, selected, rows), SizeText(kib));
}

std::u16string FreeStatusText(const uint64_t* freeBytes) {
    return freeBytes ? FillMessage(msg::kStatusFree, FreeSpaceText(*freeBytes)) : std::u16string();
}

} // namespace dz
