#pragma once
// The stream facts of recordings already read, kept in one small file in the
// user's cache folder so that a folder visited again costs nothing. An entry
// is found by the identity of the recording's part 1 (device and file id)
// and holds a signature of every file its facts came from (identity, size,
// modification time): a recording changed or replaced is read again. A cache
// file that cannot be read or is damaged counts as empty and is rewritten.

#include "convert/stream_facts.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace dz::convert {

struct FactsKey {
    uint64_t device = 0, file = 0; // of part 1
    uint64_t signature = 0;        // of every file read
    bool operator==(const FactsKey&) const = default;
};

// The key of the recording whose stream lies in these parts (the companion
// beside part 1 counts too: a recording that grows changes it). Nothing when
// part 1 cannot be looked at.
std::optional<FactsKey> FactsKeyOf(const std::vector<std::u16string>& parts);

class FactsCache {
public:
    // The first line of the file: a file of another version is not read.
    static constexpr const char* kHeader = "dezadide stream facts 1";
    // Entries beyond this start the cache afresh: recordings come and go, and
    // the file must stay small.
    static constexpr size_t kMaxEntries = 50000;

    // A cache kept in `file`; an empty path keeps it in memory only.
    explicit FactsCache(std::u16string file = {}) : m_file(std::move(file)) {}

    // Reads the file. False (and the cache empty) when it is missing,
    // unreadable or damaged; a damaged one is rewritten by the next Save.
    bool Load();
    // Writes the file when something changed, under a temporary name put in
    // place at once, so a reader never sees half of it. False when it
    // cannot be written (the cache then just does not help next time).
    bool Save();

    std::optional<RecordingFacts> Find(const FactsKey& key) const;
    void Store(const FactsKey& key, const RecordingFacts& facts);
    size_t size() const;

private:
    std::u16string m_file;
    mutable std::mutex m_mutex;
    // By part 1's device and file id: the signature and the facts.
    std::map<std::pair<uint64_t, uint64_t>, std::pair<uint64_t, RecordingFacts>> m_entries;
    bool m_dirty = false;
};

// $XDG_CACHE_HOME/dezadide/stream-facts (or its Windows equivalent); empty
// when the system names no cache folder.
std::u16string DefaultFactsCacheFile();

// The facts of the recording a part path names: from the cache when its
// files are as they were, else read and stored.
RecordingFacts CachedRecordingFacts(const std::u16string& partPath, FactsCache& cache);

} // namespace dz::convert
