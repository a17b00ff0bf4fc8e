#pragma once
// The texts of a file list row: size in KiB with thousands commas, and the
// recorder's date form with its AM/PM rule (noon is AM 12, midnight AM 0).
#include <cstdint>
#include <string>

namespace dz {

std::u16string SizeText(int64_t kib);
std::u16string DateText(int year, int month, int day, int hour, int minute, int second);

} // namespace dz
