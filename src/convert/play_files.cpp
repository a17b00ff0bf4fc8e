#include "convert/play_files.h"

#include "common/text.h"
#include "platform/platform.h"

#include <string>

namespace dz::convert {
namespace {

constexpr char16_t kPrefix[] = u"play-";

// Letters a file name cannot hold are replaced, so the name stays one name.
std::u16string SafeName(const std::u16string& name) {
    std::u16string safe = name;
    for (char16_t& c : safe) {
        if (c == u'/' || c == u'\\' || c < 0x20)
            c = u'_';
    }
    return safe;
}

} // namespace

std::u16string PlayFilePath(const std::u16string& cacheFolder, int processId, int number,
                            const std::u16string& recordingName) {
    const std::u16string name = kPrefix + Ascii(std::to_string(processId)) + u"-" +
                                Ascii(std::to_string(number)) + u"-" + SafeName(recordingName) +
                                u".mpg";
    return platform::JoinPath(cacheFolder, name);
}

int PlayFileOwner(const std::u16string& fileName) {
    const std::u16string prefix = kPrefix;
    if (fileName.compare(0, prefix.size(), prefix) != 0 || !HasExtension(fileName, u".mpg"))
        return 0;
    int owner = 0;
    size_t i = prefix.size();
    for (; i < fileName.size() && fileName[i] >= u'0' && fileName[i] <= u'9'; ++i) {
        if (owner > 100'000'000)
            return 0;
        owner = owner * 10 + (fileName[i] - u'0');
    }
    if (i == prefix.size() || i >= fileName.size() || fileName[i] != u'-')
        return 0;
    return owner;
}

std::vector<std::u16string> RemovePlayFiles(const std::u16string& cacheFolder, int ownerId) {
    std::vector<std::u16string> removed;
    std::vector<platform::FolderName> entries;
    if (!platform::SearchFolderNames(cacheFolder, entries))
        return removed;
    for (const platform::FolderName& entry : entries) {
        const int owner = entry.isFolder ? 0 : PlayFileOwner(entry.name);
        if (owner == 0)
            continue;
        const bool remove = ownerId > 0 ? owner == ownerId : !platform::ProcessIsRunning(owner);
        if (remove &&
            platform::ResetAttributesAndDelete(platform::JoinPath(cacheFolder, entry.name)))
            removed.push_back(entry.name);
    }
    return removed;
}

} // namespace dz::convert
