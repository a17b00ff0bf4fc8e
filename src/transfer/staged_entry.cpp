#include "transfer/staged_entry.h"

#include "common/text.h"
#include "recording/recording_files.h"
#include "transfer/earlier_move.h"

#include <algorithm>
#include <optional>

namespace dz {

using platform::CommitResult;
using platform::File;

StagedEntry::~StagedEntry() {
    for (const Staged& file : m_files)
        if (!file.committed)
            platform::DeleteIfPresent(file.temporary);
}

File StagedEntry::Create(const std::u16string& sourcePath,
                         const std::optional<platform::FileStamp>& sourceStamp,
                         const std::u16string& finalPath) {
    std::u16string temporary;
    File file = File::CreateTemporary(m_folder, temporary);
    if (file.IsOpen())
        m_files.push_back({temporary, finalPath, sourcePath, sourceStamp, false});
    return file;
}

std::vector<StagedEntry::Source> StagedEntry::Sources() const {
    std::vector<Source> sources;
    for (const Staged& file : m_files)
        sources.push_back({file.source, file.sourceStamp});
    return sources;
}

bool SourcesUnchanged(const std::vector<StagedEntry::Source>& sources) {
    return std::all_of(sources.begin(), sources.end(), [](const StagedEntry::Source& s) {
        return !s.stamp || platform::StampOf(s.path) == s.stamp;
    });
}

CommitEnd StagedEntry::Commit(bool durable, bool mayReplace) {
    // A source replaced or written to since it was read (another program,
    // another job) would put a mix of two recordings in place.
    if (!SourcesUnchanged(Sources()))
        return CommitEnd::SourceChanged;
    const platform::CommitLock lock(m_folder);
    const CommitEnd end = !EntryIsThere() ? CommitNew(durable, mayReplace)
                          : mayReplace    ? Replace(durable)
                                          : CommitEnd::Exists;
    // Users sort recordings and music by date: each copy keeps its
    // source's. A disk that keeps no such time fails nothing.
    if (end == CommitEnd::Done)
        for (const Staged& file : m_files)
            platform::CopyModificationTime(file.source, file.destination);
    return end;
}

bool StagedEntry::IsRecording() const {
    return m_files.size() > 1 || !IsPlainFileName(m_files[0].destination);
}

// An entry is there when it can be played: a plain file under its name, a
// recording's companion with its part 1. Pieces that a copy cut short left
// are no entry.
bool StagedEntry::EntryIsThere() const {
    if (!platform::PathExists(m_files[0].destination))
        return false;
    return m_files.size() < 2 || platform::PathExists(m_files[1].destination);
}

// The parts first, the companion (staged first) last.
bool StagedEntry::PutAll(const std::function<bool(const Staged&)>& put) {
    for (size_t i = 1; i <= m_files.size(); ++i) {
        Staged& file = m_files[i % m_files.size()];
        if (!put(file))
            return false;
        file.committed = true;
    }
    return true;
}

void StagedEntry::TakeBack() {
    for (Staged& file : m_files) {
        if (file.committed)
            platform::DeleteIfPresent(file.destination);
        file.committed = false;
    }
}

bool StagedEntry::AnyCommitted() const {
    return std::any_of(m_files.begin(), m_files.end(),
                       [](const Staged& file) { return file.committed; });
}

// Pieces a copy cut short left are removed first; then no name may be
// taken meanwhile by anyone else.
CommitEnd StagedEntry::CommitNew(bool durable, bool mayReplace) {
    // Only this recording's own leftovers; a file of another one (a user's
    // damaged copy, a stray part) is not put over unasked.
    for (size_t i = 0; i < m_files.size() && !mayReplace; ++i) {
        const Staged& file = m_files[i];
        if (platform::PathExists(file.destination) &&
            !HoldsCopyOf(file.destination, file.source, IsRecording() && i == 0))
            return CommitEnd::Exists;
    }
    for (const Staged& file : m_files)
        if (!platform::DeleteIfPresent(file.destination))
            return CommitEnd::Unwritable;
    CommitResult refused = CommitResult::Done;
    const bool put = PutAll([&](const Staged& file) {
        refused = platform::CommitWithoutReplacing(file.temporary, file.destination);
        return refused == CommitResult::Done;
    });
    if (!put || (durable && !platform::FlushFolder(m_folder))) {
        TakeBack();
        return refused == CommitResult::Exists ? CommitEnd::Exists : CommitEnd::Unwritable;
    }
    return CommitEnd::Done;
}

// The older copy is replaced file by file, its companion last; its parts
// beyond the new count go once the new copy is in place. A recording's older
// companion goes first, so that no moment (a kill, a power cut) leaves old
// and new parts under a companion that makes them look whole.
CommitEnd StagedEntry::Replace(bool durable) {
    std::vector<std::u16string> older;
    if (IsRecording()) {
        older = PartsBeyond(0);
        if (!platform::DeleteIfPresent(m_files[0].destination))
            return CommitEnd::Unwritable;
    }
    const bool put = PutAll([](const Staged& file) {
        return platform::CommitByRename(file.temporary, file.destination);
    });
    if (!put || (durable && !platform::FlushFolder(m_folder))) {
        if (!IsRecording() && !AnyCommitted())
            return CommitEnd::Unwritable;
        // Half the older copy beside half the new one would be no recording:
        // neither stays.
        TakeBack();
        for (const std::u16string& path : older)
            platform::DeleteIfPresent(path);
        return CommitEnd::ReplacedInPart;
    }
    const size_t parts = m_files.size() - 1;
    for (size_t p = parts; p < older.size(); ++p)
        platform::DeleteIfPresent(older[p]);
    return CommitEnd::Done;
}

// The parts of the recording at the destination that its companion counts
// beyond the first `parts`, in order.
std::vector<std::u16string> StagedEntry::PartsBeyond(size_t parts) const {
    std::vector<std::u16string> paths;
    std::optional<RecordingFiles> older = RecordingFiles::Of(m_files[1].destination);
    if (!older)
        return paths;
    for (int32_t p = static_cast<int32_t>(parts) + 1; p <= older->CountedParts(0); ++p)
        paths.push_back(older->PartPath(p));
    return paths;
}

} // namespace dz
