#pragma once
// The order of names in the user's language: the platform's own collation
// (the C library's for the user's locale on Linux, the system's on
// Windows), with the letter case ignored. Built into the common layer, whose
// name order (CSortStringArray) is its only caller.
#include <string>
#include <string_view>

namespace dz::platform {

// Negative, zero or positive as a comes before, with or after b; zero also
// for names the language does not tell apart (callers break such ties).
int CollateNoCase(std::u16string_view a, std::u16string_view b);

// The locale the order follows: "" is the user's (LC_ALL, LC_COLLATE,
// LANG), as at the start; tests name one. False, and the order unchanged,
// when the system does not have it.
bool UseCollationLocale(const std::string& name);

} // namespace dz::platform
