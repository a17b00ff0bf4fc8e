#pragma once
// Text helpers shared by every layer. All texts the system defines are UTF-16;
// comparisons that the recorder's world calls "without regard to case" fold
// only the letters A-Z, never anything else.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dz {

constexpr char16_t FoldAZ(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}
constexpr char16_t UpperAZ(char16_t c) {
    return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c;
}

// Folds A-Z, then compares UTF-16 units by value; a prefix sorts first.
int CompareNoCaseAZ(std::u16string_view a, std::u16string_view b);
bool EqualNoCaseAZ(std::u16string_view a, std::u16string_view b);
std::u16string ToUpperAZ(std::u16string_view s);

// The text from the last "." of the file-name part on, dot included; empty
// when the file name has no dot. Both "/" and "\" end a folder part.
std::u16string_view ExtensionOf(std::u16string_view path);
bool HasExtension(std::u16string_view path, std::u16string_view ext);
// What an entry name stands for, by its extension (A-Z folded).
enum class EntryKind {
    kPlainFile,     // ".mp3" or ".mem": listed and transferred as it is
    kRecordingPart, // ".avr": a part of a recording
    kOther,         // not this system's: skipped
};
EntryKind KindOf(std::u16string_view path);
inline bool IsPlainFileName(std::u16string_view path) {
    return KindOf(path) == EntryKind::kPlainFile;
}
inline bool IsPartFileName(std::u16string_view path) {
    return KindOf(path) == EntryKind::kRecordingPart;
}

// Lenient signed decimal reading: leading blanks, an optional sign, digits up
// to the first other character; 0 when there are none.
int32_t LenientInt(std::u16string_view s);

// ASCII-only literal to UTF-16 (format results, fixed texts).
std::u16string Ascii(std::string_view s);
// A fixed text with its one "%s" or "%d" replaced by value (the first of
// them); a text without either comes back as it is.
std::u16string FillMessage(std::u16string_view format, std::u16string_view value);
// A fixed text with its "%d"s replaced by the numbers in turn.
std::u16string FillCounts(std::u16string_view format, int32_t first, int32_t second);
// UTF-8 bytes as a terminal line shows them: control bytes, DEL and every
// byte that is not part of a well-formed UTF-8 character become \xNN, so
// one name stays on one line and odd bytes stay visible.
std::string EscapeForTerminal(std::string_view bytes);
// UTF-8 <-> UTF-16. Decoding fails on malformed input rather than guessing.
std::string ToUtf8(std::u16string_view s);
std::optional<std::u16string> FromUtf8(std::string_view s);

} // namespace dz
