#pragma once
// New Folder without the window: the name as typed, inside the parent
// folder, with the texts the window and the terminal tool show.
#include <cstddef>
#include <optional>
#include <string>

namespace dz {

// The name box takes no more than this many characters (UTF-16 units).
inline constexpr size_t kMaxFolderNameLength = 128;

// The refusal of a name longer than the limit.
std::u16string TooManyCharactersMessage();

enum class NewFolderStatus {
    kMade,        // path is the new folder
    kNoName,      // an empty name: the command ends without a word
    kNameTooLong, // message says so; nothing was tried
    kBadName,     // not one name the parent's file system can hold; message says why
    kNotMade,     // message holds "Could not make a folder, " and the path
};

struct NewFolderResult {
    NewFolderStatus status = NewFolderStatus::kNoName;
    std::u16string path;    // the folder's full path, once a name was given
    std::u16string message; // empty unless there is something to show
};

// Makes exactly one folder named `name` in `parent`. The name is used as
// typed, without trimming, but it must be one name: no separator, not "."
// or "..", nothing the parent's file system cannot store - a folder is never
// made anywhere but inside `parent`.
NewFolderResult MakeNewFolder(const std::u16string& parent, const std::u16string& name);
// Why a name cannot be one folder's name in `parent`; nothing when it can.
std::optional<std::u16string> FolderNameRefusal(const std::u16string& parent,
                                                const std::u16string& name);
// The same for a file's new name, in the rename's words.
std::optional<std::u16string> FileNameRefusal(const std::u16string& parent,
                                              const std::u16string& name);
// A character no Windows or FAT name holds: a control character or one of \ / : * ? " < > |.
bool IsReservedOnWindows(char16_t c);

} // namespace dz
