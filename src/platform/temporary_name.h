#pragma once
// The names of staged files, shared by both systems' file handles.
#include <ctime>
#include <optional>
#include <string>

namespace dz::platform {

// ".dezadide-<process id>-<number>.tmp", a new number on every call.
std::u16string NextTemporaryName();

// Whether a live job holds the lock on a temporary; nothing when that cannot
// be told (the file cannot be opened, the system has no such locks).
std::optional<bool> TemporaryIsHeld(const std::u16string& path);
// The file's modification time, the file itself for a link.
std::optional<std::time_t> ModificationTime(const std::u16string& path);

} // namespace dz::platform
