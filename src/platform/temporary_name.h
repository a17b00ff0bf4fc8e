#pragma once
// The names of staged files, shared by both systems' file handles.
#include <string>

namespace dz::platform {

// ".dezadide-<process id>-<number>.tmp", a new number on every call.
std::u16string NextTemporaryName();

} // namespace dz::platform
