#pragma once
// New Folder without the window: the name as typed, inside the parent
// folder, with the texts the window and the terminal tool show.
#include <cstddef>
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
    kNotMade,     // message holds "Could not make a folder, " and the path
};

struct NewFolderResult {
    NewFolderStatus status = NewFolderStatus::kNoName;
    std::u16string path;    // the folder's full path, once a name was given
    std::u16string message; // empty unless there is something to show
};

// Makes exactly one folder named `name` in `parent`. The name is used as
// typed: no trimming, no check of its characters, so a separator in it
// reaches into a subfolder that must already exist.
NewFolderResult MakeNewFolder(const std::u16string& parent, const std::u16string& name);

} // namespace dz
