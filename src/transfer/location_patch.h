#pragma once
// The location field of a recording's files rewritten for where the
// recording now lies, by a rename or a mend. A companion is small and
// rewritten through a staged copy; a part can be gigabytes, so only its
// 123-byte field is written where it lies, and flushed.
#include <optional>
#include <string>

namespace dz {

// The location text in a file's header; nothing when the file is shorter
// than its header (a companion's 8,008 bytes, a part's 134) or unreadable.
std::optional<std::u16string> LocationOfFile(const std::u16string& path, bool companion);

// A flushed copy of the companion at `path`, in the folder given, under a
// temporary name, with its location field holding `text` and its
// attributes. Gives the temporary's path, or nothing when it could not be
// made (nothing is left behind then). A companion shorter than its head is
// copied as it is.
std::optional<std::u16string> StagePatchedCompanion(const std::u16string& path,
                                                    const std::u16string& folder,
                                                    const std::u16string& text);

// Writes `text` into the location field of the part at `path` and flushes
// it; a part shorter than its header has no field and is left as it is. A
// read-only part is made writable for the write and read-only again.
bool PatchPartLocation(const std::u16string& path, const std::u16string& text);

} // namespace dz
