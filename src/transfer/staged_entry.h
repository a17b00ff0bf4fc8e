#pragma once
// One entry's files at the destination, written under temporary names and
// put in place together - never over an entry nobody agreed to replace.
// Whatever is not put in place is removed when the object goes.
#include "platform/platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dz {

// How putting an entry in place ended.
enum class CommitEnd {
    Done,
    Exists,         // another entry of that name is there and may not be replaced
    SourceChanged,  // a source file is not the one copied any more: nothing was put in place
    Unwritable,     // nothing of the entry is at the destination; an older copy is as it was
    ReplacedInPart, // an older copy was being replaced: neither it nor the new one is there
};

class StagedEntry {
public:
    explicit StagedEntry(std::u16string folder) : m_folder(std::move(folder)) {}
    ~StagedEntry();
    StagedEntry(const StagedEntry&) = delete;
    StagedEntry& operator=(const StagedEntry&) = delete;

    // A new temporary in the folder for the file that will be finalPath,
    // copied from sourcePath as the stamp tells it when it was opened.
    platform::File Create(const std::u16string& sourcePath,
                          const std::optional<platform::FileStamp>& sourceStamp,
                          const std::u16string& finalPath);
    // Each source file with its stamp when it was opened.
    struct Source {
        std::u16string path;
        std::optional<platform::FileStamp> stamp;
    };
    std::vector<Source> Sources() const;
    const std::u16string& LastTemporary() const { return m_files.back().temporary; }

    // Puts every file in place, the first one staged (a recording's
    // companion) last, then, when asked, makes the names durable. Until the
    // companion is in place the recording is not listed with its size, so a
    // commit cut short never looks whole; one that fails takes back what it
    // put in place. The look at what is there and the renames are one step
    // for every job of this program: another job's entry of the same name
    // is never replaced unless mayReplace says the user agreed to it.
    CommitEnd Commit(bool durable, bool mayReplace);

private:
    struct Staged {
        std::u16string temporary;
        std::u16string destination;
        std::u16string source;
        std::optional<platform::FileStamp> sourceStamp;
        bool committed = false;
    };

    bool IsRecording() const;
    bool EntryIsThere() const;
    bool PutAll(const std::function<bool(const Staged&)>& put);
    void TakeBack();
    bool AnyCommitted() const;
    CommitEnd CommitNew(bool durable, bool mayReplace);
    CommitEnd Replace(bool durable);
    std::vector<std::u16string> PartsBeyond(size_t parts) const;

    std::u16string m_folder;
    std::vector<Staged> m_files;
};

// Whether every source is still the file it was when it was opened.
bool SourcesUnchanged(const std::vector<StagedEntry::Source>& sources);

} // namespace dz
