#pragma once
// The files of one recording as they are on disk: its companion, read once,
// and its parts, every name matched by one case rule (the recorder writes
// upper case; a copy made elsewhere may carry the extension in lower case,
// and the folder is read at most once to find it). Transfers, deletion, the
// conversion's choice of parts and info read a recording through this type.
#include "platform/platform.h"
#include "recording/RecordingName.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dz {

class RecordingFiles {
public:
    // From the path of one of the recording's part files. Its companion is
    // the one named after that very file: part 1's is the recording's, a
    // later part names none. Nothing for a name without the scheme's "_#".
    static std::optional<RecordingFiles> Of(const std::u16string& partPath);

    // The folder, without a trailing separator but for a root.
    const std::u16string& folder() const { return m_folder; }
    // The name pieces; prefix is the folder with its separator.
    const RecordingNameParts& name() const { return m_name; }
    // One open and one read, so that nothing decided from it can disagree
    // with a second look. Its path is the file as found, or as built.
    const CompanionRead& companion() const { return m_companion; }
    // The parts the companion counts; `otherwise` when it is not readable whole.
    int32_t CountedParts(int32_t otherwise) const {
        return m_companion.Ok() ? m_companion.partCount : otherwise;
    }
    // Part n's path as it is on disk, or as built when no file carries it.
    std::u16string PartPath(int32_t n);
    // Whether part n is a file (a link to one counts).
    bool PartExists(int32_t n);
    // The parts on disk from part 1 on without a gap, at most `limit`.
    int32_t PartsOnDisk(int32_t limit);

private:
    RecordingFiles(std::u16string folder, RecordingNameParts name)
        : m_folder(std::move(folder)), m_name(std::move(name)), m_index(m_folder) {}

    std::u16string m_folder;
    RecordingNameParts m_name;
    CompanionRead m_companion;
    platform::FolderCaseIndex m_index;
};

} // namespace dz
