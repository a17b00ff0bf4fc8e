#include "recording/recording_files.h"

#include "platform/folder_path.h"

namespace dz {

std::optional<RecordingFiles> RecordingFiles::Of(const std::u16string& partPath) {
    RecordingNameParts name;
    if (SplitSiblingNames(partPath, name) != 0)
        return std::nullopt;
    std::u16string folder = platform::WithoutSeparator(name.prefix);
    if (folder.empty())
        folder = u".";
    RecordingFiles files(std::move(folder), std::move(name));
    const std::u16string& prefix = files.m_name.prefix;
    const std::u16string own = CompanionPathOf(partPath.substr(prefix.size()));
    files.m_companion =
        own.empty() ? CompanionRead{} : ReadCompanionAt(prefix + files.m_index.Resolve(own));
    return files;
}

std::u16string RecordingFiles::PartPath(int32_t n) {
    const std::u16string built = CRecordingName().MakePartPath(
        u"", m_name.recordingName, n, m_name.dateStamp, m_name.suffixNumber);
    return m_name.prefix + m_index.Resolve(built);
}

bool RecordingFiles::PartExists(int32_t n) {
    return platform::FileExists(PartPath(n));
}

int32_t RecordingFiles::PartsOnDisk(int32_t limit) {
    int32_t n = 0;
    while (n < limit && PartExists(n + 1))
        ++n;
    return n;
}

} // namespace dz
