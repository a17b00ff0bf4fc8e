#include "transfer/new_folder.h"

#include "common/messages.h"
#include "common/text.h"
#include "platform/platform.h"

namespace dz {

std::u16string TooManyCharactersMessage() {
    return FillMessage(msg::kTooManyCharacters, Ascii(std::to_string(kMaxFolderNameLength)));
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
