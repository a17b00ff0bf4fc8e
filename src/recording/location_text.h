#pragma once
// The location text: the path by which the recorder finds a recording's
// companion, kept in the location field of the companion head and of every
// part header. A copy writes it anew for the recording's new place.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dz {

struct RecordingNameParts;

// The recorder's own path of a folder below its drive: "C:\", then each
// folder of `below` (separated by '/' or the platform's separator) followed
// by "\". "C:\" for the drive itself; empty pieces ("//") are dropped.
std::u16string RecorderFolderText(std::u16string_view below);

// The companion's path as the recorder will see it once the recording sits in
// destinationFolder: "C:\" + the folder below its drive root, "\"-separated,
// + the part-1 companion name. Nothing when it does not fit the location field.
std::optional<std::u16string> MakeLocationText(const std::u16string& destinationFolder,
                                               const RecordingNameParts& parts);

// The same in two steps, for many recordings of one folder: the folder's
// text, worked out once, then each recording's location text in it.
std::u16string RecorderFolderTextOf(const std::u16string& folder);
std::optional<std::u16string> LocationTextIn(const std::u16string& recorderFolder,
                                             const RecordingNameParts& parts);

// Writes text into a location field (kLocationFieldSize bytes), one byte per
// character, the rest zero.
void WriteLocationField(uint8_t* field, const std::u16string& text);

} // namespace dz
