#pragma once
// The texts of a file list row: size in KiB with thousands commas, and the
// recorder's date form with its AM/PM rule (noon is AM 12, midnight AM 0).
#include <cstdint>
#include <optional>
#include <string>

namespace dz {

std::u16string SizeText(int64_t kib);
std::u16string DateText(int year, int month, int day, int hour, int minute, int second);

// A recording's running time counts the 90 kHz clock of its time stamps.
inline constexpr int64_t kPtsClock = 90000;
// The Length column: "1:02:03", to the nearest second; "?" when not known.
std::u16string LengthText(const std::optional<int64_t>& ticks);

// Free space as a person reads it: "512 KB", "12.3 MB", "1.5 GB", "2.0 TB".
std::u16string FreeSpaceText(uint64_t bytes);
// A drive's label in the trees: its folder, then the volume's own name when
// it has one, then its free space when that is known:
// "/media/rec  [RECORDER]  12.3 GB free".
std::u16string DriveLabelText(const std::u16string& root, const std::u16string& volumeLabel,
                              const uint64_t* freeBytes);

// The status bar's account of a list: "2 of 7 selected, 1,024 KB", the
// size by the rule of the Size column (whole KiB, rounded down).
std::u16string SelectionStatusText(int32_t selected, int32_t rows, uint64_t bytes);
// "12.3 GB free"; empty when the free space is not known.
std::u16string FreeStatusText(const uint64_t* freeBytes);

} // namespace dz
