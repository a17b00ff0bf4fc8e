#include "transfer/new_folder.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace dz {

std::u16string TooManyCharactersMessage() {
    return FillMessage(msg::kTooManyCharacters, Ascii(std::to_string(kMaxFolderNameLength)));
}

namespace {

#ifndef _WIN32
// File systems that store names as Windows does, whatever system mounts them.
bool HoldsWindowsNames(const std::string& type) {
    for (const char* windows :
         {"vfat", "msdos", "fat", "exfat", "ntfs", "ntfs3", "NTFS", "FAT", "FAT32", "exFAT"})
        if (type == windows)
            return true;
    return false;
}
#endif

bool IsWindowsReserved(char16_t c) {
    return c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos;
}

} // namespace

namespace {

// The texts of one kind of name: a folder's, or a renamed file's.
struct NameTexts {
    const char16_t* empty;
    const char16_t* notAName;
    const char16_t* separator;
    const char16_t* notStorable;
};

std::optional<std::u16string> NameRefusal(const std::u16string& parent, const std::u16string& name,
                                          const NameTexts& texts) {
    if (name.empty())
        return std::u16string(texts.empty);
    if (name == u"." || name == u"..")
        return FillMessage(texts.notAName, name);
    if (name.find(u'/') != std::u16string::npos || name.find(u'\0') != std::u16string::npos ||
        name.find(platform::kSeparator) != std::u16string::npos)
        return FillMessage(texts.separator, name);
#ifdef _WIN32
    (void)parent; // every Windows volume holds Windows names
    const bool windowsNames = true;
#else
    const bool windowsNames = HoldsWindowsNames(platform::FileSystemTypeOf(parent));
#endif
    // Such a file system drops a trailing dot or space, which would make
    // another name than the one typed.
    if (windowsNames && (std::any_of(name.begin(), name.end(), IsWindowsReserved) ||
                         name.back() == u'.' || name.back() == u' '))
        return FillMessage(texts.notStorable, name);
    return std::nullopt;
}

} // namespace

std::optional<std::u16string> FolderNameRefusal(const std::u16string& parent,
                                                const std::u16string& name) {
    return NameRefusal(parent, name,
                       {msg::kFolderNameEmpty, msg::kFolderNameNotAName, msg::kFolderNameSeparator,
                        msg::kFolderNameNotStorable});
}

std::optional<std::u16string> FileNameRefusal(const std::u16string& parent,
                                              const std::u16string& name) {
    return NameRefusal(
        parent, name,
        {msg::kRenameEmpty, msg::kRenameNotAName, msg::kRenameSeparator, msg::kRenameNotStorable});
}

bool IsReservedOnWindows(char16_t c) {
    return IsWindowsReserved(c);
}

NewFolderResult MakeNewFolder(const std::u16string& parent, const std::u16string& name) {
    NewFolderResult result;
    if (name.empty())
        return result;
    if (name.size() > kMaxFolderNameLength) {
        result.status = NewFolderStatus::kNameTooLong;
        result.message = TooManyCharactersMessage();
        return result;
    }
    if (std::optional<std::u16string> refusal = FolderNameRefusal(parent, name)) {
        result.status = NewFolderStatus::kBadName;
        result.message = std::move(*refusal);
        return result;
    }
    result.path = platform::JoinPath(parent, name);
    if (!platform::MakeFolder(result.path)) {
        result.status = NewFolderStatus::kNotMade;
        result.message = FillMessage(msg::kCouldNotMakeFolder, result.path);
        return result;
    }
    result.status = NewFolderStatus::kMade;
    return result;
}

} // namespace dz
